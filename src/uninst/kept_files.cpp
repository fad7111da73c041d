#include "uninst/kept_files.h"

#include "script/registry_reader.h"
#include "script/script_names.h"
#include "setup/setup_context.h"
#include "ui/run_trace.h"
#include "uninst/deletion_staging.h"
#include "uninst/log_paths.h"
#include "uninst/removal_log.h"
#include "uninst/removal_passes.h"
#include "uninst/removal_report.h"
#include "uninst/shared_files.h"
#include "uninst/uninst_resource_ids.h"
#include "uninst/uninst_state.h"

namespace {
constexpr char kSharedDllsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

// A kept file's entry leaves [UninstFiles] only once [UninstKeptFiles] names it, so that
// the component pass, and any later run after a cut, keeps it too; the person is not
// asked twice.
EntryOutcome DecideFileToKeep(const char* entry) {
    PathText path;
    // No run could ever remove it: named once, and the removal goes on without it.
    if (!FoldEntryOrLeaveInPlace(entry, path)) return EntryOutcome::Handled;
    // The remover's own file is the product's and goes last.
    if (EqualsIgnoreCase(path.view(), g_Uninst.ModulePath.view())) return EntryOutcome::Left;
    // Kept by the log (a log that cannot be read keeps everything).
    if (IsPathInLogSection(ScriptName::UninstKeptFiles, path.view(), true)) {
        TraceEvent("file %s: kept (%s)", path.c_str(), kKeptByLog);
        return EntryOutcome::Handled;
    }
    DWORD attributes = GetFileAttributesA(path.c_str());
    // What became of a file that is not there (or not a file) is the file pass's to say.
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return EntryOutcome::Left;
    int counted = FindSharedCount(path.c_str());
    if (counted < 0) {
        ReportUnremovedItem(IDS_ITEM_NOT_DELETED, entry);
        return EntryOutcome::Failed;
    }
    // A count says other programs use it, wherever it lies; in the Windows or system
    // directory the person decides (a silent run keeps it).
    if (counted == 0 && !IsInSharedPlace(path.c_str())) return EntryOutcome::Left;
    const char* reason = "SharedDLLs";
    if (counted == 0) {
        ShowProgressItem(path.c_str());  // the question names the file, so does the window
        if (DecideSharedFileRemoval(path.c_str())) {
            ++g_Uninst.SharedRemovalsApproved;
            return EntryOutcome::Left;
        }
        reason = g_Uninst.Silent ? "/S" : "answer No";
    }
    TraceEvent("file %s: kept (%s)", path.c_str(), reason);
    NoteLogEntry(ScriptName::UninstKeptFiles, path.c_str());
    return IsPathInLogSection(ScriptName::UninstKeptFiles, path.view(), false) ? EntryOutcome::Handled
                                                                                 : EntryOutcome::Failed;
}
}  // namespace

namespace {
bool NamesPath(const char* entry, const void* context) {
    std::string_view path = *static_cast<const std::string_view*>(context);
    PathText name;
    return FoldLogPath(std::string_view(entry, TextLength(entry)), name) && EqualsIgnoreCase(name.view(), path);
}
}  // namespace

bool IsPathInLogSection(const char* section, std::string_view path, bool unreadable) {
    return AnyLogEntry(section, NamesPath, &path, unreadable);
}

int FindSharedCount(const char* path) {
    if (g_Uninst.SharedCountsAbsent) return 0;
    if (g_Uninst.SharedCounts == nullptr) {
        LSTATUS status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSharedDllsKey, 0, KEY_QUERY_VALUE, &g_Uninst.SharedCounts);
        if (status != ERROR_SUCCESS) g_Uninst.SharedCounts = nullptr;
        // Only an absent key is remembered: any other failure is asked again per file.
        if (status == ERROR_FILE_NOT_FOUND) g_Uninst.SharedCountsAbsent = 1;
        if (status == ERROR_FILE_NOT_FOUND) return 0;
        if (status != ERROR_SUCCESS) return -1;
    }
    DWORD count = 0;
    int read = ReadRegistryNumber(g_Uninst.SharedCounts, path, &count);
    return read && count > 0 ? 1 : 0;
}

void CloseSharedCounts() {
    if (g_Uninst.SharedCounts != nullptr) RegCloseKey(g_Uninst.SharedCounts);
    g_Uninst.SharedCounts = nullptr;
    g_Uninst.SharedCountsAbsent = 0;
}

int DecideFilesToKeep() {
    g_Uninst.RecordedDirsOnly = !IsLogSectionEmpty(ScriptName::UninstCreatedDirs);
    int failedBefore = g_Uninst.FailedCount;
    if (!RunLogSectionInBatches(ScriptName::UninstFiles, DecideFileToKeep))
        ReportUnremovedItem(IDS_ITEM_NOT_DELETED, g_Uninst.LogPath.c_str());
    CloseSharedCounts();
    // A decision that could not be made or kept in the log stops the run short of any
    // unregistration or deletion: the file might be one to keep. The next run decides.
    return g_Uninst.FailedCount == failedBefore;
}
