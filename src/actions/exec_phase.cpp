#include "actions/exec_phase.h"

#include "actions/entry_list.h"
#include "script/script_names.h"
#include "setup/setup_context.h"
#include "ui/messages.h"
#include "uninstlog/uninstall_log.h"

namespace {

using ParameterText = FixedText<128>;
using CommandText = FixedText<256>;

bool HasBlank(std::string_view text) {
    return text.find_first_of(" \t") != std::string_view::npos;
}

bool HasQuote(std::string_view text) {
    return text.find('"') != std::string_view::npos;
}

// TARGETDIR and TARGETFILE joined as written (no separator), one blank, then the
// parameters. A program path with a blank is quoted: unquoted, Windows would try
// "C:\Program.exe" for "C:\Program Files\...". A path that already holds a quote
// was quoted by the script's author and stays as it is. Returns 0 when the command
// does not fit whole; `command` then holds as much of it as fits.
int ComposeCommand(CommandText& command, std::string_view parameters) {
    std::string_view directory = g_Setup.TARGETDIR.view();
    std::string_view file = g_Setup.TARGETFILE.view();
    bool quoted = (HasBlank(directory) || HasBlank(file)) && !HasQuote(directory) && !HasQuote(file);
    bool whole = true;
    command.Clear();
    if (quoted) whole = command.Append('"') && whole;
    whole = command.Append(directory) && whole;
    whole = command.Append(file) && whole;
    if (quoted) whole = command.Append('"') && whole;
    whole = command.Append(' ') && whole;
    whole = command.Append(parameters) && whole;
    return whole ? 1 : 0;
}

void ShowExecutionFailed(const CommandText& command) {
    MessageText caption;
    LoadCatalogueText(IDS_CAPTION_EXECUTION_FAILED, caption);
    ShowMessageBox(command.c_str(), caption.c_str(), MB_OK);
}

}  // namespace

int RunExecPhase(const char* listSection) {
    return RunEntryList(
        listSection, [](const char* section, const void*) { return ExecEntry(section); }, nullptr, 0);
}

int ExecEntry(const char* section) {
    const char* script = g_Setup.INFFILE.c_str();
    ReadEntryTarget(section, nullptr);

    ParameterText parameters;
    ReadScriptText(script, section, ScriptName::ExecParam, parameters);

    // A command that does not fit is not started: a cut one would run something else.
    CommandText command;
    bool started = false;
    if (ComposeCommand(command, parameters.view())) started = WinExec(command.c_str(), SW_SHOW) >= 32;
    if (!started && ReadScriptFlag(script, section, ScriptName::RequiredExec, 1)) {
        ShowExecutionFailed(command);
        return 0;
    }

    ReadScriptText(script, section, ScriptName::UninstExecParam, parameters);
    // Only a whole removal command is worth recording.
    if (!parameters.empty() && ComposeCommand(command, parameters.view())) LogUninstallCommand(command.c_str());
    return 1;
}
