// The uninstall log: where it goes, the exact INI text it leaves, and that it is only
// ever added to.
#include <gtest/gtest.h>

#include <string>

#include "fake/fake_machine.h"
#include "setup/setup_context.h"
#include "uninstlog/uninstall_log.h"

namespace {

using fake::M;

class UninstallLog : public ::testing::Test {
protected:
    void SetUp() override {
        fake::Reset();
        fake::MakeDirectory("C:\\APP");
    }

    static void StartUp(const std::string& setupSection) {
        fake::SetScript("[SETUP]\r\n" + setupSection);
        InitSetupContext("SETUP.INF");
    }

    static void LogOneOfEach() {
        LogInstalledFile("C:\\APP\\SAMPLE.DLL");
        LogUninstallCommand("C:\\APP\\SETUPAPP.EXE /remove");
        LogRegisteredComponent("C:\\APP\\SAMPLE.DLL");
    }
};

TEST_F(UninstallLog, FreshFileHasTheSectionsInTheOrderFirstWritten) {
    StartUp("Product=Sample\r\nUninstFile=C:\\APP\\UNINST.INI\r\n");
    EXPECT_EQ(g_Setup.UninstallLogEnabled, 1);
    LogOneOfEach();
    LogInstalledFile("C:\\APP\\SAMPLE.HLP");
    EXPECT_EQ(fake::ReadFile("C:\\APP\\UNINST.INI").value_or("<none>"),
              "[UNINST]\r\nProduct=Sample\r\n"
              "[UninstFiles]\r\nC:\\APP\\SAMPLE.DLL=\r\nC:\\APP\\SAMPLE.HLP=\r\n"
              "[UninstExec]\r\nC:\\APP\\SETUPAPP.EXE /remove=\r\n"
              "[UninstRegister]\r\nC:\\APP\\SAMPLE.DLL=\r\n");
}

TEST_F(UninstallLog, SectionsFollowTheOrderOfTheirFirstEntries) {
    StartUp("Product=Sample\r\nUninstFile=C:\\APP\\UNINST.INI\r\n");
    LogRegisteredComponent("C:\\APP\\A.DLL");
    LogInstalledFile("C:\\APP\\B.DLL");
    EXPECT_EQ(fake::ReadFile("C:\\APP\\UNINST.INI").value_or("<none>"),
              "[UNINST]\r\nProduct=Sample\r\n[UninstRegister]\r\nC:\\APP\\A.DLL=\r\n[UninstFiles]\r\nC:\\APP\\B.DLL=\r\n");
}

TEST_F(UninstallLog, ExistingFileKeepsItsEntriesAndGainsTheNewOnes) {
    fake::WriteFile("C:\\APP\\UNINST.INI",
                    "[UNINST]\r\nProduct=Old Name\r\n"
                    "[Other]\r\nkeep=1\r\n"
                    "[UninstFiles]\r\nC:\\OLD\\A.DLL=\r\nc:\\app\\sample.dll=\r\n");
    StartUp("Product=Sample\r\nUninstFile=C:\\APP\\UNINST.INI\r\n");
    LogOneOfEach();
    EXPECT_EQ(fake::ReadFile("C:\\APP\\UNINST.INI").value_or("<none>"),
              "[UNINST]\r\nProduct=Sample\r\n"
              "[Other]\r\nkeep=1\r\n"
              "[UninstFiles]\r\nC:\\OLD\\A.DLL=\r\nc:\\app\\sample.dll=\r\n"
              "[UninstExec]\r\nC:\\APP\\SETUPAPP.EXE /remove=\r\n"
              "[UninstRegister]\r\nC:\\APP\\SAMPLE.DLL=\r\n");
}

TEST_F(UninstallLog, SameEntryTwiceGivesOneLine) {
    StartUp("Product=Sample\r\nUninstFile=C:\\APP\\UNINST.INI\r\n");
    LogInstalledFile("C:\\APP\\SAMPLE.DLL");
    LogInstalledFile("C:\\APP\\SAMPLE.DLL");
    LogInstalledFile("c:\\app\\Sample.dll");
    EXPECT_EQ(fake::ReadFile("C:\\APP\\UNINST.INI").value_or("<none>"),
              "[UNINST]\r\nProduct=Sample\r\n[UninstFiles]\r\nC:\\APP\\SAMPLE.DLL=\r\n");
}

TEST_F(UninstallLog, NoLogWhenUninstFileIsAbsentOrEmpty) {
    for (const char* setup : {"Product=Sample\r\n", "Product=Sample\r\nUninstFile=\r\n"}) {
        fake::Reset();
        StartUp(setup);
        size_t filesBefore = M().files.size();
        LogOneOfEach();
        EXPECT_EQ(g_Setup.UninstallLogEnabled, 0) << setup;
        EXPECT_TRUE(g_Setup.UninstLogPath.empty()) << setup;
        EXPECT_EQ(fake::CountCalls("WritePrivateProfileStringA"), 0) << setup;
        EXPECT_EQ(M().files.size(), filesBefore) << setup;
    }
}

TEST_F(UninstallLog, BareFileNameLandsInTheWindowsDirectory) {
    StartUp("Product=Sample\r\nUninstFile=SAMPLEUN.INI\r\n");
    LogInstalledFile("C:\\APP\\SAMPLE.DLL");
    EXPECT_EQ(fake::ReadFile("C:\\WINDOWS\\SAMPLEUN.INI").value_or("<none>"),
              "[UNINST]\r\nProduct=Sample\r\n[UninstFiles]\r\nC:\\APP\\SAMPLE.DLL=\r\n");
    EXPECT_FALSE(fake::FileExists("C:\\MEDIA\\SAMPLEUN.INI"));
}

TEST_F(UninstallLog, PathIsUsedWithoutExpansion) {
    StartUp("UninstFile=%WINDIR%UN.INI\r\n");
    EXPECT_STREQ(g_Setup.UninstLogPath.c_str(), "%WINDIR%UN.INI");
    EXPECT_EQ(fake::ReadFile("C:\\WINDOWS\\%WINDIR%UN.INI").value_or("<none>"), "[UNINST]\r\nProduct=product\r\n");
}

TEST_F(UninstallLog, EntryContainingAnEqualsSignIsWrittenUnchanged) {
    StartUp("Product=A=B\r\nUninstFile=C:\\APP\\UNINST.INI\r\n");
    LogUninstallCommand("C:\\APP\\SETUPAPP.EXE /mode=remove");
    EXPECT_EQ(fake::ReadFile("C:\\APP\\UNINST.INI").value_or("<none>"),
              "[UNINST]\r\nProduct=A=B\r\n[UninstExec]\r\nC:\\APP\\SETUPAPP.EXE /mode=remove=\r\n");
}

TEST_F(UninstallLog, FailedWriteIsIgnoredAndLaterWritesAreTriedAgain) {
    StartUp("Product=Sample\r\nUninstFile=C:\\APP\\UNINST.INI\r\n");
    // Both ways of writing fail for the first entry: the direct append and the
    // profile function the writer falls back on.
    fake::FailAlways("WriteFile");
    fake::FailAlways("WritePrivateProfileStringA");
    LogInstalledFile("C:\\APP\\LOST.DLL");
    M().failAlways.clear();
    LogInstalledFile("C:\\APP\\KEPT.DLL");
    EXPECT_EQ(fake::ReadFile("C:\\APP\\UNINST.INI").value_or("<none>"),
              "[UNINST]\r\nProduct=Sample\r\n[UninstFiles]\r\nC:\\APP\\KEPT.DLL=\r\n");
}

TEST_F(UninstallLog, LogInAMissingDirectoryIsNotCreated) {
    StartUp("Product=Sample\r\nUninstFile=C:\\NOWHERE\\UNINST.INI\r\n");
    LogInstalledFile("C:\\APP\\SAMPLE.DLL");
    EXPECT_EQ(g_Setup.UninstallLogEnabled, 1);
    EXPECT_FALSE(fake::FileExists("C:\\NOWHERE\\UNINST.INI"));
    EXPECT_FALSE(fake::DirectoryExists("C:\\NOWHERE"));
}

TEST_F(UninstallLog, ProductEntryIsWrittenEvenWhenTheRunStopsAtTheQuestion) {
    fake::SetScript("[SETUP]\r\nProduct=Sample\r\nInitialPrompt=1\r\nUninstFile=SAMPLEUN.INI\r\n"
                    "[AddFiles.WIN32]\r\nviewer.exe=\r\n[viewer.exe]\r\nTargetDir=C:\\APP\r\n");
    fake::WriteFile("C:\\MEDIA\\viewer.exe", "program");
    M().answers = {IDNO};
    fake::RunSetup();
    EXPECT_EQ(fake::ReadFile("C:\\WINDOWS\\SAMPLEUN.INI").value_or("<none>"), "[UNINST]\r\nProduct=Sample\r\n");
    EXPECT_FALSE(fake::FileExists("C:\\APP\\viewer.exe"));
}

TEST_F(UninstallLog, ProductEntryIsWrittenEvenWhenWindowsIsTooOld) {
    fake::SetWindowsNT351();
    fake::SetScript("[SETUP]\r\nProduct=Sample\r\nRequireMajorVersion=4\r\nUninstFile=SAMPLEUN.INI\r\n");
    fake::RunSetup();
    EXPECT_EQ(fake::ReadFile("C:\\WINDOWS\\SAMPLEUN.INI").value_or("<none>"), "[UNINST]\r\nProduct=Sample\r\n");
}

TEST_F(UninstallLog, ProductNameIsTheOneReadAtStartUp) {
    std::string name(200, 'p');
    StartUp("Product=" + name + "\r\nUninstFile=C:\\APP\\UNINST.INI\r\n");
    EXPECT_EQ(fake::ReadFile("C:\\APP\\UNINST.INI").value_or("<none>"),
              "[UNINST]\r\nProduct=" + name.substr(0, 127) + "\r\n");
}

}  // namespace
