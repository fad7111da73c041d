// The top-level flow of SETUP.EXE on the fake machine: version check, initial
// question, phase chaining, outcome report and the restart offer.
#include <gtest/gtest.h>

#include "fake/fake_machine.h"
#include "setup/exit_codes.h"
#include "setup/setup_context.h"

namespace {

using fake::M;

class SetupDriver : public ::testing::Test {
protected:
    void SetUp() override { fake::Reset(); }

    static std::vector<std::string> BoxTexts() {
        std::vector<std::string> texts;
        for (const auto& box : M().boxes) texts.push_back(box.text);
        return texts;
    }
};

constexpr UINT kQuestion = MB_YESNO | MB_ICONQUESTION;

TEST_F(SetupDriver, EmptyScriptReportsSuccessWithoutIconUnderDefaultCaption) {
    fake::SetScript("");
    EXPECT_EQ(fake::RunSetup(), 0);
    ASSERT_EQ(M().boxes.size(), 1u);
    EXPECT_EQ(M().boxes[0].text, "Setup completed successfully");
    EXPECT_EQ(M().boxes[0].caption, "product");
    EXPECT_EQ(M().boxes[0].style, static_cast<UINT>(MB_OK));
    EXPECT_EQ(M().boxes[0].owner, nullptr);
}

TEST_F(SetupDriver, MissingScriptIsReportedAndNothingElseHappens) {
    // Run from the wrong folder: another script lies there, SETUP.INF does not.
    fake::WriteFile("C:\\MEDIA\\PLAN.INF", "[SETUP]\r\nInitialPrompt=1\r\nRequireMajorVersion=9\r\n");
    EXPECT_EQ(fake::RunSetup(), kExitCannotOpen);
    ASSERT_EQ(M().boxes.size(), 1u);
    EXPECT_EQ(M().boxes[0].text, "Unable to open file C:\\MEDIA\\SETUP.INF");
    EXPECT_EQ(M().boxes[0].caption, "product");
    EXPECT_EQ(M().boxes[0].style, static_cast<UINT>(MB_OK | MB_ICONHAND));
    EXPECT_EQ(M().boxes[0].owner, nullptr);
    // It ends before the version check: no phase, no log, no restart.
    EXPECT_EQ(fake::CountCalls("GetVersionExA"), 0);
    EXPECT_EQ(fake::CountCalls("WritePrivateProfileStringA"), 0);
    EXPECT_EQ(fake::CountCalls("CreateDialogParamA"), 0);
    EXPECT_TRUE(M().exitWindowsFlags.empty());
}

TEST_F(SetupDriver, DirectoryNamedLikeTheScriptIsNoScript) {
    fake::MakeDirectory("C:\\MEDIA\\SETUP.INF");
    EXPECT_EQ(fake::RunSetup(), kExitCannotOpen);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Unable to open file C:\\MEDIA\\SETUP.INF"});
}

TEST_F(SetupDriver, RequiredMajorVersionEqualToTheSystemsPasses) {
    fake::SetWindows95();
    fake::SetScript("[SETUP]\r\nRequireMajorVersion=4\r\n");
    fake::RunSetup();
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Setup completed successfully"});
    fake::Reset();
    fake::SetWindowsNT4();
    fake::SetScript("[SETUP]\r\nRequireMajorVersion=4\r\n");
    fake::RunSetup();
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Setup completed successfully"});
}

TEST_F(SetupDriver, NewerRequiredVersionEndsTheRunWithTheRequiresWindowsMessage) {
    fake::SetWindows95();
    fake::SetScript("[SETUP]\r\nRequireMajorVersion=5\r\nInitialPrompt=1\r\n");
    fake::RunSetup();
    ASSERT_EQ(M().boxes.size(), 1u);
    EXPECT_EQ(M().boxes[0].text, "product requires Windows 95 (5.0) or NT 5.0");
    EXPECT_EQ(M().boxes[0].caption, "product");
    EXPECT_EQ(M().boxes[0].style, static_cast<UINT>(MB_OK));
}

TEST_F(SetupDriver, WindowsNT351IsTooOldForVersion4) {
    fake::SetWindowsNT351();
    fake::SetScript("[SETUP]\r\nProduct=Sample Viewer\r\nRequireMajorVersion=4\r\n");
    fake::RunSetup();
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Sample Viewer requires Windows 95 (4.0) or NT 4.0"});
    EXPECT_EQ(M().boxes[0].caption, "Sample Viewer");
}

TEST_F(SetupDriver, InitialQuestionAnsweredNoStopsAfterStartUp) {
    fake::SetEnvironment("SAMPLE_HOME", "old");
    fake::SetScript(
        "[SETUP]\r\nProduct=Sample\r\nInitialPrompt=1\r\nUninstFile=SAMPLEUN.INI\r\n"
        "[SetEnv.WIN32]\r\nSAMPLE_HOME=\r\n[SAMPLE_HOME]\r\nDataFrom=ENVIRONMENT\r\nEnvironmentValue=%WINDIR%SAMPLE\r\n"
        "[AddFiles.WIN32]\r\nviewer.exe=\r\n");
    fake::WriteFile("C:\\MEDIA\\viewer.exe", "program");
    M().answers = {IDNO};
    fake::RunSetup();
    ASSERT_EQ(M().boxes.size(), 1u);
    EXPECT_EQ(M().boxes[0].text, "This will install Sample. Do you wish to continue?");
    EXPECT_EQ(M().boxes[0].caption, "Sample");
    EXPECT_EQ(M().boxes[0].style, kQuestion);
    // Start-up already ran: the environment phase and the log's Product entry.
    EXPECT_EQ(fake::GetEnvironment("SAMPLE_HOME").value_or("<unset>"), "C:\\WINDOWS\\SAMPLE");
    EXPECT_EQ(fake::ReadFile("C:\\WINDOWS\\SAMPLEUN.INI").value_or(""), "[UNINST]\r\nProduct=Sample\r\n");
    // Nothing after it did.
    EXPECT_TRUE(M().verInstallCalls.empty());
    EXPECT_FALSE(fake::FileExists("C:\\viewer.exe"));
}

TEST_F(SetupDriver, InitialQuestionAnsweredYesGoesOn) {
    fake::SetScript("[SETUP]\r\nInitialPrompt=7\r\n");
    M().answers = {IDYES};
    fake::RunSetup();
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"This will install product. Do you wish to continue?",
                                                    "Setup completed successfully"}));
}

