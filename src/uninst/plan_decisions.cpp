#include "uninst/plan_decisions.h"

#include "script/script_names.h"
#include "setup/setup_context.h"
#include "ui/run_trace.h"
#include "uninst/deletion_staging.h"
#include "uninst/identity_set.h"
#include "uninst/log_paths.h"
#include "uninst/removal_plan.h"
#include "uninst/removal_report.h"
#include "uninst/shared_counts.h"
#include "uninst/shared_files.h"
#include "uninst/uninst_progress.h"
#include "uninst/uninst_resource_ids.h"
#include "uninst/uninst_state.h"
#include "uninst/uninstall_entry.h"
#include "uninstlog/log_image.h"

namespace {
// The longest command CreateProcessA is handed.
constexpr size_t kMostCommandChars = 1023;
// Where an earlier remover noted the directories of an old log's files before it
// deleted the first of them.
constexpr char kNotedDirectoriesSection[] = "UninstDirs";
// Why a file that [UninstKeptFiles] names stays, as the trace says it.
constexpr char kKeptByLog[] = "the log keeps it";

struct Decider {
    IdentitySet Kept;     // [UninstKeptFiles]
    IdentitySet Counted;  // [UninstSharedFiles]: counts this product raised
    IdentitySet Going;    // the files the plan removes
    IdentitySet Others;   // the files other registered products' logs list
    int OthersRead;
    int Failed;  // a decision could not be made
};

Decider g_Decider;

// Calls `visit` with each entry's name of the section, last first, until it answers
// false; an entry too long for any path or command gets its first characters and
// `whole` false. The name's text is terminated: its data() is a C string.
using EntryVisit = bool (*)(std::string_view entry, bool whole, void* context);

int ForEachEntryLastFirst(const char* section, EntryVisit visit, void* context = nullptr) {
    DWORD count = 0;
    DWORD* lines = ListLogEntries(section, &count);
    if (lines == nullptr) return 0;
    for (DWORD left = count; left > 0; --left) {
        EntryName name;
        bool whole = ReadEntryName(lines[left - 1], name);
        if (!visit(name.view(), whole, context)) break;
    }
    HeapFree(GetProcessHeap(), 0, lines);
    return 1;
}

// The identity of a logged path that a run may act on; otherwise named once as left in
// place, and false.
bool ReadActablePath(std::string_view entry, bool whole, PathText& path) {
    if (whole && FormPathIdentity(entry, path) && ClassifyLogPath(path.view()) == PathVerdict::Usable) return true;
    ReportItemLeftInPlace(entry.data());
    return false;
}

bool AddEntryIdentity(std::string_view entry, bool whole, void* set) {
    PathText path;
    if (whole && FormPathIdentity(entry, path))
        g_Decider.Failed |= !AddIdentity(*static_cast<IdentitySet*>(set), path.view());
    return true;
}

void ReadOtherLog(const char* log) {
    DWORD length = 0;
    char* lines = ReadSectionLines(ScriptName::UninstFiles, log, &length);
    if (lines == nullptr) {
        g_Decider.Failed = 1;
        return;
    }
    for (const char* line = lines; *line != '\0'; line += TextLength(line) + 1) {
        std::string_view text(line, TextLength(line));
        size_t cut = text.rfind('=');
        PathText path;
        if (FormPathIdentity(TextSlice(text, 0, cut), path)) g_Decider.Failed |= !AddIdentity(g_Decider.Others, path.view());
    }
    HeapFree(GetProcessHeap(), 0, lines);
}

// Whether another registered product's log lists the file: read once, when the first
// file that needs it is decided.
bool OtherLogListsFile(const char* path) {
    if (!g_Decider.OthersRead) {
        g_Decider.OthersRead = 1;
        ListOtherRegisteredLogs(ReadOtherLog);
    }
    return HasIdentity(g_Decider.Others, std::string_view(path, TextLength(path)));
}

void TraceKept(const char* path, const char* reason) {
    TraceEvent("file %s: kept (%s)", path, reason);
}

// The decision about one logged file; *count receives the count this product lowers.
char DecideFile(const char* path, DWORD* count) {
    std::string_view identity(path, TextLength(path));
    *count = 0;
    if (HasIdentity(g_Decider.Kept, identity)) {
        TraceKept(path, kKeptByLog);
        return Decision::KeptByLog;
    }
    DWORD attributes = GetFileAttributesA(path);
    // A directory named as a file is never a file of this product to remove.
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ReportItemLeftInPlace(path);
        return Decision::LeftInPlace;
    }
    if (HasIdentity(g_Decider.Counted, identity)) {
        DWORD counted = 0;
        if (!ReadSharedCount(path, &counted)) {
            ReportUnremovedItem(IDS_ITEM_NOT_DELETED, path);
            g_Decider.Failed = 1;
            return Decision::KeptByCount;
        }
        // Listed, and no count at all (removed by hand, say): the file stays rather than
        // go without a count that says it may.
        if (counted != 0) {
            *count = counted;
            return Decision::Uncount;
        }
        TraceKept(path, "SharedDLLs");
        return Decision::KeptByCount;
    }
    if (IsCountedFile(path)) {
        TraceKept(path, "SharedDLLs");
        return Decision::KeptByCount;
    }
    if (attributes == INVALID_FILE_ATTRIBUTES || !IsInSharedPlace(path)) return Decision::Remove;
    if (OtherLogListsFile(path)) {
        TraceKept(path, "another product's log lists it");
        return Decision::KeptByOtherLog;
    }
    // Unattended, nobody can answer: the product's own file goes, as nothing else
    // claims it.
    if (g_Uninst.Silent) return Decision::Remove;
    ShowProgressItem(path);  // the question names the file, so does the window
    if (DecideSharedFileRemoval(path)) return Decision::RemoveByAnswer;
    TraceKept(path, "answer No");
    return Decision::KeptByAnswer;
}

