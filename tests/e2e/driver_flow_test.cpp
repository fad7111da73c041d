// The top-level flow of the real SETUP.EXE under Wine: version check, initial
// question, outcome report and the uninstall log's product entry.
#include <gtest/gtest.h>

#include "harness.h"

using namespace e2e;

namespace {

const char* const kProductTooOld5 = "product requires Windows 95 (5.0) or NT 5.0";
const char* const kProductTooOld4 = "product requires Windows 95 (4.0) or NT 4.0";
const char* const kSucceeded = "Setup completed successfully";

}  // namespace

TEST(SetupOutcome, EmptyScriptReportsSuccessUnderTheDefaultProductName) {
    WineCase wine;
    wine.SetupInf("");
    SetupRun run = wine.RunSetup({{"OK"}});
    EXPECT_TRUE(run.setup.finished);
    EXPECT_EQ(run.transcript, Transcript({OkBox("product", kSucceeded)}));
}

TEST(SetupOutcome, MissingScriptIsReportedWithItsPathAndNothingElseHappens) {
    WineCase wine;
    ASSERT_FALSE(wine.Exists("C:\\medium\\SETUP.INF"));
    SetupRun run = wine.RunSetup({{"OK"}});
    EXPECT_EQ(run.transcript, Transcript({StopBox("product", "Unable to open file C:\\medium\\SETUP.INF")}));
    EXPECT_TRUE(run.setup.finished);
}

TEST(SetupOutcome, ProductNameIsTheCaptionOfTheReport) {
    WineCase wine;
    wine.SetupInf("[SETUP]\r\nProduct=Sample Viewer 100%\r\n");
    SetupRun run = wine.RunSetup({{"OK"}});
    EXPECT_EQ(run.transcript, Transcript({OkBox("Sample Viewer 100%", kSucceeded)}));
}

TEST(SetupOutcome, CommandLineOptionsDoNotChangeTheRun) {
    WineCase wine;
    wine.SetupInf("[SETUP]\r\nProduct=Tail\r\n");
    SetupRun run = wine.RunSetup({{"OK"}, "/uninst \"C:\\some dir\\log.ini\" /unknown"});
    EXPECT_EQ(run.transcript, Transcript({OkBox("Tail", kSucceeded)}));
}

TEST(VersionCheck, MajorVersionFiveOnWindows95EndsTheRunWithTheRequiresWindowsMessage) {
    WineCase wine("win95");
    wine.SetupInf("[SETUP]\r\nRequireMajorVersion=5\r\nUninstFile=VERCHK.INI\r\n");
    SetupRun run = wine.RunSetup({{"OK"}});
    EXPECT_EQ(run.transcript, Transcript({OkBox("product", kProductTooOld5)}));
    // The log is opened before the check, so its product entry is there already.
    EXPECT_EQ(wine.IniValue("C:\\windows\\VERCHK.INI", "UNINST", "Product"), "product");
}

TEST(VersionCheck, MajorVersionFourOnNt351NamesFourTwice) {
    WineCase wine("nt351");
    wine.SetupInf("[SETUP]\r\nRequireMajorVersion=4\r\nInitialPrompt=1\r\n");
    SetupRun run = wine.RunSetup({{"OK"}});
    EXPECT_EQ(run.transcript, Transcript({OkBox("product", kProductTooOld4)}));
}

TEST(VersionCheck, MajorVersionFourPassesOnNt4) {
    WineCase wine("nt40");
    wine.SetupInf("[SETUP]\r\nRequireMajorVersion=4\r\n");
    SetupRun run = wine.RunSetup({{"OK"}});
    EXPECT_EQ(run.transcript, Transcript({OkBox("product", kSucceeded)}));
}

TEST(VersionCheck, MajorVersionFourPassesOnWindows95) {
    WineCase wine("win95");
    wine.SetupInf("[SETUP]\r\nRequireMajorVersion=4\r\n");
    SetupRun run = wine.RunSetup({{"OK"}});
    EXPECT_EQ(run.transcript, Transcript({OkBox("product", kSucceeded)}));
}

