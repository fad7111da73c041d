#include "script/script_names.h"
#include "setup/setup_context.h"
#include "ui/run_trace.h"
#include "uninst/deletion_staging.h"
#include "uninst/directory_removal.h"
#include "uninst/kept_files.h"
#include "uninst/removal_log.h"
#include "uninst/removal_passes.h"
#include "uninst/removal_report.h"
#include "uninst/shared_files.h"
#include "uninst/uninst_resource_ids.h"
#include "uninst/uninst_state.h"

namespace {
bool IsGone(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Windows reports a file held open as a sharing violation, and a running program
// or a loaded DLL as access denied: both are deleted at the next start.
bool IsInUse(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED;
}

// Only files the keep decisions left in [UninstFiles] come here: each is removed.
EntryOutcome RemoveLoggedFile(const char* entry) {
    ShowProgressItem(entry);
    PathText folded;
    if (!FoldEntryOrLeaveInPlace(entry, folded)) return EntryOutcome::Handled;
    const char* path = folded.c_str();
    // This program cannot delete itself while it runs: that comes last.
    if (EqualsIgnoreCase(folded.view(), g_Uninst.ModulePath.view())) {
        g_Uninst.OwnFileLeft = 1;
        return EntryOutcome::Left;
    }
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        // Already gone is what the removal wants; anything else is reported.
        if (IsGone(GetLastError())) return EntryOutcome::Handled;
        ReportUnremovedItem(IDS_ITEM_NOT_DELETED, entry);
        return EntryOutcome::Failed;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        ReportUnremovedItem(IDS_ITEM_SKIPPED, entry);
        return EntryOutcome::Failed;
    }
    // Checked again what needs nobody's answer, so that no file is deleted that the keep
    // decisions did not see: kept by the log, counted as shared, or in a shared place
    // without a Yes of this run.
    if (IsPathInLogSection(ScriptName::UninstKeptFiles, folded.view(), true)) {
        TraceEvent("file %s: kept (%s)", path, kKeptByLog);
        return EntryOutcome::Handled;
    }
    int counted = FindSharedCount(path);
    bool approved = !IsInSharedPlace(path) || g_Uninst.SharedRemovalsApproved > 0;
    if (counted != 0 || !approved) {
        ReportUnremovedItem(IDS_ITEM_NOT_DELETED, entry);
        return EntryOutcome::Failed;
    }
    if (IsInSharedPlace(path)) --g_Uninst.SharedRemovalsApproved;
    // Files copied from a CD keep their read-only attribute.
    if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY);
    const char* outcome = "removed";  // or already gone, which is what the removal wants
    DWORD error = DeleteFileA(path) ? ERROR_SUCCESS : GetLastError();
    if (error != ERROR_SUCCESS && !IsGone(error)) {
        if (!IsInUse(error) || !StageDeletionAtRestart(path)) {
            ReportUnremovedItem(IDS_ITEM_NOT_DELETED, entry);
            return EntryOutcome::Failed;
        }
        ++g_Uninst.StagedCount;
        outcome = "staged";
    }
    TraceEvent("file %s: %s", path, outcome);
    return EntryOutcome::Handled;
}
}  // namespace

void RunFileRemoval() {
    // A log that records what SETUP.EXE created says exactly which directories go;
    // for an older one, the directories that held its files are noted before any goes.
    if (!g_Uninst.RecordedDirsOnly) NoteDirectoriesAhead(ScriptName::UninstFiles);
    RunLogSectionInBatches(ScriptName::UninstFiles, RemoveLoggedFile);
    CloseSharedCounts();
}
