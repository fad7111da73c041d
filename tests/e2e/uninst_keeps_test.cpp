// UNINST.EXE under Wine takes only what is the product's: a directory named with a
// doubled backslash, the newer file the person kept at installation, a directory
// that was there before, and a shell folder of the profile.
#include <gtest/gtest.h>

#include <cstdio>

#include "harness.h"

using namespace e2e;

namespace {

SetupRun RunRemover(WineCase& wine, const std::string& tail) {
    SetupOptions options;
    options.commandTail = tail;
    options.program = "C:\\medium\\UNINST.EXE";
    return wine.RunSetup(options);
}

}  // namespace

TEST(RemoverKeeps, RoundTripTakesTheProductAndLeavesTheKeptFileAndTheDirectoryThatWasThere) {
    WineCase wine;
    wine.SetupInf(
        "[SETUP]\r\nProduct=Keeps\r\nUninstFile=KEEPS.INI\r\n"
        "[AddFiles.WIN32]\r\nview.txt=\r\ncomp.dll=\r\ntool.txt=\r\n"
        "[view.txt]\r\nTargetDir=%WINDIR%\\KEEPS\r\n"
        "[comp.dll]\r\nTargetDir=C:\\shared\r\n"
        "[tool.txt]\r\nTargetDir=C:\\tools\r\n");
    wine.MediumFile("view.txt", "viewer");
    wine.MediumFile("tool.txt", "tool");
    wine.MediumTestBinary("comp.dll", "e2e_version_v1.dll");
    wine.MediumFile("UNINST.EXE", ReadHostFile(BuildDir() + "/UNINST.EXE"));
    // Another product's newer comp.dll, and an empty C:\tools, were there before.
    wine.PutTestBinary("C:\\shared\\comp.dll", "e2e_version_v2.dll");
    wine.PutFile("C:\\tools\\other.txt", "another product");
    SetupRun setup = wine.RunSetup({{"Yes", "OK"}});  // keep the newer comp.dll
    ASSERT_EQ(wine.ReadFile("C:\\windows\\KEEPS\\view.txt"), "viewer") << setup.transcript;
    std::optional<std::string> log = wine.ReadFile("C:\\windows\\KEEPS.INI");
    ASSERT_TRUE(log);
    EXPECT_NE(log->find("[UninstKeptFiles]\r\nC:\\shared\\comp.dll=\r\n"), std::string::npos) << *log;
    EXPECT_NE(log->find("C:\\windows\\\\KEEPS\\view.txt="), std::string::npos) << *log;
    // Emptied by the other product since: still not this product's to remove.
    ASSERT_TRUE(wine.Exists("C:\\tools\\other.txt"));
    std::remove(wine.HostPath("C:\\tools\\other.txt").c_str());

    SetupRun run = RunRemover(wine, "/S KEEPS.INI");
    EXPECT_EQ(run.setup.exitCode, 0);
    EXPECT_EQ(run.transcript, "");
    EXPECT_FALSE(wine.Exists("C:\\windows\\KEEPS"));
    EXPECT_EQ(wine.ReadFile("C:\\shared\\comp.dll"), ReadHostFile(TestBinary("e2e_version_v2.dll")));
    EXPECT_FALSE(wine.Exists("C:\\tools\\tool.txt"));
    EXPECT_TRUE(wine.Exists("C:\\tools"));
    EXPECT_FALSE(wine.Exists("C:\\windows\\KEEPS.INI"));
}

TEST(RemoverKeeps, ShellFolderStaysWhenALogNamesIt) {
    WineCase wine;
    std::optional<std::string> startup =
        wine.RegQuery("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Startup");
    ASSERT_TRUE(startup) << "Wine names no StartUp folder in this prefix";
    wine.PutFile(*startup + "\\run.lnk", "shortcut");
    wine.MediumFile("UNINST.EXE", ReadHostFile(BuildDir() + "/UNINST.EXE"));
    wine.PutFile("C:\\windows\\startup.ini", "[UNINST]\r\nProduct=Startup\r\n[UninstFiles]\r\n" + *startup +
                                                 "\\run.lnk=\r\n[UninstCreatedDirs]\r\n" + *startup + "=\r\n");
    SetupRun run = RunRemover(wine, "/S startup.ini");
    EXPECT_EQ(run.setup.exitCode, 0);
    EXPECT_FALSE(wine.Exists(*startup + "\\run.lnk"));
    EXPECT_TRUE(wine.Exists(*startup));
    EXPECT_FALSE(wine.Exists("C:\\windows\\startup.ini"));
}
