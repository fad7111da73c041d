#include "uninst/removal_log.h"

#include "uninst/log_paths.h"
#include "uninst/uninst_state.h"
#include "uninstlog/log_image.h"

namespace {
// A batch of files is written at the latest after this long.
constexpr DWORD kBatchMilliseconds = 2000;

int g_CheckpointNow;

const char* LogFile() {
    return g_Uninst.LogPath.c_str();
}

// A checkpoint that fails leaves the log as it was: its entries are handled again by
// the next run, which finds their work done.
void Checkpoint() {
    WriteLogCheckpoint(LogFile(), kDirectoriesSection);
}

int RunSection(const char* section, EntryHandler handler, bool batched) {
    DWORD count = 0;
    DWORD* entries = LoadLogImage(LogFile()) ? ListLogEntries(section, &count) : nullptr;
    if (entries == nullptr) return 0;
    DWORD pending = 0;
    DWORD since = GetTickCount();
    for (DWORD left = count; left > 0; --left) {
        EntryName name;
        // A line too long for any path or command is left as it is.
        if (!ReadEntryName(entries[left - 1], name)) continue;
        g_CheckpointNow = 0;
        if (handler(name.c_str()) != EntryOutcome::Handled) continue;
        DropLogEntry(entries[left - 1]);
        ++pending;
        // A batch is a quarter of what is left: the checkpoints together write about
        // four times the log, whatever its length.
        if (!batched || g_CheckpointNow || pending > (left - 1) / 4 || GetTickCount() - since >= kBatchMilliseconds) {
            Checkpoint();
            pending = 0;
            since = GetTickCount();
        }
    }
    if (pending != 0) Checkpoint();
    HeapFree(GetProcessHeap(), 0, entries);
    return 1;
}
}  // namespace

void RecoverRemovalLog(const char* log) {
    RecoverLogCheckpoint(log);
}

int RunLogSectionLastFirst(const char* section, EntryHandler handler) {
    return RunSection(section, handler, false);
}

int RunLogSectionInBatches(const char* section, EntryHandler handler) {
    return RunSection(section, handler, true);
}

void CheckpointThisEntry() {
    g_CheckpointNow = 1;
}

void NoteDirectoriesAhead(const char* section) {
    DWORD count = 0;
    DWORD* entries = LoadLogImage(LogFile()) ? ListLogEntries(section, &count) : nullptr;
    if (entries == nullptr) return;
    PathText last;
    last.Clear();
    int added = 0;
    for (DWORD i = 0; i < count; ++i) {
        EntryName name;
        if (!ReadEntryName(entries[i], name) || ClassifyLogPath(name.view()) != PathVerdict::Usable) continue;
        std::string_view directory = ParentDirectory(name.view());
        // The log lists a directory's files together: most are the one just noted.
        if (EqualsIgnoreCase(directory, last.view()) || !last.Assign(directory)) continue;
        added |= AddLogEntryLine(kDirectoriesSection, last.c_str());
    }
    HeapFree(GetProcessHeap(), 0, entries);
    if (added) Checkpoint();
}

void ForgetLogEntry(const char* section, const char* entry) {
    if (!LoadLogImage(LogFile())) return;
    DWORD line = FindLogEntry(section, entry);
    if (line == 0) return;
    DropLogEntry(line);
    Checkpoint();
}

void NoteLogEntry(const char* section, const char* entry) {
    if (LoadLogImage(LogFile()) && AddLogEntryLine(section, entry)) Checkpoint();
}

bool IsLogSectionEmpty(const char* section) {
    // A log that cannot be read is not taken for an empty one.
    return LoadLogImage(LogFile()) && HasNoLogEntries(section);
}

bool AnyLogEntry(const char* section, EntryTest test, const void* context, bool unreadable) {
    DWORD count = 0;
    DWORD* entries = LoadLogImage(LogFile()) ? ListLogEntries(section, &count) : nullptr;
    if (entries == nullptr) return unreadable;
    bool found = false;
    for (DWORD i = 0; i < count && !found; ++i) {
        EntryName name;
        // A line too long for any path is an entry all the same, and matches nothing.
        found = ReadEntryName(entries[i], name) ? test(name.c_str(), context) : unreadable;
    }
    HeapFree(GetProcessHeap(), 0, entries);
    return found;
}