TEST(VersionCheck, MajorVersionFiveOnDefaultWineVersionPasses) {
    WineCase wine;  // reports 6.1
    wine.SetupInf("[SETUP]\r\nRequireMajorVersion=5\r\n");
    SetupRun run = wine.RunSetup({{"OK"}});
    EXPECT_EQ(run.transcript, Transcript({OkBox("product", kSucceeded)}));
}

TEST(InitialQuestion, AnsweredNoEndsTheRunWithNothingElseShown) {
    WineCase wine;
    wine.SetupInf("[SETUP]\r\nProduct=Sample Viewer\r\nInitialPrompt=1\r\n");
    SetupRun run = wine.RunSetup({{"No"}});
    EXPECT_EQ(run.transcript,
              Transcript({QuestionBox("Sample Viewer", "This will install Sample Viewer. Do you wish to continue?",
                                      "No")}));
}

TEST(InitialQuestion, AnsweredYesGoesOnToTheReport) {
    WineCase wine("win95");
    wine.SetupInf("[SETUP]\r\nProduct=Sample Viewer\r\nRequireMajorVersion=4\r\nInitialPrompt=1\r\n");
    SetupRun run = wine.RunSetup({{"Yes", "OK"}});
    EXPECT_EQ(run.transcript,
              Transcript({QuestionBox("Sample Viewer", "This will install Sample Viewer. Do you wish to continue?",
                                      "Yes"),
                          OkBox("Sample Viewer", kSucceeded)}));
}

TEST(InitialQuestion, DefaultProductNameFillsTheQuestion) {
    WineCase wine;
    wine.SetupInf("[SETUP]\r\nInitialPrompt=1\r\n");
    SetupRun run = wine.RunSetup({{"No"}});
    EXPECT_EQ(run.transcript,
              Transcript({QuestionBox("product", "This will install product. Do you wish to continue?", "No")}));
}

TEST(UninstallLog, BareNameIsCreatedInTheWindowsDirectoryWithTheProduct) {
    WineCase wine;
    wine.SetupInf("[SETUP]\r\nProduct=Sample Viewer\r\nUninstFile=SAMPLEUN.INI\r\n");
    ASSERT_FALSE(wine.Exists("C:\\windows\\SAMPLEUN.INI"));
    SetupRun run = wine.RunSetup({{"OK"}});
    EXPECT_EQ(run.transcript, Transcript({OkBox("Sample Viewer", kSucceeded)}));
    EXPECT_EQ(wine.IniValue("C:\\windows\\SAMPLEUN.INI", "UNINST", "Product"), "Sample Viewer");
    // Not beside the setup: a bare name means the Windows directory.
    EXPECT_FALSE(wine.Exists("C:\\medium\\SAMPLEUN.INI"));
}

TEST(UninstallLog, ProductEntryIsWrittenEvenWhenTheQuestionIsAnsweredNo) {
    WineCase wine;
    wine.SetupInf("[SETUP]\r\nProduct=Sample Viewer\r\nInitialPrompt=1\r\nUninstFile=SAMPLEUN.INI\r\n");
    SetupRun run = wine.RunSetup({{"No"}});
    EXPECT_EQ(run.transcript,
              Transcript({QuestionBox("Sample Viewer", "This will install Sample Viewer. Do you wish to continue?",
                                      "No")}));
    EXPECT_EQ(wine.IniValue("C:\\windows\\SAMPLEUN.INI", "UNINST", "Product"), "Sample Viewer");
}

TEST(UninstallLog, NoLogWithoutUninstFile) {
    WineCase wine;
    wine.SetupInf("[SETUP]\r\nProduct=Sample Viewer\r\n");
    std::vector<std::string> before = wine.ListDir("C:\\windows", "*.ini");
    SetupRun run = wine.RunSetup({{"OK"}});
    EXPECT_EQ(run.transcript, Transcript({OkBox("Sample Viewer", kSucceeded)}));
    EXPECT_EQ(wine.ListDir("C:\\windows", "*.ini"), before);
}