bool AddAct(ActKind kind, char decision, DWORD count, std::string_view text) {
    if (AddPlanAct(static_cast<char>(kind), decision, count, text)) return true;
    g_Decider.Failed = 1;
    return false;
}

void DecideCommands() {
    ForEachEntryLastFirst(ScriptName::UninstExec, [](std::string_view command, bool whole, void*) {
        bool startable = whole && command.size() <= kMostCommandChars;
        if (!startable) ReportItemLeftInPlace(command.data());
        return AddAct(ActKind::Command, startable ? Decision::Remove : Decision::LeftInPlace, 0,
                      startable ? command : std::string_view());
    });
}

void DecideComponents() {
    ForEachEntryLastFirst(ScriptName::UninstRegister, [](std::string_view entry, bool whole, void*) {
        PathText path;
        bool actable = ReadActablePath(entry, whole, path);
        return AddAct(ActKind::Component, actable ? Decision::Remove : Decision::LeftInPlace, 0, path.view());
    });
}

void DecideFiles() {
    ForEachEntryLastFirst(ScriptName::UninstFiles, [](std::string_view entry, bool whole, void*) {
        PathText path;
        char decision = Decision::LeftInPlace;
        DWORD count = 0;
        if (ReadActablePath(entry, whole, path)) decision = DecideFile(path.c_str(), &count);
        bool goes = decision == Decision::Remove || decision == Decision::RemoveByAnswer ||
                    (decision == Decision::Uncount && count == 1);
        if (goes) g_Decider.Failed |= !AddIdentity(g_Decider.Going, path.view());
        return AddAct(ActKind::File, decision, count, path.view()) && !g_Decider.Failed;
    });
}

