#include "script/script_reader.h"

DWORD ReadScriptValue(const char* file, const char* section, const char* key, const char* fallback, char* out,
                      DWORD capacity) {
    DWORD n = GetPrivateProfileStringA(section, key, fallback, out, capacity, file);
    // Windows 95 may leave a value that filled the buffer without its terminator.
    out[capacity - 1] = '\0';
    return n;
}

int ReadPresentScriptValue(const char* file, const char* section, const char* key, char* out, DWORD capacity) {
    if (ReadScriptValue(file, section, key, "", out, capacity) > 0) return 1;
    // "Key=" gives "" whatever the fallback; only a missing key gives the fallback.
    char probe[2];
    return ReadScriptValue(file, section, key, "?", probe, sizeof probe) == 0 ? 1 : 0;
}

UINT ReadScriptNumber(const char* file, const char* section, const char* key, int fallback) {
    return GetPrivateProfileIntA(section, key, fallback, file);
}

int ReadScriptFlag(const char* file, const char* section, const char* key, int fallback) {
    return GetPrivateProfileIntA(section, key, fallback, file) != 0 ? 1 : 0;
}

namespace {
// The key list (GetPrivateProfileStringA) or the lines (GetPrivateProfileSectionA) of
// a section, into a heap block grown until it holds them whole.
int ReadSectionBlock(const char* file, const char* section, int lines, SectionKeys* out) {
    // Start with 1024 bytes and grow while the profile function reports the list as
    // cut (it then returns size - 2): a long list must not silently lose entries.
    DWORD size = 1024;
    HANDLE heap = GetProcessHeap();
    char* block = static_cast<char*>(HeapAlloc(heap, 0, size));
    if (block == nullptr) return 0;
    for (;;) {
        DWORD n = lines ? GetPrivateProfileSectionA(section, block, size, file)
                        : GetPrivateProfileStringA(section, nullptr, "", block, size, file);
        if (n != size - 2) break;
        DWORD bigger = size * 2;
        char* grown = static_cast<char*>(HeapReAlloc(heap, 0, block, bigger));
        if (grown == nullptr) {
            HeapFree(heap, 0, block);
            return 0;
        }
        block = grown;
        size = bigger;
    }
    out->Names = block;
    return 1;
}
}  // namespace

int ReadSectionKeys(const char* file, const char* section, SectionKeys* out) {
    return ReadSectionBlock(file, section, 0, out);
}

int ReadSectionLines(const char* file, const char* section, SectionKeys* out) {
    return ReadSectionBlock(file, section, 1, out);
}

void FreeSectionKeys(SectionKeys* keys) {
    if (keys->Names != nullptr) HeapFree(GetProcessHeap(), 0, keys->Names);
    keys->Names = nullptr;
}
