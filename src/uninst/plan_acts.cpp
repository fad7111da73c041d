#include "uninst/plan_acts.h"

#include "setup/setup_context.h"
#include "ui/run_trace.h"
#include "uninst/deletion_staging.h"
#include "uninst/directory_removal.h"
#include "uninst/log_paths.h"
#include "uninst/removal_plan.h"
#include "uninst/removal_report.h"
#include "uninst/shared_counts.h"
#include "uninst/uninst_progress.h"
#include "uninst/uninst_resource_ids.h"
#include "uninst/uninst_state.h"

namespace {
// A program's own clean-up must end before its files go; one that hangs must not
// keep the removal waiting for ever.
constexpr DWORD kCommandWaitMilliseconds = 60000;
// A batch of marks is written at the latest after this long.
constexpr DWORD kBatchMilliseconds = 2000;

using CommandLineText = FixedText<1024>;
using UnregisterServerProc = HRESULT(WINAPI*)();

bool IsGone(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Windows reports a file held open as a sharing violation, and a running program
// or a loaded DLL as access denied: both are deleted at the next start.
bool IsInUse(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED;
}

// Started as logged: SETUP.EXE quoted a program path with blanks. Marked before it
// starts; a start that failed is marked pending again.
BYTE RunRemovalCommand(const char* command) {
    CommandLineText line;
    line.Assign(command);  // the plan holds only commands that fit
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        ReportUnremovedItem(IDS_ITEM_NOT_STARTED, command);
        return ActPending;
    }
    // 0 once it ended, 102 (hex) when it still runs after the wait.
    TraceEvent("run %s: wait %x", command, WaitForSingleObject(process.hProcess, kCommandWaitMilliseconds));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return ActDone;
}

// Loaded by its full path only: a bare or relative name would be searched for and
// could load another DLL into this process.
BYTE UnregisterComponent(const char* path) {
    // A component that is gone has nothing left to unregister.
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return ActDone;
    // Only an initialisation that took place is undone.
    HRESULT ole = OleInitialize(nullptr);
    // A DLL that cannot be loaded, or has no entry, is traced as E_FAIL would be.
    HRESULT result = static_cast<HRESULT>(0x80004005L);
    HMODULE module = LoadLibraryA(path);
    if (module != nullptr) {
        FARPROC entry = GetProcAddress(module, "DllUnregisterServer");
        if (entry != nullptr) result = reinterpret_cast<UnregisterServerProc>(reinterpret_cast<void (*)()>(entry))();
        FreeLibrary(module);
    }
    TraceEvent("unregister %s: HRESULT %x", path, static_cast<DWORD>(result));
    if (ole >= 0) OleUninitialize();
    if (result >= 0) return ActDone;
    // Reported; the file itself is still removed.
    ReportUnremovedItem(IDS_ITEM_NOT_UNREGISTERED, path);
    return ActPending;
}

BYTE RemoveFile(const PlanAct& act, const char* path) {
    // This product's count is lowered by one; a count that is not (or no longer) this
    // product's keeps the file, one that appeared since the plan was made too.
    DWORD left = 0;
    int read = act.Decision == Decision::Uncount ? LowerSharedCount(path, act.Count, &left) : !IsCountedFile(path);
    if (!read && act.Decision == Decision::Uncount && left == act.Count) {
        ReportUnremovedItem(IDS_ITEM_NOT_DELETED, path);
        return ActPending;
    }
    if (!read || left > 0) {
        TraceEvent("file %s: kept (SharedDLLs)", path);
        return ActDone;
    }
    // This program cannot delete itself while it runs: the ending does.
    if (IsOwnFileAct(act)) {
        g_Uninst.OwnFileLeft = 1;
        return ActPending;
    }
    // Deleted first, asked only when that failed: one call for most files.
    const char* outcome = "removed";
    BYTE state = ActDone;
    DWORD error = DeleteFileA(path) ? ERROR_SUCCESS : GetLastError();
    if (error != ERROR_SUCCESS && !IsGone(error)) {
        // Files copied from a CD keep their read-only attribute.
        DWORD attributes = GetFileAttributesA(path);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
            SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY))
            error = DeleteFileA(path) ? ERROR_SUCCESS : GetLastError();
    }
    if (error != ERROR_SUCCESS && !IsGone(error)) {
        if (!IsInUse(error) || !StageDeletionAtRestart(path)) {
            ReportUnremovedItem(IDS_ITEM_NOT_DELETED, path);
            return ActPending;
        }
        outcome = "staged";
        state = ActStaged;
    }
    // Already gone is what the removal wants: nothing is said of it.
    if (IsGone(error)) return ActDone;
    TraceEvent("file %s: %s", path, outcome);
    return state;
}

