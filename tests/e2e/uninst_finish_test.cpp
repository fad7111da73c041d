// UNINST.EXE of the build under test ends every removal the way a caller can rely on:
// its exit codes reach a batch file's %ERRORLEVEL%, a caller that waits gets them
// once the removal is done, each installation of a product keeps its own Add/Remove
// Programs entry, which a removal from inside the product directory takes with the
// directory, its log and itself, and a product renamed since it was registered
// leaves no entry behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
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

// The whole Uninstall list as `reg query /s` prints it, in lower case; "" when it
// cannot be read.
std::string UninstallList(WineCase& wine) {
    ProcessResult r = wine.RunWine({"reg", "query", "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
                                    "/s", BuildUnderTest() == BuildKind::Win32 ? "/reg:32" : "/reg:64"});
    if (!r.finished || r.exitCode != 0) return "";
    std::string text = ReadHostFile(r.outputFile);
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
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

TEST(RemoverEnding, AQuietRemovalReturnsToACallerThatWaitsOnlyWhenItIsDone) {
    WineCase wine;
    wine.PutFile("C:\\app\\uninst.exe", ReadHostFile(BuildDir() + "/UNINST.EXE"));
    wine.PutFile("C:\\app\\view.dat", "program");
    wine.PutFile("C:\\app\\app.ini",
                 "[UNINST]\r\nProduct=Quiet\r\n[UninstCreatedDirs]\r\nC:\\app=\r\n[UninstFiles]\r\n"
                 "C:\\app\\view.dat=\r\nC:\\app\\uninst.exe=\r\n");
    ASSERT_EQ(RunRemover(wine, "C:\\app\\uninst.exe", "/register C:\\app\\app.ini").setup.exitCode, 0);
    // A deployment script runs QuietUninstallString and looks at once: the state it
    // sees on the line after start /wait is what the remover returned in. The same
    // query before the removal shows that it sees the entry while it is there.
    const std::string key = std::string(kUninstallKey) + "Quiet";
    const std::string query = "reg query \"" + key + "\" >";
    wine.PutFile("C:\\e2e\\quiet.bat", "@echo off\r\n" + query + "C:\\e2e\\before.txt 2>&1\r\n" +
                                           "echo BEFORE=%ERRORLEVEL% >C:\\e2e\\codes.txt\r\n"
                                           "start /wait \"\" \"C:\\app\\uninst.exe\" /S \"C:\\app\\app.ini\"\r\n"
                                           "echo EXIT=%ERRORLEVEL% >>C:\\e2e\\codes.txt\r\n"
                                           "echo left:>C:\\e2e\\left.txt\r\n"
                                           "if exist C:\\app\\app.ini echo log>>C:\\e2e\\left.txt\r\n"
                                           "if exist C:\\app\\app.in$ echo plan>>C:\\e2e\\left.txt\r\n"
                                           "if exist C:\\app\\view.dat echo view.dat>>C:\\e2e\\left.txt\r\n" +
                                           query + "C:\\e2e\\after.txt 2>&1\r\n" +
                                           "echo AFTER=%ERRORLEVEL% >>C:\\e2e\\codes.txt\r\n");
    SetupOptions options;
    options.program = "C:\\windows\\system32\\cmd.exe";
    options.commandTail = "/c C:\\e2e\\quiet.bat";
    options.watchedImage = "uninst.exe";
    SetupRun run = wine.RunSetup(options);

    EXPECT_EQ(wine.ReadFile("C:\\e2e\\codes.txt"), "BEFORE=0 \r\nEXIT=0 \r\nAFTER=1 \r\n")
        << wine.ReadFile("C:\\e2e\\before.txt").value_or("") << wine.ReadFile("C:\\e2e\\after.txt").value_or("");
    EXPECT_NE(wine.ReadFile("C:\\e2e\\before.txt").value_or("").find("UninstallString"), std::string::npos);
    EXPECT_EQ(wine.ReadFile("C:\\e2e\\after.txt").value_or("").find("UninstallString"), std::string::npos);
    // Only the remover's own file (and with it the directory) may still be there then.
    EXPECT_EQ(wine.ReadFile("C:\\e2e\\left.txt"), "left:\r\n");
    EXPECT_EQ(run.transcript, "");
    EXPECT_TRUE(GoneWithin(wine, "C:\\app\\uninst.exe", 30));
    EXPECT_TRUE(GoneWithin(wine, "C:\\app", 30));
}

// A product renamed between versions keeps one log; whatever names its entries
// have, none is left that names the log once the product is removed.
struct RenameCase {
    const char* name;
    bool registeredAgain;  // the new version ran /register under the new name
};

void PrintTo(const RenameCase& row, std::ostream* out) {
    *out << row.name;
}

class RemoverRenamedProduct : public ::testing::TestWithParam<RenameCase> {};

TEST_P(RemoverRenamedProduct, NoEntryNamesTheLogAfterTheRemoval) {
    const RenameCase& row = GetParam();
    WineCase wine;
    wine.MediumFile("UNINST.EXE", ReadHostFile(BuildDir() + "/UNINST.EXE"));
    wine.PutFile("C:\\app\\view.dat", "program");
    const std::string files = "[UninstFiles]\r\nC:\\app\\view.dat=\r\n";
    wine.PutFile("C:\\windows\\renamed.ini", "[UNINST]\r\nProduct=Old Name\r\n" + files);
    ASSERT_EQ(RunRemover(wine, "C:\\medium\\UNINST.EXE", "/register C:\\windows\\renamed.ini").setup.exitCode, 0);
    ASSERT_EQ(wine.RegQuery(std::string(kUninstallKey) + "Old Name", "UninstallString"),
              "\"C:\\medium\\UNINST.EXE\" \"C:\\windows\\renamed.ini\"");
    wine.PutFile("C:\\windows\\renamed.ini", "[UNINST]\r\nProduct=New Name\r\n" + files);
    if (row.registeredAgain) {
        ASSERT_EQ(RunRemover(wine, "C:\\medium\\UNINST.EXE", "/register C:\\windows\\renamed.ini").setup.exitCode, 0);
    }
    ASSERT_NE(UninstallList(wine).find("renamed.ini"), std::string::npos);

    SetupRun run = RunRemover(wine, "C:\\medium\\UNINST.EXE", "/S C:\\windows\\renamed.ini");
    EXPECT_EQ(run.setup.exitCode, 0);
    EXPECT_FALSE(wine.Exists("C:\\app\\view.dat"));
    EXPECT_FALSE(wine.Exists("C:\\windows\\renamed.ini"));
    std::string list = UninstallList(wine);
    ASSERT_FALSE(list.empty()) << "the Uninstall list could not be read";
    EXPECT_EQ(list.find("renamed.ini"), std::string::npos) << list;
}

INSTANTIATE_TEST_SUITE_P(Renames, RemoverRenamedProduct,
                         ::testing::Values(RenameCase{"RegisteredAgainUnderTheNewName", true},
                                           RenameCase{"RegisteredOnlyUnderTheOldName", false}),
                         [](const ::testing::TestParamInfo<RenameCase>& info) { return std::string(info.param.name); });
