// UNINST.EXE of the win64 build under Wine: the sample medium installed by SETUP.EXE
// and removed again, files held open on both Windows families, the Add/Remove
// Programs entry as Wine's own uninstaller lists it, bad logs and unattended runs.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "harness.h"

using namespace e2e;

namespace {

const char* const kProduct = "Sample Viewer";
const char* const kSystemCore = "C:\\windows\\system32\\sampcore.dll";
const char* const kRemover = "C:\\windows\\SAMPLE\\uninst.exe";
const char* const kHandlerKey = "HKCU\\Software\\Sample Software\\Sample Viewer\\Handler";
const char* const kArpKey = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sample Viewer";

std::string SampleFile(const std::string& name) { return ReadHostFile(BuildDir() + "/sample/" + name); }

// The remover in the product directory hands its own file to a copy that ends
// after it: wait (bounded) until what the copy removes is gone.
bool GoneWithin(const WineCase& wine, const std::string& winPath, int seconds) {
    for (int i = 0; i < seconds * 10; ++i) {
        if (!wine.Exists(winPath)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

std::string ListedPrograms(WineCase& wine) {
    ProcessResult listed = wine.RunWine({"uninstaller", "--list"}, 60);
    return ReadHostFile(listed.outputFile);
}

SetupRun RunRemover(WineCase& wine, const std::string& program, const std::string& tail,
                    const std::vector<std::string>& answers) {
    SetupOptions options;
    options.answers = answers;
    options.commandTail = tail;
    options.program = program;
    return wine.RunSetup(options);
}

// A log of two files in C:\app, the remover on the medium.
void PrepareTwoFiles(WineCase& wine) {
    wine.PutFile("C:\\app\\held.dat", "held");
    wine.PutFile("C:\\app\\free.dat", "free");
    wine.PutFile("C:\\windows\\two.ini",
                 "[UNINST]\r\nProduct=Two Files\r\n[UninstFiles]\r\nC:\\app\\held.dat=\r\nC:\\app\\free.dat=\r\n");
    wine.MediumFile("UNINST.EXE", ReadHostFile(BuildDir() + "/UNINST.EXE"));
}

}  // namespace

TEST(Remover, RemovesTheSampleMediumKeepingTheSharedLibraryAndLeavingNoProductDirectory) {
    WineCase wine;
    wine.UseMedium(SampleMediumDir());
    wine.PutFile(kSystemCore, SampleFile("sampcore_newer.dll"));
    wine.RunSetup({{"Yes", "Yes", "OK"}});
    ASSERT_TRUE(wine.Exists(kRemover));
    ASSERT_TRUE(wine.Exists("C:\\windows\\SAMPLE\\viewer.ini"));
    ASSERT_TRUE(wine.RegQuery(kHandlerKey, "Path"));
    // Setup ran "uninst.exe /register SAMPVIEW.INI": Wine's own list shows the product.
    EXPECT_EQ(wine.RegQuery(kArpKey, "UninstallString"),
              "\"C:\\windows\\SAMPLE\\uninst.exe\" \"C:\\windows\\SAMPVIEW.INI\"");
    EXPECT_NE(ListedPrograms(wine).find(kProduct), std::string::npos);

    // The remover lies in the product directory and is started as the list starts it.
    // The newer sampcore.dll was kept at installation: it is another product's, and
    // nobody is asked about it.
    SetupRun run = RunRemover(wine, kRemover, "\"C:\\windows\\SAMPVIEW.INI\"", {"Yes", "OK"});
    EXPECT_EQ(run.setup.exitCode, 0);
    EXPECT_EQ(run.transcript,
              Transcript({QuestionBox(kProduct, "Remove Sample Viewer and all of its components?", "Yes"),
                          OkBox(kProduct, "Sample Viewer was removed successfully")}));

    // viewer.exe /uninstall ran while viewer.exe was still there: its settings are gone.
    EXPECT_FALSE(wine.Exists("C:\\windows\\SAMPLE\\viewer.ini"));
    EXPECT_EQ(wine.RegQuery(kHandlerKey, "Path"), std::nullopt);
    EXPECT_EQ(wine.ReadFile(kSystemCore), SampleFile("sampcore_newer.dll"));
    EXPECT_TRUE(GoneWithin(wine, "C:\\windows\\SAMPLE", 30));
    EXPECT_FALSE(wine.Exists("C:\\windows\\SAMPVIEW.INI"));
    EXPECT_EQ(wine.RegQuery(kArpKey, "DisplayName"), std::nullopt);
    EXPECT_EQ(ListedPrograms(wine).find(kProduct), std::string::npos);
}

TEST(Remover, FileHeldOpenOnNtGoesAtTheNextStart) {
    WineCase wine("nt40");
    PrepareTwoFiles(wine);
    wine.HoldFile("C:\\app\\held.dat");
    SetupRun run = RunRemover(wine, "C:\\medium\\UNINST.EXE", "two.ini", {"Yes", "OK", "No"});
    // 3010, the restart still to be made (wine64 hands the host the code modulo 256).
    EXPECT_EQ(run.setup.exitCode, 3010 % 256);
    EXPECT_NE(run.transcript.find("The system needs to be restarted"), std::string::npos) << run.transcript;
    EXPECT_FALSE(wine.Exists("C:\\app\\free.dat"));
    ASSERT_TRUE(wine.Exists("C:\\app\\held.dat"));
    EXPECT_NE(wine.PendingFileRenames().value_or("").find("held.dat"), std::string::npos);
    EXPECT_FALSE(wine.Exists("C:\\windows\\two.ini"));
    wine.ReleaseFile("C:\\app\\held.dat");
    wine.RebootWindows();
    EXPECT_FALSE(wine.Exists("C:\\app\\held.dat"));
}

TEST(Remover, FileHeldOpenOnWindows95GoesThroughWininit) {
    WineCase wine("win95");
    PrepareTwoFiles(wine);
    wine.HoldFile("C:\\app\\held.dat");
    SetupRun run = RunRemover(wine, "C:\\medium\\UNINST.EXE", "/S two.ini", {});
    EXPECT_EQ(run.setup.exitCode, 3010 % 256);
    EXPECT_EQ(run.transcript, "");
    std::optional<std::string> wininit = wine.ReadFile("C:\\windows\\wininit.ini");
    ASSERT_TRUE(wininit);
    EXPECT_NE(wininit->find("NUL="), std::string::npos) << *wininit;
    EXPECT_TRUE(wine.Exists("C:\\app\\held.dat"));
    wine.ReleaseFile("C:\\app\\held.dat");
    wine.RebootWindows();
    EXPECT_FALSE(wine.Exists("C:\\app\\held.dat"));
}

TEST(Remover, GarbageLogIsNotAnUninstallLogAndRemovesNothing) {
    WineCase wine;
    wine.MediumFile("UNINST.EXE", ReadHostFile(BuildDir() + "/UNINST.EXE"));
    wine.PutFile("C:\\app\\keep.dat", "keep");
    wine.PutFile("C:\\windows\\junk.ini",
                 std::string("\x7f" "ELF\x02\x01\x01\0\0\0[UninstFiles]\nC:\\app\\keep.dat=\n", 38));
    SetupRun run = RunRemover(wine, "C:\\medium\\UNINST.EXE", "C:\\windows\\junk.ini", {"OK"});
    EXPECT_EQ(run.setup.exitCode, 1620 % 256);
    EXPECT_EQ(run.transcript,
              Transcript({StopBox("Uninstall", "C:\\windows\\junk.ini is not an uninstall log. Nothing was removed.")}));
    EXPECT_TRUE(wine.Exists("C:\\app\\keep.dat"));
    EXPECT_TRUE(wine.Exists("C:\\windows\\junk.ini"));
}

TEST(Remover, SilentRunAnswersWithItsExitCode) {
    WineCase wine;
    wine.MediumFile("UNINST.EXE", ReadHostFile(BuildDir() + "/UNINST.EXE"));
    wine.PutFile("C:\\app\\a.dat", "a");
    // A relative entry can never be carried out: it leaves the log, and the run is done.
    wine.PutFile("C:\\windows\\part.ini",
                 "[UNINST]\r\nProduct=Part\r\n[UninstFiles]\r\nC:\\app\\a.dat=\r\nrelative.dat=\r\n");
    SetupRun run = RunRemover(wine, "C:\\medium\\UNINST.EXE", "/S part.ini", {});
    EXPECT_EQ(run.setup.exitCode, 0);
    EXPECT_EQ(run.transcript, "");
    EXPECT_FALSE(wine.Exists("C:\\app\\a.dat"));
    EXPECT_FALSE(wine.Exists("C:\\windows\\part.ini"));
    SetupRun missing = RunRemover(wine, "C:\\medium\\UNINST.EXE", "/S C:\\nowhere\\x.ini", {});
    EXPECT_EQ(missing.setup.exitCode, 1619 % 256);
}