// Whether `directory` holds `path`, at any depth.
bool Encloses(std::string_view directory, std::string_view path) {
    return path.size() > directory.size() + 1 && path[directory.size()] == '\\' &&
           EqualsIgnoreCase(TextSlice(path, 0, directory.size()), directory);
}

BYTE RemoveDirectoryAct(const char* directory) {
    DirectoryOutcome outcome = RemoveDirectoryByRule(directory);
    if (outcome == DirectoryOutcome::Unknown) {
        ReportUnremovedItem(IDS_ITEM_NOT_DELETED, directory);
        return ActPending;
    }
    if (outcome != DirectoryOutcome::NotEmpty) return ActDone;
    std::string_view text(directory, TextLength(directory));
    // What still holds the log or this program's own file is the ending's to remove.
    if (Encloses(text, g_Uninst.LogIdentity.view()) || (g_Uninst.OwnFileLeft && Encloses(text, g_Uninst.ModulePath.view())))
        return ActDone;
    // Still holding a file of the product that could not go: a later run tries again.
    // Otherwise what is in it is someone else's, and it stays.
    return g_Uninst.FailedCount > 0 ? ActPending : ActDone;
}

BYTE RunAct(PlanAct& act) {
    const char* text = PlanActText(act);
    ShowProgressItem(text);
    switch (static_cast<ActKind>(act.Kind)) {
    case ActKind::Command: return RunRemovalCommand(text);
    case ActKind::Component: return UnregisterComponent(text);
    case ActKind::File: return RemoveFile(act, text);
    default: return RemoveDirectoryAct(text);
    }
}
}  // namespace

bool IsOwnFileAct(const PlanAct& act) {
    const char* path = PlanActText(act);
    return act.Kind == static_cast<char>(ActKind::File) && EqualsIgnoreCase(path, g_Uninst.ModulePath.view());
}

int RunPlannedActs() {
    // The counts as they are now: one that appeared since the plan was made keeps its file.
    if (!ReadCountedFiles()) return 0;
    DWORD count = PlanActCount();
    DWORD unwritten = 0;
    DWORD since = GetTickCount();
    int written = 1;
    for (DWORD i = 0; i < count && written; ++i) {
        PlanAct& act = PlanActAt(i);
        if (act.State != ActPending) continue;
        bool command = act.Kind == static_cast<char>(ActKind::Command);
        bool oneByOne = command || act.Kind == static_cast<char>(ActKind::Component);
        // A command is marked before it starts: a cut while it runs does not start it again.
        if (command && !(MarkPlanAct(i, ActDone) && FlushPlanMarks())) {
            written = 0;
            break;
        }
        BYTE state = RunAct(act);
        if (state == ActPending) {
            act.Failed = !(IsOwnFileAct(act) && g_Uninst.OwnFileLeft);
            // Only a command that did not start after all is marked: pending again.
            if (!command) continue;
        }
        written = MarkPlanAct(i, state);
        ++unwritten;
        // A batch is a quarter of what is left: the marks together are written a few
        // dozen times whatever the plan's length, and a cut repeats at most one batch.
        if (written && (oneByOne || unwritten > (count - i - 1) / 4 || GetTickCount() - since >= kBatchMilliseconds)) {
            written = FlushPlanMarks();
            unwritten = 0;
            since = GetTickCount();
        }
    }
    return written && FlushPlanMarks();
}
