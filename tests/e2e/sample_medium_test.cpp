// The demo's Sample Viewer medium (sample/) installed by the real SETUP.EXE: every
// phase of a real script, as the user sees it and as it lands on disk.
#include <gtest/gtest.h>

#include "harness.h"

using namespace e2e;

namespace {

const char* const kProduct = "Sample Viewer";
const char* const kQuestion = "This will install Sample Viewer. Do you wish to continue?";
const char* const kOlderCore =
    "The source file sampcore.dll is older than the destination file. \nDo you want to keep the existing file?";
// The progress window, centred on the 1024x768 screen, naming the file being copied.
const char* const kProgressAtCore =
    "caption=Sample Viewer; label=Copying files; file=C:\\\\windows\\\\system32\\\\sampcore.dll; "
    "rect=304,338,416,91; screen=1024,768";
const char* const kSystemCore = "C:\\windows\\system32\\sampcore.dll";

std::string SampleFile(const std::string& name) {
    return ReadHostFile(BuildDir() + "/sample/" + name);
}

// The product directory is logged as created before its first file; a kept newer
// sampcore.dll is logged as kept just before its own entry.
std::string UninstallLog(bool keptCore) {
    return std::string("[UNINST]\r\nProduct=Sample Viewer\r\n"
                       "[UninstCreatedDirs]\r\nC:\\windows\\SAMPLE\\=\r\n"
                       "[UninstFiles]\r\n"
                       "C:\\windows\\SAMPLE\\viewer.exe=\r\nC:\\windows\\SAMPLE\\readme.txt=\r\n"
                       "C:\\windows\\SAMPLE\\sampreg.dll=\r\nC:\\windows\\system32\\sampcore.dll=\r\n"
                       "C:\\windows\\SAMPLE\\uninst.exe=\r\n") +
           (keptCore ? "[UninstKeptFiles]\r\nC:\\windows\\system32\\sampcore.dll=\r\n" : "") +
           "[UninstExec]\r\nC:\\windows\\SAMPLE\\viewer.exe /uninstall=\r\n"
           "[UninstRegister]\r\nC:\\windows\\SAMPLE\\sampreg.dll=\r\n";
}

}  // namespace

TEST(SampleMedium, InstallsKeepingTheNewerSharedLibraryWhenTheUserSaysYes) {
    WineCase wine("win95");
    wine.UseMedium(SampleMediumDir());
    wine.PutFile(kSystemCore, SampleFile("sampcore_newer.dll"));
    SetupRun run = wine.RunSetup({{"Yes", "Yes", "OK"}});
    EXPECT_EQ(run.transcript, Transcript({QuestionBox(kProduct, kQuestion, "Yes"),
                                          QuestionBox(kProduct, kOlderCore, "Yes", kProgressAtCore),
                                          OkBox(kProduct, "Setup completed successfully")}));

    EXPECT_EQ(wine.ReadFile("C:\\windows\\SAMPLE\\viewer.exe"), SampleFile("medium/viewer.exe"));
    EXPECT_EQ(wine.ReadFile("C:\\windows\\SAMPLE\\readme.txt"), SampleFile("medium/README.TXT"));
    EXPECT_EQ(wine.ReadFile("C:\\windows\\SAMPLE\\sampreg.dll"), SampleFile("medium/sampreg.dll"));
    EXPECT_EQ(wine.ReadFile(kSystemCore), SampleFile("sampcore_newer.dll"));
    // The version check's temporary copy does not stay behind.
    EXPECT_EQ(wine.ListDir("C:\\windows\\system32", "ver*.tmp"), std::vector<std::string>{});

    // viewer.exe /setup ran after the copy with the script's variables.
    EXPECT_EQ(wine.ReadFile("C:\\windows\\SAMPLE\\viewer.ini"),
              "[Viewer]\r\nHome=C:\\windows\\SAMPLE\\\r\nInstalledFrom=C:\\medium\\\r\nCoreVersion=1.3.0.0\r\n");
    EXPECT_EQ(wine.RegQuery("HKCU\\Software\\Sample Software\\Sample Viewer\\Handler", "Path"),
              "C:\\windows\\SAMPLE\\sampreg.dll");
    EXPECT_EQ(wine.ReadFile("C:\\windows\\SAMPVIEW.INI"), UninstallLog(true));
}

TEST(SampleMedium, OlderSharedLibraryReplacesTheNewerWhenTheUserSaysNo) {
    WineCase wine("nt40");
    wine.UseMedium(SampleMediumDir());
    wine.PutFile(kSystemCore, SampleFile("sampcore_newer.dll"));
    SetupRun run = wine.RunSetup({{"Yes", "No", "OK"}});
    EXPECT_EQ(run.transcript, Transcript({QuestionBox(kProduct, kQuestion, "Yes"),
                                          QuestionBox(kProduct, kOlderCore, "No", kProgressAtCore),
                                          OkBox(kProduct, "Setup completed successfully")}));
    EXPECT_EQ(wine.ReadFile(kSystemCore), SampleFile("medium/sampcore.dll"));
    EXPECT_EQ(wine.ListDir("C:\\windows\\system32", "ver*.tmp"), std::vector<std::string>{});
    EXPECT_EQ(wine.IniValue("C:\\windows\\SAMPLE\\viewer.ini", "Viewer", "CoreVersion"), "1.2.0.0");
}

TEST(SampleMedium, FreshWindows95MachineGetsEverythingWithoutFurtherQuestions) {
    WineCase wine("win95");
    wine.UseMedium(SampleMediumDir());
    ASSERT_FALSE(wine.Exists(kSystemCore));
    SetupRun run = wine.RunSetup({{"Yes", "OK"}});
    EXPECT_EQ(run.transcript,
              Transcript({QuestionBox(kProduct, kQuestion, "Yes"), OkBox(kProduct, "Setup completed successfully")}));
    EXPECT_EQ(wine.ReadFile(kSystemCore), SampleFile("medium/sampcore.dll"));
    EXPECT_EQ(wine.ReadFile("C:\\windows\\SAMPVIEW.INI"), UninstallLog(false));
    EXPECT_EQ(wine.IniValue("C:\\windows\\SAMPLE\\viewer.ini", "Viewer", "CoreVersion"), "1.2.0.0");
}

TEST(SampleMedium, DecliningTheInstallationLeavesOnlyTheLogsProductEntry) {
    WineCase wine;
    wine.UseMedium(SampleMediumDir());
    SetupRun run = wine.RunSetup({{"No"}});
    EXPECT_EQ(run.transcript, Transcript({QuestionBox(kProduct, kQuestion, "No")}));
    EXPECT_FALSE(wine.Exists("C:\\windows\\SAMPLE"));
    EXPECT_FALSE(wine.Exists(kSystemCore));
    EXPECT_EQ(wine.ReadFile("C:\\windows\\SAMPVIEW.INI"), "[UNINST]\r\nProduct=Sample Viewer\r\n");
    EXPECT_EQ(wine.RegQuery("HKCU\\Software\\Sample Software\\Sample Viewer\\Handler", "Path"), std::nullopt);
}
