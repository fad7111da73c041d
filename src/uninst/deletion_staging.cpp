#include "uninst/deletion_staging.h"

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
// profile function would keep only one of them, so the section is written whole.
int StageOnWindows95(const char* path, PathText* entry) {
    PathText& shortPath = *entry;
    DWORD n = GetShortPathNameA(path, shortPath.data(), PathText::Capacity);
    if (n == 0 || n >= PathText::Capacity) return 0;
    DWORD length = 0;
    char* lines = ReadSectionLines(ScriptName::RenameSection, ScriptName::WininitFile, &length);
    if (lines == nullptr) return 0;
    HANDLE heap = GetProcessHeap();
    size_t added = sizeof kDeleteDestination - 1 + n + 1;
    char* grown = static_cast<char*>(HeapReAlloc(heap, 0, lines, length + added + 1));
    if (grown == nullptr) {
        HeapFree(heap, 0, lines);
        return 0;
    }
    char* at = grown + length;
    CopyBounded(at, sizeof kDeleteDestination, kDeleteDestination);
    CopyBounded(at + sizeof kDeleteDestination - 1, n + 1, shortPath.view());
    at[added] = '\0';
    BOOL written = WritePrivateProfileSectionA(ScriptName::RenameSection, grown, ScriptName::WininitFile);
    HeapFree(heap, 0, grown);
    return written ? 1 : 0;
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

int CancelOnNT(const char* entry) {
    StagedLine source;
    if (!source.Assign(kObjectPrefix) || !source.Append(entry)) return 0;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) !=
        ERROR_SUCCESS)
        return 0;
    HANDLE heap = GetProcessHeap();
    DWORD size = 1024, type = 0;
    LSTATUS status = ERROR_MORE_DATA;
    char* block = nullptr;
    while (status == ERROR_MORE_DATA) {
        // Two bytes more than asked for: the walk always meets an ending empty string.
        block = static_cast<char*>(HeapAlloc(heap, 0, size + 2));
        if (block == nullptr) break;
        DWORD got = size;
        status = RegQueryValueExA(key, kPendingOperations, nullptr, &type, reinterpret_cast<BYTE*>(block), &got);
        if (status == ERROR_MORE_DATA) {
            HeapFree(heap, 0, block);
            size = got > size ? got : size * 2;
        } else {
            size = got;
        }
    }
    int done = status == ERROR_FILE_NOT_FOUND;
    if (block != nullptr && status == ERROR_SUCCESS && type == REG_MULTI_SZ && size <= 0x7fffffff) {
        block[size] = block[size + 1] = '\0';
        size_t kept = DropStagedRecords(block, size, 2, source);
        if (kept == 0)
            done = RegDeleteValueA(key, kPendingOperations) == ERROR_SUCCESS;
        else
            done = RegSetValueExA(key, kPendingOperations, 0, REG_MULTI_SZ, reinterpret_cast<BYTE*>(block),
                                  static_cast<DWORD>(kept + 1)) == ERROR_SUCCESS;
    }
    if (block != nullptr) HeapFree(heap, 0, block);
    RegCloseKey(key);
    return done;
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
    return StageOnWindows95(path, entry);
}

int CancelStagedDeletion(const char* entry) {
    return g_Setup.PlatformId == VER_PLATFORM_WIN32_NT ? CancelOnNT(entry) : CancelOnWindows95(entry);
}
