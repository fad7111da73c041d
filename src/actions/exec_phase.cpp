#include "actions/exec_phase.h"

#include "actions/entry_list.h"
#include "script/script_names.h"
#include "setup/setup_context.h"
#include "ui/messages.h"
#include "ui/run_trace.h"
#include "uninstlog/uninstall_log.h"

// The program's path: TARGETDIR and TARGETFILE joined like the path of a file,
// with a backslash between them unless the directory already ends with one. Joined
// without it, "C:\APP" and "RUN.EXE" would name C:\APPRUN.EXE, a program anyone
// who can write to C:\ could plant. An empty directory leaves the bare name, which
// then cannot start. Returns 0 when the path does not fit; `path` then holds as much
// of it as fits, for the failure box.
int JoinProgramPath(PathText& path) {
    std::string_view directory = g_Setup.TARGETDIR.view();
    std::string_view file = g_Setup.TARGETFILE.view();
    path.Clear();
    if (directory.empty()) return path.Assign(file) ? 1 : 0;
    if (JoinPath(path, directory, file)) return 1;
    path.Assign(directory);
    if (directory.back() != '\\') path.Append('\\');
    path.Append(file);
    return 0;
}

// Whether the program is named by a full path. A quote that the script's author put
// before the path is not part of it.
bool IsFullProgramPath(std::string_view path) {
    if (!path.empty() && path.front() == '"') path.remove_prefix(1);
    return IsFullPath(path);
}

namespace {

using ParameterText = FixedText<128>;
using CommandText = FixedText<256>;

bool HasBlank(std::string_view text) {
    return text.find_first_of(" \t") != std::string_view::npos;
}

bool HasQuote(std::string_view text) {
    return text.find('"') != std::string_view::npos;
}

// The program's path, one blank, then the parameters. A path with a blank is quoted:
// unquoted, Windows would try "C:\Program.exe" for "C:\Program Files\...". A path
// that already holds a quote was quoted by the script's author and stays as it is.
// Returns 0 when the command cannot be started as it is: it does not fit whole
// (`command` then holds as much as fits), or its program has no full path and would
// be searched for along the current directory and PATH.
int ComposeCommand(CommandText& command, std::string_view parameters) {
    PathText path;
    bool whole = JoinProgramPath(path) != 0;
    bool quoted = HasBlank(path.view()) && !HasQuote(path.view());
    command.Clear();
    if (quoted) whole = command.Append('"') && whole;
    whole = command.Append(path.view()) && whole;
    if (quoted) whole = command.Append('"') && whole;
    whole = command.Append(' ') && whole;
    whole = command.Append(parameters) && whole;
    return whole && IsFullProgramPath(path.view()) ? 1 : 0;
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

    // A command that does not fit is not started: a cut one would run something else;
    // nor is a program without a full path, which would be searched for.
    CommandText command;
    bool started = false;
    if (ComposeCommand(command, parameters.view())) {
        UINT result = WinExec(command.c_str(), SW_SHOW);
        started = result >= 32;
        TraceEvent("run %s: WinExec %u", command.c_str(), result);
    } else {
        TraceEvent("run %s: not started (no full path, or too long)", command.c_str());
    }
    if (!started && ReadScriptFlag(script, section, ScriptName::RequiredExec, 1)) {
        ShowExecutionFailed(command);
        return 0;
    }

    ReadScriptText(script, section, ScriptName::UninstExecParam, parameters);
    // Only a whole removal command is worth recording.
    if (!parameters.empty() && ComposeCommand(command, parameters.view())) LogUninstallCommand(command.c_str());
    return 1;
}