// A component loses its registration only when its file goes: a file that stays is
// used by other programs, and one the log does not list is not the product's.
void KeepComponentsOfFilesThatStay() {
    for (DWORD i = 0; i < PlanActCount(); ++i) {
        PlanAct& act = PlanActAt(i);
        if (act.Kind != static_cast<char>(ActKind::Component) || act.Decision != Decision::Remove) continue;
        const char* path = PlanActText(act);
        if (HasIdentity(g_Decider.Going, std::string_view(path, TextLength(path)))) continue;
        act.Decision = Decision::KeptByLog;
        act.State = ActDone;
        TraceEvent("unregister %s: kept", path);
    }
}

int DepthOf(std::string_view directory) {
    int depth = 0;
    for (char c : directory) depth += c == '\\' ? 1 : 0;
    return depth;
}

// The directories found so far, each once, and the depth of the deepest.
struct FoundDirectories {
    IdentitySet Set;
    int Deepest;
    bool Recorded;  // the log records which directories the product made
};

void NoteDirectory(FoundDirectories& found, std::string_view directory) {
    PathText path;
    if (!FormPathIdentity(directory, path)) return;
    path.Truncate(WithoutTrailingBackslash(path.view()).size());
    if (ClassifyLogPath(path.view()) != PathVerdict::Usable) return;
    g_Decider.Failed |= !AddIdentity(found.Set, path.view());
    int depth = DepthOf(path.view());
    if (depth > found.Deepest) found.Deepest = depth;
}

bool NoteRecordedDirectory(std::string_view entry, bool whole, void* context) {
    FoundDirectories& found = *static_cast<FoundDirectories*>(context);
    found.Recorded = true;
    if (whole) NoteDirectory(found, entry);
    return true;
}

// The directories the product made: those SETUP.EXE recorded (and an earlier remover
// noted); for a log that records none, the directory that directly held each logged
// file. Deepest first, each once.
void DecideDirectories() {
    FoundDirectories found{};
    ForEachEntryLastFirst(ScriptName::UninstCreatedDirs, NoteRecordedDirectory, &found);
    ForEachEntryLastFirst(kNotedDirectoriesSection, NoteRecordedDirectory, &found);
    for (DWORD i = 0; !found.Recorded && i < PlanActCount(); ++i) {
        const PlanAct& act = PlanActAt(i);
        if (act.Kind == static_cast<char>(ActKind::File) && act.Decision != Decision::LeftInPlace) {
            const char* path = PlanActText(act);
            NoteDirectory(found, ParentDirectory(std::string_view(path, TextLength(path))));
        }
    }
    const IdentitySet& set = found.Set;
    for (int depth = found.Deepest; depth > 0; --depth)
        for (DWORD at = 0; at < set.TextUsed; at += static_cast<DWORD>(TextLength(set.Text + at)) + 1) {
            std::string_view directory(set.Text + at, TextLength(set.Text + at));
            if (DepthOf(directory) == depth) AddAct(ActKind::Directory, Decision::Remove, 0, directory);
        }
    FreeIdentitySet(found.Set);
}
}  // namespace

int DecideRemoval() {
    g_Decider = Decider{};
    StartPlan();
    if (!ReadCountedFiles()) {
        ReportUnremovedItem(IDS_ITEM_NOT_DELETED, g_Uninst.LogPath.c_str());
        return 0;
    }
    ForEachEntryLastFirst(ScriptName::UninstKeptFiles, AddEntryIdentity, &g_Decider.Kept);
    ForEachEntryLastFirst(ScriptName::UninstSharedFiles, AddEntryIdentity, &g_Decider.Counted);
    DecideCommands();
    DecideComponents();
    if (!g_Decider.Failed) DecideFiles();
    KeepComponentsOfFilesThatStay();
    DecideDirectories();
    int decided = !g_Decider.Failed;
    FreeIdentitySet(g_Decider.Kept);
    FreeIdentitySet(g_Decider.Counted);
    FreeIdentitySet(g_Decider.Going);
    FreeIdentitySet(g_Decider.Others);
    return decided;
}
