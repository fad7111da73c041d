// The entry point and the whole top-level flow of an installation.
#include "actions/exec_phase.h"
#include "actions/file_install.h"
#include "actions/plugin_hosts.h"
#include "actions/register_phase.h"
#include "cmdline/arg_list.h"
#include "cmdline/option_parser.h"
#include "script/script_names.h"
#include "setup/restart.h"
#include "setup/setup_context.h"
#include "ui/messages.h"

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
    // Neither answer changes the flow; without a list there is nothing to check.
    if (SplitCommandLine(modulePath.c_str(), commandLine ? commandLine : "", &argumentCount, &arguments) == 0)
        CheckCommandLine(argumentCount, arguments);

    if (!InitSetupContext(ScriptName::SetupFile)) {
        ReportMissingScript();
        return 0;
    }

    OSVERSIONINFOA version;
    ReadWindowsVersion(version);

    if (WindowsTooOld(version)) return 0;
    if (UserDeclinesInstallation()) return 0;

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

    ReportOutcome(addFilesResult && execFilesResult && registerFilesResult);
    if (addFilesResult && g_Setup.RestartNeeded) OfferRestart(version.dwMajorVersion);
    return 0;
}
