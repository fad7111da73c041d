// UNINST.EXE of the build under test ends every removal the way a caller can rely on:
// its exit codes reach a batch file's %ERRORLEVEL%, and each installation of a
// product keeps its own Add/Remove Programs entry, which a removal from inside the
// product directory takes with the directory, its log and itself.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "harness.h"

using namespace e2e;

namespace {

const char* const kUninstallKey = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

bool GoneWithin(const WineCase& wine, const std::string& winPath, int seconds) {
    for (int i = 0; i < seconds * 10; ++i) {
        if (!wine.Exists(winPath)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

SetupRun RunRemover(WineCase& wine, const std::string& program, const std::string& tail) {
    SetupOptions options;
    options.commandTail = tail;
    options.program = program;
    return wine.RunSetup(options);
}

}  // namespace

TEST(RemoverEnding, ExitCodesReachABatchFileThatStartsItAndWaits) {
    WineCase wine;
    wine.MediumFile("UNINST.EXE", ReadHostFile(BuildDir() + "/UNINST.EXE"));
    wine.PutFile("C:\\app\\a.dat", "a");
    wine.PutFile("C:\\app\\b.dat", "b");
    wine.PutFile("C:\\windows\\done.ini", "[UNINST]\r\nProduct=Done\r\n[UninstFiles]\r\nC:\\app\\a.dat=\r\n");
    wine.PutFile("C:\\windows\\asked.ini", "[UNINST]\r\nProduct=Asked\r\n[UninstFiles]\r\nC:\\app\\b.dat=\r\n");
    wine.PutFile("C:\\windows\\stuck.ini",
                 "[UNINST]\r\nProduct=Stuck\r\n[UninstExec]\r\nC:\\app\\gone.exe /remove=\r\n");
    wine.PutFile("C:\\windows\\junk.ini", "[UninstFiles]\r\nC:\\app\\b.dat=\r\n");
    // One start /wait per line and %ERRORLEVEL% read on the next, as a deployment
    // script does (on one line cmd would expand it before the program ran).
    const char* const kRows[][2] = {
        {"done", "/S done.ini"},               // removed: 0
        {"asked", "asked.ini"},                // No to the confirmation: 1602
        {"stuck", "/S stuck.ini"},             // a command that cannot start stays: 1603
        {"missing", "/S C:\\nowhere\\x.ini"},  // no such log: 1619
        {"junk", "/S junk.ini"},               // not an uninstall log: 1620
        {"badline", "/Q /S done.ini"},         // an unknown option: 87, and /S still means no box
    };
    std::string batch = "@echo off\r\n";
    for (const auto& row : kRows)
        batch += std::string("start /wait C:\\medium\\UNINST.EXE ") + row[1] + "\r\necho " + row[0] +
                 " %ERRORLEVEL% end>>C:\\e2e\\codes.txt\r\n";
    wine.PutFile("C:\\e2e\\codes.bat", batch);

    SetupOptions options;
    options.program = "C:\\windows\\system32\\cmd.exe";
    options.commandTail = "/c C:\\e2e\\codes.bat";
    options.watchedImage = "UNINST.EXE";
    options.answers = {"No"};
    SetupRun run = wine.RunSetup(options);

    EXPECT_EQ(wine.ReadFile("C:\\e2e\\codes.txt"),
              "done 0 end\r\nasked 1602 end\r\nstuck 1603 end\r\nmissing 1619 end\r\njunk 1620 end\r\n"
              "badline 87 end\r\n");
    // The one box of the six runs: the question answered No.
    EXPECT_EQ(run.transcript, Transcript({QuestionBox("Asked", "Remove Asked and all of its components?", "No")}));
    EXPECT_FALSE(wine.Exists("C:\\app\\a.dat"));
    EXPECT_TRUE(wine.Exists("C:\\app\\b.dat"));
    EXPECT_TRUE(wine.Exists("C:\\windows\\stuck.ini"));
}

TEST(RemoverEnding, TwoInstallationsOfOneProductKeepTheirOwnEntries) {
    WineCase wine;
    std::string remover = ReadHostFile(BuildDir() + "/UNINST.EXE");
    for (const std::string dir : {"C:\\one", "C:\\two"}) {
        wine.PutFile(dir + "\\uninst.exe", remover);
        wine.PutFile(dir + "\\view.dat", "program");
        // The log is the last thing in the product directory, as UninstFile=C:\...\app.ini leaves it.
        wine.PutFile(dir + "\\app.ini", "[UNINST]\r\nProduct=Same\r\n[UninstFiles]\r\n" + dir + "\\view.dat=\r\n" +
                                            dir + "\\uninst.exe=\r\n");
        SetupRun registered = RunRemover(wine, dir + "\\uninst.exe", "/register " + dir + "\\app.ini");
        EXPECT_EQ(registered.setup.exitCode, 0);
    }
    std::string first = std::string(kUninstallKey) + "Same", second = std::string(kUninstallKey) + "Same (2)";
    EXPECT_EQ(wine.RegQuery(first, "UninstallString"), "\"C:\\one\\uninst.exe\" \"C:\\one\\app.ini\"");
    EXPECT_EQ(wine.RegQuery(second, "UninstallString"), "\"C:\\two\\uninst.exe\" \"C:\\two\\app.ini\"");
    EXPECT_EQ(wine.RegQuery(second, "QuietUninstallString"), "\"C:\\two\\uninst.exe\" /S \"C:\\two\\app.ini\"");
    EXPECT_EQ(wine.RegQuery(second, "DisplayName"), "Same");

    // The second removed unattended, as a deployment tool runs QuietUninstallString.
    SetupRun removed = RunRemover(wine, "C:\\two\\uninst.exe", "/S \"C:\\two\\app.ini\"");
    EXPECT_EQ(removed.setup.exitCode, 0);
    EXPECT_EQ(removed.transcript, "");
    // Its copy takes the remover, the log and with them the directory.
    EXPECT_TRUE(GoneWithin(wine, "C:\\two", 30));
    EXPECT_EQ(wine.RegQuery(second, "DisplayName"), std::nullopt);
    // The first installation is untouched and still listed.
    EXPECT_TRUE(wine.Exists("C:\\one\\view.dat"));
    EXPECT_EQ(wine.RegQuery(first, "UninstallString"), "\"C:\\one\\uninst.exe\" \"C:\\one\\app.ini\"");
    ProcessResult listed = wine.RunWine({"uninstaller", "--list"}, 60);
    EXPECT_NE(ReadHostFile(listed.outputFile).find("Same"), std::string::npos);
}

TEST(RemoverEnding, AReinstallationBeforeTheRestartSurvivesIt) {
    WineCase wine;
    std::string remover = ReadHostFile(BuildDir() + "/UNINST.EXE");
    auto install = [&] {
        wine.PutFile("C:\\app\\uninst.exe", remover);
        wine.PutFile("C:\\app\\view.dat", "program");
        wine.PutFile("C:\\app\\app.ini",
                     "[UNINST]\r\nProduct=Again\r\n[UninstFiles]\r\nC:\\app\\view.dat=\r\nC:\\app\\uninst.exe=\r\n");
        EXPECT_EQ(RunRemover(wine, "C:\\app\\uninst.exe", "/register C:\\app\\app.ini").setup.exitCode, 0);
    };
    install();
    EXPECT_EQ(RunRemover(wine, "C:\\app\\uninst.exe", "/S C:\\app\\app.ini").setup.exitCode, 0);
    ASSERT_TRUE(GoneWithin(wine, "C:\\app", 30));
    install();
    wine.RebootWindows();
    // The restart carried out nothing of the first removal on the new installation.
    EXPECT_TRUE(wine.Exists("C:\\app\\uninst.exe"));
    EXPECT_TRUE(wine.Exists("C:\\app\\app.ini"));
    EXPECT_EQ(wine.RegQuery(std::string(kUninstallKey) + "Again", "UninstallString"),
              "\"C:\\app\\uninst.exe\" \"C:\\app\\app.ini\"");
}
