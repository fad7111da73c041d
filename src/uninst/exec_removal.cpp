#include "platform/fixed_text.h"
#include "script/script_names.h"
#include "ui/run_trace.h"
#include "uninst/removal_log.h"
#include "uninst/removal_passes.h"
#include "uninst/removal_report.h"
#include "uninst/uninst_resource_ids.h"

namespace {
// A program's own clean-up must end before its files go; one that hangs must not
// keep the removal waiting for ever.
constexpr DWORD kCommandWaitMilliseconds = 60000;

using CommandLineText = FixedText<1024>;

// The command is started as logged: SETUP.EXE quoted a program path with blanks.
EntryOutcome RunRemovalCommand(const char* command) {
    ShowProgressItem(command);
    CommandLineText line;
    // CreateProcessA may write into the command line; a cut one would run something else.
    if (!line.Assign(command)) {
        ReportUnremovedItem(IDS_ITEM_NOT_STARTED, command);
        return EntryOutcome::Failed;
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        ReportUnremovedItem(IDS_ITEM_NOT_STARTED, command);
        return EntryOutcome::Failed;
    }
    // 0 once it ended, 102 (hex) when it still runs after the wait.
    TraceEvent("run %s: wait %x", command, WaitForSingleObject(process.hProcess, kCommandWaitMilliseconds));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return EntryOutcome::Handled;
}
}  // namespace

void RunExecRemoval() {
    RunLogSectionLastFirst(ScriptName::UninstExec, RunRemovalCommand);
}
