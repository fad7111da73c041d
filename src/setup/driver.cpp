// The entry point and the whole top-level flow of an installation.
#include "actions/exec_phase.h"
#include "actions/file_install.h"
#include "actions/plugin_hosts.h"
#include "actions/register_phase.h"
#include "cmdline/arg_list.h"
#include "cmdline/option_parser.h"
#include "script/script_names.h"
#include "setup/exit_codes.h"
#include "setup/restart.h"
#include "setup/setup_context.h"
#include "ui/messages.h"
#include "ui/run_trace.h"

namespace {

// Composed question and report texts: the longest value they carry is a 259-character
// directory, so 256 + 260 bytes hold any of them whole.
using ComposedText = FixedText<520>;

bool WindowsTooOld(const OSVERSIONINFOA& version) {
    UINT required = ReadRequireMajorVersion();
    if (required == 0 || required <= version.dwMajorVersion) return false;
    ComposedText text;
    ComposeCatalogueText(text, IDS_REQUIRES_WINDOWS, g_Setup.PRODUCTNAME.c_str(), required, required);
    ShowMessageBox(text.c_str(), g_Setup.PRODUCTNAME.c_str(), MB_OK);
    return true;
}

bool UserDeclinesInstallation() {
    if (ReadInitialPrompt() == 0) return false;
    ComposedText text;
    ComposeCatalogueText(text, IDS_INITIAL_PROMPT, g_Setup.PRODUCTNAME.c_str());
    return ShowMessageBox(text.c_str(), g_Setup.PRODUCTNAME.c_str(), MB_YESNO | MB_ICONQUESTION) == IDNO;
}

// Run from the wrong folder or from a damaged medium: nothing can be installed, and
// the user must not read that the setup succeeded.
void ReportMissingScript() {
    MessageText reason;
    LoadCatalogueText(IDS_UNABLE_TO_OPEN, reason);
    ComposedText text;
    text.Assign(reason.view());
    text.Append(' ');
    text.Append(g_Setup.INFFILE.view());
    ShowMessageBox(text.c_str(), g_Setup.PRODUCTNAME.c_str(), MB_OK | MB_ICONHAND);
}

void ReportOutcome(bool succeeded) {
    if (succeeded) {
        MessageText text;
        LoadCatalogueText(IDS_SETUP_SUCCEEDED, text);
        ShowMessageBox(text.c_str(), g_Setup.PRODUCTNAME.c_str(), MB_OK);
        return;
    }
    ComposedText text;
    ComposeCatalogueText(text, IDS_SETUP_FAILED, g_Setup.TARGETDIR.c_str());
    ShowMessageBox(text.c_str(), g_Setup.PRODUCTNAME.c_str(), MB_ICONHAND);
}

// The last line of the trace names the outcome and the code the caller reads.
int EndRun(const char* outcome, int exitCode) {
    TraceEvent("end: %s, exit code %u", outcome, exitCode);
    CloseRunTrace();
    return exitCode;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int /*showCommand*/) {
    if (previous != nullptr) return 0;
    g_Setup.ModuleInstance = instance;

    PathText modulePath;
    modulePath.Assign("SETUP.EXE");
    if (GetModuleFileNameA(instance, modulePath.data(), PathText::Capacity) == 0) modulePath.Assign("SETUP.EXE");
    modulePath.Terminate();

    int argumentCount = 0;
    char** arguments = nullptr;
    CommandLineFindings found = {0, nullptr};
    // The answer does not change the flow; without a list there is nothing to check.
    if (SplitCommandLine(modulePath.c_str(), commandLine ? commandLine : "", &argumentCount, &arguments) == 0)
        CheckCommandLine(argumentCount, arguments, &found);
    g_Setup.Silent = found.Silent;
    OpenRunTrace(found.TracePath);
    TraceEvent("SETUP.EXE " SETUP_VERSION_TEXT " %s, command line: %s", modulePath.c_str(),
               commandLine ? commandLine : "");

    if (!InitSetupContext(ScriptName::SetupFile)) {
        ReportMissingScript();
        return EndRun("the script cannot be opened", kExitCannotOpen);
    }

    OSVERSIONINFOA version;
    ReadWindowsVersion(version);
    // The Windows 95 family keeps its version in the build number's high word.
    TraceEvent("Windows %u.%u build %u, platform %u", version.dwMajorVersion, version.dwMinorVersion,
               version.dwBuildNumber & 0xFFFF, version.dwPlatformId);

    if (WindowsTooOld(version)) return EndRun("Windows is too old", kExitWindowsTooOld);
    if (UserDeclinesInstallation()) return EndRun("declined", kExitUserDeclined);

    g_Setup.NonNtPlatform = 0;
    if (GetVersion() & 0x80000000u) g_Setup.NonNtPlatform = 1;

    int addFilesResult = 0;
    int execFilesResult = 0;
    int registerFilesResult = 0;
    RunPluginHostPhase(&addFilesResult);
    if (g_Setup.RegistryValueMissing == 0) addFilesResult = RunFilePhase(ScriptName::AddFiles, nullptr);
    if (addFilesResult) {
        execFilesResult = RunExecPhase(ScriptName::ExecFiles);
        if (execFilesResult) registerFilesResult = RunRegisterPhase(ScriptName::RegisterFiles);
    }

    bool succeeded = addFilesResult && execFilesResult && registerFilesResult;
    ReportOutcome(succeeded);
    if (!addFilesResult || !g_Setup.RestartNeeded) {
        if (succeeded) return EndRun("installed", kExitSuccess);
        return EndRun("failed", kExitFailed);
    }
    TraceEvent("restart needed: %u file(s) staged", g_Setup.StagedFileCount);
    // Unattended, nobody may be working at the machine to agree: the caller restarts.
    bool restarted = !g_Setup.Silent && OfferRestart(version.dwMajorVersion);
    // A failure stays a failure whatever the restart: the caller must not take it for
    // an installation.
    if (!succeeded) return EndRun(restarted ? "failed, restart started" : "failed, restart not made", kExitFailed);
    if (restarted) return EndRun("installed, restart started", kExitRestartStarted);
    return EndRun("installed, restart not made", kExitRestartRequired);
}
