#include "uninst/deletion_staging.h"

#include "script/registry_reader.h"
#include "script/script_names.h"
#include "setup/setup_context.h"

namespace {
// The Windows 95 family carries out wininit.ini's [rename] before long file names
// are available, and a destination "NUL" deletes the file named on the right.
constexpr char kDeleteDestination[] = "NUL=";

// NT keeps what it does at the next start as pairs of terminated strings, a source
// ("\??\"-prefixed) and a destination, an empty one meaning delete.
constexpr char kSessionManagerKey[] = "System\\CurrentControlSet\\Control\\Session Manager";
constexpr char kPendingOperations[] = "PendingFileRenameOperations";
constexpr char kObjectPrefix[] = "\\??\\";

// One staged deletion as Windows holds it: "NUL=<short path>" or "\??\<path>".
using StagedLine = FixedText<kPathChars + 8>;

// Several files may be deleted so, each by its own "NUL=" line: the key-by-key
// profile function would keep only one of them, so the section is written whole, in
// one write for all the files.
int StageOnWindows95(const char* const* paths, int count, PathText* entries) {
    DWORD length = 0;
    char* lines = ReadSectionLines(ScriptName::RenameSection, ScriptName::WininitFile, &length);
    if (lines == nullptr) return 0;
    HANDLE heap = GetProcessHeap();
    int written = 1;
    for (int i = 0; i < count && written; ++i) {
        DWORD n = GetShortPathNameA(paths[i], entries[i].data(), PathText::Capacity);
        size_t added = sizeof kDeleteDestination - 1 + n + 1;
        char* grown = n == 0 || n >= PathText::Capacity
                          ? nullptr
                          : static_cast<char*>(HeapReAlloc(heap, 0, lines, length + added + 1));
        written = grown != nullptr;
        if (!written) break;
        lines = grown;
        char* at = lines + length;
        CopyBounded(at, sizeof kDeleteDestination, kDeleteDestination);
        CopyBounded(at + sizeof kDeleteDestination - 1, n + 1, entries[i].view());
        length += static_cast<DWORD>(added);
        lines[length] = '\0';
    }
    written = written && WritePrivateProfileSectionA(ScriptName::RenameSection, lines, ScriptName::WininitFile);
    HeapFree(heap, 0, lines);
    return written;
}

// Drops from a block of terminated strings (ended by an empty one, `length` bytes
// before that) each record of `strings` strings whose first is `staged` and whose
// others are empty: a rename of the same file, or another line, is someone else's.
// Returns the length of what is kept; the block stays ended by an empty string.
size_t DropStagedRecords(char* block, size_t length, int strings, const StagedLine& staged) {
    const char* at = block;
    const char* end = block + length;
    char* out = block;
    while (at < end && *at != '\0') {
        const char* record = at;
        bool ours = EqualsIgnoreCase(std::string_view(at, TextLength(at)), staged.view());
        at += TextLength(at) + 1;
        for (int i = 1; i < strings; ++i) {
            ours = ours && at < end && *at == '\0';
            at += TextLength(at) + 1;
        }
        if (at > end) at = end;
        if (ours) continue;
        while (record < at) *out++ = *record++;
    }
    *out = '\0';
    return static_cast<size_t>(out - block);
}

int CancelOnWindows95(const char* entry) {
    StagedLine line;
    if (!line.Assign(kDeleteDestination) || !line.Append(entry)) return 0;
    DWORD length = 0;
    char* lines = ReadSectionLines(ScriptName::RenameSection, ScriptName::WininitFile, &length);
    if (lines == nullptr) return 0;
    size_t kept = DropStagedRecords(lines, length, 1, line);
    BOOL written = TRUE;
    if (kept < length)
        written = kept == 0
                      ? WritePrivateProfileStringA(ScriptName::RenameSection, nullptr, nullptr, ScriptName::WininitFile)
                      : WritePrivateProfileSectionA(ScriptName::RenameSection, lines, ScriptName::WininitFile);
    HeapFree(GetProcessHeap(), 0, lines);
    return written ? 1 : 0;
}

// The pending operations, in a heap block ended by two empty strings whatever the
// value holds; *size is the value's size. Null with *status the reason when there is
// none to read (ERROR_FILE_NOT_FOUND: no value).
char* ReadPendingOperations(HKEY key, DWORD* size, LSTATUS* status) {
    HANDLE heap = GetProcessHeap();
    DWORD capacity = 1024, type = 0;
    *status = ERROR_MORE_DATA;
    while (*status == ERROR_MORE_DATA) {
        // Two bytes more than asked for: the walk always meets an ending empty string.
        char* block = static_cast<char*>(HeapAlloc(heap, 0, capacity + 2));
        if (block == nullptr) break;
        DWORD got = capacity;
        *status = RegQueryValueExA(key, kPendingOperations, nullptr, &type, reinterpret_cast<BYTE*>(block), &got);
        if (*status == ERROR_SUCCESS && type == REG_MULTI_SZ && got <= 0x7fffffff) {
            block[got] = block[got + 1] = '\0';
            *size = got;
            return block;
        }
        HeapFree(heap, 0, block);
        if (*status == ERROR_SUCCESS) *status = ERROR_MORE_DATA + 1;  // of another type: not read
        capacity = got > capacity ? got : capacity * 2;
    }
    return nullptr;
}

HKEY OpenSessionManager() {
    return CreateRegistryKey(HKEY_LOCAL_MACHINE, kSessionManagerKey, KEY_QUERY_VALUE | KEY_SET_VALUE);
}

int CancelOnNT(const char* entry) {
    StagedLine source;
    if (!source.Assign(kObjectPrefix) || !source.Append(entry)) return 0;
    HKEY key = OpenSessionManager();
    if (key == nullptr) return 0;
    DWORD size = 0;
    LSTATUS status = ERROR_SUCCESS;
    char* block = ReadPendingOperations(key, &size, &status);
    int done = status == ERROR_FILE_NOT_FOUND;
    if (block != nullptr) {
        size_t kept = DropStagedRecords(block, size, 2, source);
        if (kept == 0)
            done = RegDeleteValueA(key, kPendingOperations) == ERROR_SUCCESS;
        else
            done = RegSetValueExA(key, kPendingOperations, 0, REG_MULTI_SZ, reinterpret_cast<BYTE*>(block),
                                  static_cast<DWORD>(kept + 1)) == ERROR_SUCCESS;
        HeapFree(GetProcessHeap(), 0, block);
    }
    RegCloseKey(key);
    return done;
}

// All the deletions in one write of the value, as MoveFileExA would add them one by one:
// "\??\<path>", then an empty destination.
int StageOnNT(const char* const* paths, int count, PathText* entries) {
    HKEY key = OpenSessionManager();
    if (key == nullptr) return 0;
    DWORD size = 0;
    LSTATUS status = ERROR_SUCCESS;
    char* block = ReadPendingOperations(key, &size, &status);
    StagedLine none;
    none.Clear();
    // What is there, without the empty string that ends it.
    DWORD used = block != nullptr ? static_cast<DWORD>(DropStagedRecords(block, size, 2, none)) : 0;
    DWORD need = used + 1;
    for (int i = 0; i < count; ++i) need += static_cast<DWORD>(TextLength(paths[i])) + sizeof kObjectPrefix + 1;
    HANDLE heap = GetProcessHeap();
    char* grown = block == nullptr ? (status == ERROR_FILE_NOT_FOUND ? static_cast<char*>(HeapAlloc(heap, 0, need)) : nullptr)
                                   : static_cast<char*>(HeapReAlloc(heap, 0, block, need));
    int staged = grown != nullptr;
    if (!staged && block != nullptr) HeapFree(heap, 0, block);
    for (int i = 0; staged && i < count; ++i) {
        entries[i].Assign(paths[i]);
        for (const char* c = kObjectPrefix; *c != '\0'; ++c) grown[used++] = *c;
        for (const char* c = paths[i]; *c != '\0'; ++c) grown[used++] = *c;
        grown[used++] = '\0';
        grown[used++] = '\0';  // no destination: deleted
    }
    if (staged) {
        grown[used++] = '\0';
        staged = RegSetValueExA(key, kPendingOperations, 0, REG_MULTI_SZ, reinterpret_cast<BYTE*>(grown), used) ==
                 ERROR_SUCCESS;
        HeapFree(heap, 0, grown);
    }
    RegCloseKey(key);
    return staged;
}
}  // namespace

