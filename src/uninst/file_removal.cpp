#include "script/script_names.h"
#include "setup/setup_context.h"
#include "uninst/deletion_staging.h"
#include "uninst/log_paths.h"
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

EntryOutcome RemoveLoggedFile(const char* path) {
    ShowProgressItem(path);
    if (ClassifyLogPath(path) != PathVerdict::Usable) {
        ReportUnremovedItem(IDS_ITEM_SKIPPED, path);
        return EntryOutcome::Failed;
    }
    // This program cannot delete itself while it runs: that comes last.
    if (EqualsIgnoreCase(std::string_view(path, TextLength(path)), g_Uninst.ModulePath.view())) {
        g_Uninst.OwnFileLeft = 1;
        return EntryOutcome::Left;
    }
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        // Already gone is what the removal wants; anything else is reported.
        if (IsGone(GetLastError())) return EntryOutcome::Handled;
        ReportUnremovedItem(IDS_ITEM_NOT_DELETED, path);
        return EntryOutcome::Failed;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        ReportUnremovedItem(IDS_ITEM_SKIPPED, path);
        return EntryOutcome::Failed;
    }
    if (IsInSharedPlace(path)) {
        if (IsCountedAsShared(path)) return EntryOutcome::Handled;  // kept: other programs use it
        // The person is not asked twice: whatever happens to the file, the entry leaves
        // the log at once.
        CheckpointThisEntry();
        if (!DecideSharedFileRemoval(path)) return EntryOutcome::Handled;  // kept by the person's choice
    }
    // Files copied from a CD keep their read-only attribute.
    if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY);
    if (DeleteFileA(path)) return EntryOutcome::Handled;
    DWORD error = GetLastError();
    if (IsGone(error)) return EntryOutcome::Handled;
    if (IsInUse(error) && StageDeletionAtRestart(path)) {
        ++g_Uninst.StagedCount;
        return EntryOutcome::Handled;
    }
    ReportUnremovedItem(IDS_ITEM_NOT_DELETED, path);
    return EntryOutcome::Failed;
}

// Removes the directory and each parent that becomes empty, up to the first one that
// is protected or still holds anything.
void RemoveEmptyDirectories(std::string_view directory) {
    PathText current;
    if (!current.Assign(directory)) return;
    while (!current.empty() && !IsProtectedDirectory(current.view())) {
        if (!RemoveDirectoryA(current.c_str())) return;
        current.Truncate(ParentDirectory(current.view()).size());
    }
}

EntryOutcome RemoveNotedDirectory(const char* directory) {
    if (ClassifyLogPath(directory) == PathVerdict::Usable)
        RemoveEmptyDirectories(std::string_view(directory, TextLength(directory)));
    // A directory that still holds something is kept by rule, not by failure.
    return EntryOutcome::Handled;
}
}  // namespace

void RunFileRemoval() {
    NoteDirectoriesAhead(ScriptName::UninstFiles);
    RunLogSectionInBatches(ScriptName::UninstFiles, RemoveLoggedFile);
}

void RunDirectoryRemoval() {
    RunLogSectionLastFirst(kDirectoriesSection, RemoveNotedDirectory);
}
