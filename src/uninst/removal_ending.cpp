#include "uninst/removal_ending.h"

#include "setup/setup_context.h"
#include "ui/messages.h"
#include "ui/run_trace.h"
#include "uninst/deletion_staging.h"
#include "uninst/directory_removal.h"
#include "uninst/log_paths.h"
#include "uninst/removal_plan.h"
#include "uninst/removal_report.h"
#include "uninst/self_copy.h"
#include "uninst/uninst_resource_ids.h"
#include "uninst/uninst_state.h"
#include "uninst/uninstall_entry.h"

namespace {
// Directories above the own file that NT is asked to remove at its next start.
constexpr int kMostStagedLevels = 4;

bool IsNT() {
    return g_Setup.PlatformId == VER_PLATFORM_WIN32_NT;
}

// One level up; empty above a drive root.
std::string_view UpOneLevel(std::string_view directory) {
    std::string_view up = ParentDirectory(directory);
    return up.size() < directory.size() ? up : std::string_view();
}

bool PlanRemovesDirectory(std::string_view directory) {
    for (DWORD i = 0; i < PlanActCount(); ++i) {
        const PlanAct& act = PlanActAt(i);
        if (act.Kind == static_cast<char>(ActKind::Directory) && act.Decision == Decision::Remove &&
            IsSameDirectory(PlanActText(act), directory))
            return true;
    }
    return false;
}

// How many levels, from `directory` upward, the plan names as made by the product.
int RecordedLevels(std::string_view directory) {
    int levels = 0;
    for (; !directory.empty() && PlanRemovesDirectory(directory); directory = UpOneLevel(directory)) ++levels;
    return levels;
}

// The directory and as many levels above it as the product made, each while empty and
// only as the directory rule allows.
void RemoveLevelsIfEmpty(std::string_view directory, int levels) {
    for (; levels > 0 && !directory.empty(); directory = UpOneLevel(directory), --levels) {
        PathText path;
        if (!path.Assign(directory) || RemoveDirectoryByRule(path.c_str()) != DirectoryOutcome::Removed) break;
        // Removed now: the next start must not remove what a reinstallation puts there.
        if (IsNT()) CancelStagedDeletion(path.c_str());
    }
}

// What the ending staged for the next start, each path with the text Windows was
// given for it: a deletion carried out now is cancelled, or a reinstallation to the
// same paths before the restart would lose its remover and its log then.
struct StagedDeletions {
    PathText path[3 + kMostStagedLevels];
    PathText entry[3 + kMostStagedLevels];
    int count = 0;
};

void AddStaged(StagedDeletions& staged, std::string_view path) {
    if (staged.path[staged.count].Assign(path)) ++staged.count;
}

// All in one write: a cut stages either all of them or none, so that the next start
// never deletes this program while the log that its RunOnce value finishes survives.
bool StageAll(StagedDeletions& staged) {
    const char* paths[3 + kMostStagedLevels];
    for (int i = 0; i < staged.count; ++i) paths[i] = staged.path[i].c_str();
    if (StageDeletionsAtRestart(paths, staged.count, staged.entry)) return true;
    staged.count = 0;
    return false;
}

void CancelCarriedOutDeletions(const StagedDeletions& staged) {
    for (int i = 0; i < staged.count; ++i)
        if (GetFileAttributesA(staged.path[i].c_str()) == INVALID_FILE_ATTRIBUTES)
            CancelStagedDeletion(staged.entry[i].c_str());
}

}  // namespace

bool FinishRemoval(bool& restartNeeded) {
    const char* log = g_Uninst.LogPath.c_str();
    std::string_view logDirectory = ParentDirectory(g_Uninst.LogIdentity.view());
    std::string_view ownDirectory = ParentDirectory(g_Uninst.ModulePath.view());
    bool ownFile = g_Uninst.OwnFileLeft != 0;
    // Read from the plan while it is there: a log that records what the setup made
    // loses only the directories it records.
    int ownLevels = ownFile ? RecordedLevels(ownDirectory) : 0;
    int logLevels = RecordedLevels(logDirectory);
    bool together = ownFile && IsSameDirectory(logDirectory, ownDirectory);
    if (together && logLevels > ownLevels) ownLevels = logLevels;

    SetFinishingRun(true);
    // The entry goes first: nothing staged for the next start may leave it naming a
    // program that is gone.
    if (!RemoveUninstallEntry()) {
        SetFinishingRun(false);
        ReportUnremovedItem(IDS_ITEM_ENTRY_NOT_DELETED, g_Setup.PRODUCTNAME.c_str());
        return false;
    }
    StagedDeletions staged;
    PathText plan;
    plan.Assign(PlanFilePath());
    if (ownFile) {
        // Until the copy has run, a cut leaves only deletions for the next start.
        AddStaged(staged, g_Uninst.LogPath.view());
        if (!plan.empty()) AddStaged(staged, plan.view());
        AddStaged(staged, g_Uninst.ModulePath.view());
        // NT removes an empty directory at its next start, deepest first; Windows 95
        // cannot.
        std::string_view directory = ownDirectory;
        for (int level = 0; IsNT() && level < ownLevels && level < kMostStagedLevels && !directory.empty();
             ++level, directory = UpOneLevel(directory)) {
            PathText path;
            if (path.Assign(directory) && JudgeDirectory(path.c_str()) == DirectoryVerdict::Removable)
                AddStaged(staged, directory);
        }
        StageAll(staged);
    }
    if (!DeleteFileA(log) && GetFileAttributesA(log) != INVALID_FILE_ATTRIBUTES) {
        ReportUnremovedItem(IDS_ITEM_NOT_DELETED, log);
        return false;
    }
    TraceEvent("log %s deleted", log);
    if (!DeletePlanFile()) {
        ReportUnremovedItem(IDS_ITEM_NOT_DELETED, plan.c_str());
        return false;
    }
    SetFinishingRun(false);
    CancelCarriedOutDeletions(staged);
    if (!together) RemoveLevelsIfEmpty(logDirectory, logLevels);
    if (!ownFile) return true;
    // The copy deletes this file once this process has ended. Without a copy it goes
    // at the next start.
    if (HandOverToTemporaryCopy(ownLevels)) {
        TraceEvent("handed over to a temporary copy");
        return true;
    }
    restartNeeded = true;
    return true;
}

void RemoveOriginalFile(const char* original, int levels) {
    // The deletion as it was staged: the short path on the Windows 95 family.
    PathText entry;
    if (IsNT()) {
        entry.Assign(original);
    } else {
        DWORD n = GetShortPathNameA(original, entry.data(), PathText::Capacity);
        if (n == 0 || n >= PathText::Capacity) entry.Clear();
    }
    if (!DeleteFileA(original)) return;  // in use still: it goes at the next start
    TraceEvent("file %s: removed", original);
    if (!entry.empty()) CancelStagedDeletion(entry.c_str());
    RemoveLevelsIfEmpty(ParentDirectory(std::string_view(original, TextLength(original))), levels);
}
