#include "uninst/deletion_staging.h"

#include "script/script_names.h"
#include "setup/setup_context.h"

namespace {
// The Windows 95 family carries out wininit.ini's [rename] before long file names
// are available, and a destination "NUL" deletes the file named on the right.
constexpr char kDeleteDestination[] = "NUL=";

// Several files may be deleted so, each by its own "NUL=" line: the key-by-key
// profile function would keep only one of them, so the section is written whole.
int StageOnWindows95(const char* path) {
    PathText shortPath;
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

int StageDeletionAtRestart(const char* path) {
    if (g_Setup.PlatformId == VER_PLATFORM_WIN32_NT)
        return MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) ? 1 : 0;
    return StageOnWindows95(path);
}