TEST_F(SetupDriver, FailedMessageBoxDoesNotStopTheInitialQuestion) {
    fake::SetScript("[SETUP]\r\nInitialPrompt=1\r\n");
    // No answer left: the question box returns 0, which is not IDNO.
    fake::RunSetup();
    EXPECT_EQ(M().boxes.size(), 2u);
    EXPECT_EQ(M().boxes[1].text, "Setup completed successfully");
}

TEST_F(SetupDriver, SkippedMainPhaseReportsFailureWithEmptyTargetDirectory) {
    fake::SetScript(
        "[SetEnv.WIN32]\r\nAPPDIR=\r\n"
        "[APPDIR]\r\nDataFrom=REGISTRY\r\nRegistryRootKey=HKEY_LOCAL_MACHINE\r\n"
        "RegistryMidKey=Software\\Missing\r\nRegistryEndKey=Path\r\n"
        "[AddFiles.WIN32]\r\nviewer.exe=\r\n[viewer.exe]\r\nTargetDir=C:\\APP\r\n");
    fake::WriteFile("C:\\MEDIA\\viewer.exe", "program");
    fake::RunSetup();
    ASSERT_EQ(M().boxes.size(), 1u);
    EXPECT_EQ(M().boxes[0].text, "Setup failed for ");
    EXPECT_EQ(M().boxes[0].caption, "product");
    EXPECT_EQ(M().boxes[0].style, static_cast<UINT>(MB_ICONHAND));
    EXPECT_TRUE(M().verInstallCalls.empty());
}

TEST_F(SetupDriver, FailureMessageCarriesALongTargetDirectoryWhole) {
    std::string dir = "C:\\" + std::string(240, 'D');
    fake::MakeDirectory(dir);
    fake::SetScript("[AddFiles.WIN32]\r\nmissing.dll=\r\n[missing.dll]\r\nTargetDir=" + dir + "\r\n");
    fake::RunSetup();
    ASSERT_FALSE(M().boxes.empty());
    EXPECT_EQ(M().boxes.back().text, "Setup failed for " + dir);
    EXPECT_EQ(M().boxes.back().style, static_cast<UINT>(MB_ICONHAND));
}

// A destination in use: its replacement is staged for the next restart.
void ScriptStagedFile(const std::string& extraSections = "", const std::string& execList = "") {
    fake::MakeDirectory("C:\\APP");
    fake::WriteFile("C:\\MEDIA\\viewer.dll", "new");
    fake::WriteFile("C:\\APP\\viewer.dll", "old");
    M().files["C:\\APP\\viewer.dll"].inUse = true;
    fake::SetScript("[AddFiles.WIN32]\r\nviewer.dll=\r\n[viewer.dll]\r\nTargetDir=C:\\APP\\\r\n" + execList +
                    extraSections);
}

TEST_F(SetupDriver, StagedFileLeadsToRestartOfferAfterSuccess) {
    ScriptStagedFile();
    M().answers = {IDNO};
    fake::RunSetup();
    ASSERT_EQ(M().boxes.size(), 2u);
    EXPECT_EQ(M().boxes[0].text, "Setup completed successfully");
    EXPECT_EQ(M().boxes[1].text,
              "The system needs to be restarted to activate the changes.  Do you want to restart now?");
    EXPECT_EQ(M().boxes[1].caption, "product");
    EXPECT_EQ(M().boxes[1].style, kQuestion);
    EXPECT_TRUE(M().exitWindowsFlags.empty());
}