char* ReadSectionLines(const char* section, const char* file, DWORD* length) {
    HANDLE heap = GetProcessHeap();
    DWORD size = 1024;
    char* block = static_cast<char*>(HeapAlloc(heap, 0, size));
    while (block != nullptr) {
        DWORD n = GetPrivateProfileSectionA(section, block, size, file);
        if (n != size - 2) {
            *length = n;
            return block;
        }
        char* grown = static_cast<char*>(HeapReAlloc(heap, 0, block, size * 2));
        if (grown == nullptr) HeapFree(heap, 0, block);
        block = grown;
        size *= 2;
    }
    return nullptr;
}

int StageDeletionAtRestart(const char* path, PathText* entry) {
    PathText unused;
    if (entry == nullptr) entry = &unused;
    if (g_Setup.PlatformId == VER_PLATFORM_WIN32_NT)
        return entry->Assign(path) && MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) ? 1 : 0;
    return StageOnWindows95(&path, 1, entry);
}

int StageDeletionsAtRestart(const char* const* paths, int count, PathText* entries) {
    return g_Setup.PlatformId == VER_PLATFORM_WIN32_NT ? StageOnNT(paths, count, entries)
                                                       : StageOnWindows95(paths, count, entries);
}

int CancelStagedDeletion(const char* entry) {
    return g_Setup.PlatformId == VER_PLATFORM_WIN32_NT ? CancelOnNT(entry) : CancelOnWindows95(entry);
}
