// The uninstall log of a big medium under Wine: SETUP.EXE's writer leaves the text
// that the real profile functions leave when they write the same entries key by key.
#include <gtest/gtest.h>

#include <string>

#include "harness.h"

using namespace e2e;

TEST(LogWriterUnderWine, LogOfTwoThousandFilesIsTheProfileFunctionsText) {
    constexpr int kFiles = 2000;
    WineCase wine("nt40");
    // An earlier run's log, so that the entries are merged as well as appended.
    const std::string earlier = "[UNINST]\r\nProduct=Old Name\r\n[UninstFiles]\r\nC:\\BigApp\\F0007.TXT=\r\n";
    wine.PutFile("C:\\windows\\BIG.INI", earlier);
    wine.PutFile("C:\\windows\\REF.INI", earlier);
    std::string inf = "[SETUP]\r\nProduct=Big Sample\r\nUninstFile=BIG.INI\r\n[AddFiles.WIN32]\r\n";
    // The directory the setup makes is recorded before its first file.
    std::string list = "UNINST\tProduct\tBig Sample\r\nUninstCreatedDirs\tC:\\BigApp\t\r\n";
    for (int i = 0; i < kFiles; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "F%04d.TXT", i);
        inf += std::string(name) + "=\r\n";
        wine.MediumFile(name, name);
        list += std::string("UninstFiles\tC:\\BigApp\\") + name + "\t\r\n";
    }
    inf += "[F0000.TXT]\r\nTargetDir=C:\\BigApp\r\n";
    wine.SetupInf(inf);
    SetupOptions options{{"OK"}};
    options.timeoutSeconds = 600;
    SetupRun run = wine.RunSetup(options);
    EXPECT_EQ(run.transcript, Transcript({OkBox("Big Sample", "Setup completed successfully")}));

    wine.PutFile("C:\\e2e\\entries.txt", list);
    wine.PutTestBinary("C:\\e2e\\profile_write.exe", "e2e_profile_write.exe");
    ProcessResult written =
        wine.RunWine({"C:\\e2e\\profile_write.exe", "C:\\windows\\REF.INI", "C:\\e2e\\entries.txt"}, 600);
    EXPECT_EQ(written.exitCode, 0);
    std::string reference = wine.ReadFile("C:\\windows\\REF.INI").value_or("<none>");
    EXPECT_EQ(reference.size() > earlier.size() + kFiles * 20, true);
    EXPECT_EQ(wine.ReadFile("C:\\windows\\BIG.INI").value_or("<none>"), reference);
}