TEST_F(SetupDriver, RestartOfferFollowsTheFailureMessageWhenAProgramFails) {
    ScriptStagedFile("[ExecFiles.WIN32]\r\nnothere.exe=\r\n[nothere.exe]\r\nTargetDir=C:\\APP\\\r\n");
    M().answers = {IDNO};
    fake::RunSetup();
    ASSERT_GE(M().boxes.size(), 3u);
    EXPECT_EQ(M().boxes[M().boxes.size() - 2].text, "Setup failed for C:\\APP\\");
    EXPECT_EQ(M().boxes.back().text,
              "The system needs to be restarted to activate the changes.  Do you want to restart now?");
}

TEST_F(SetupDriver, RestartOnNT4AdjustsTheShutdownPrivilegeAndForces) {
    ScriptStagedFile();
    M().answers = {IDYES};
    fake::RunSetup();
    EXPECT_EQ(fake::CountCalls("OpenProcessToken"), 1);
    EXPECT_EQ(fake::CallsStartingWith("LookupPrivilegeValueA"),
              std::vector<std::string>{"LookupPrivilegeValueA SeShutdownPrivilege"});
    EXPECT_EQ(fake::CountCalls("AdjustTokenPrivileges"), 1);
    EXPECT_EQ(M().exitWindowsFlags, std::vector<UINT>{EWX_REBOOT | EWX_FORCE});
}

TEST_F(SetupDriver, RestartOnWindows2000AndLaterLetsProgramsSave) {
    fake::SetWindowsXP();
    ScriptStagedFile();
    M().answers = {IDYES};
    fake::RunSetup();
    EXPECT_EQ(M().exitWindowsFlags, std::vector<UINT>{EWX_REBOOT | EWX_FORCEIFHUNG});
}

TEST_F(SetupDriver, RestartOnWindows95NeedsNoToken) {
    fake::SetWindows95();
    M().tokenAvailable = false;
    ScriptStagedFile();
    M().answers = {IDYES};
    fake::RunSetup();
    EXPECT_EQ(fake::CountCalls("LookupPrivilegeValueA"), 0);
    EXPECT_EQ(fake::CountCalls("AdjustTokenPrivileges"), 0);
    EXPECT_EQ(M().exitWindowsFlags, std::vector<UINT>{EWX_REBOOT | EWX_FORCE});
}

TEST_F(SetupDriver, NoRestartOfferWithoutAStagedFile) {
    fake::MakeDirectory("C:\\APP");
    fake::WriteFile("C:\\MEDIA\\viewer.dll", "new");
    fake::SetScript("[AddFiles.WIN32]\r\nviewer.dll=\r\n[viewer.dll]\r\nTargetDir=C:\\APP\\\r\n");
    fake::RunSetup();
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Setup completed successfully"});
}

TEST_F(SetupDriver, NoRestartOfferWhenTheFilePhaseFailedAfterStaging) {
    ScriptStagedFile();
    // A second, required file that cannot be read ends the phase with failure.
    fake::SetScript("[AddFiles.WIN32]\r\nviewer.dll=\r\nmissing.dll=\r\n[viewer.dll]\r\nTargetDir=C:\\APP\\\r\n");
    fake::RunSetup();
    ASSERT_FALSE(M().boxes.empty());
    EXPECT_EQ(M().boxes.back().text, "Setup failed for C:\\APP\\");
    EXPECT_EQ(g_Setup.RestartNeeded, 1);
    EXPECT_TRUE(M().exitWindowsFlags.empty());
}

TEST_F(SetupDriver, PlatformFlagsComeFromTheVersionCalls) {
    fake::SetScript("");
    fake::SetWindows95();
    fake::RunSetup();
    EXPECT_EQ(g_Setup.PlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_WINDOWS));
    EXPECT_EQ(g_Setup.NonNtPlatform, 1);
    fake::Reset();
    fake::SetScript("");
    fake::RunSetup();
    EXPECT_EQ(g_Setup.PlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
    EXPECT_EQ(g_Setup.NonNtPlatform, 0);
}

TEST_F(SetupDriver, PreviousInstanceEndsAtOnce) {
    fake::SetScript("[SETUP]\r\nInitialPrompt=1\r\n");
    EXPECT_EQ(WinMain(nullptr, reinterpret_cast<HINSTANCE>(1), const_cast<char*>(""), SW_SHOW), 0);
    EXPECT_TRUE(M().boxes.empty());
}

TEST_F(SetupDriver, ProductNameWithPercentSignsIsShownAsWritten) {
    fake::SetScript("[SETUP]\r\nProduct=100%s %u Tools\r\nInitialPrompt=1\r\n");
    M().answers = {IDNO};
    fake::RunSetup();
    ASSERT_EQ(M().boxes.size(), 1u);
    EXPECT_EQ(M().boxes[0].text, "This will install 100%s %u Tools. Do you wish to continue?");
}

}  // namespace
