#include "platform/long_path.h"

#include <string.h>

LateKernelFunction g_LongPathName;

namespace {
using LongPathNameType = DWORD(WINAPI*)(LPCSTR, LPSTR, DWORD);

// Windows 95 and NT 4 have no GetLongPathNameA: a static import would keep both
// programs from starting there.
LongPathNameType KernelLongPathName() {
    if (!g_LongPathName.Looked) {
        g_LongPathName.Looked = 1;
        HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
        if (kernel != nullptr) g_LongPathName.Address = GetProcAddress(kernel, "GetLongPathNameA");
    }
    return reinterpret_cast<LongPathNameType>(reinterpret_cast<void*>(g_LongPathName.Address));
}

// Puts `name` in place of path[from, to); the end of the name there, or 0 when the
// path would not fit (it is then unchanged: a path is never cut).
size_t ReplacePart(PathText& path, size_t from, size_t to, const char* name) {
    size_t length = path.length(), nameLength = TextLength(name);
    if (length - (to - from) + nameLength >= PathText::Capacity) return 0;
    char* text = path.data();
    memmove(text + from + nameLength, text + to, length - to + 1);
    memcpy(text + from, name, nameLength);
    return from + nameLength;
}
}  // namespace

int ExpandToLongPath(PathText& path) {
    PathText expanded = path;
    char* text = expanded.data();
    size_t length = expanded.length();
    if (length < 4 || text[1] != ':' || text[2] != '\\' || text[length - 1] == '\\') return 1;
    // text[0, known) is the parts that may be asked about, up to the first one that is
    // not one plain name: a search would take * and ? (on NT also " < >) as a pattern,
    // and Windows trims a final dot or blank to name another file.
    size_t known = 3;
    for (size_t at = 3; at <= length; ++at) {
        if (text[at] == '\\' || text[at] == '\0') {
            char last = text[at - 1];
            if (last == '\\' || last == '.' || last == ' ') break;
            known = at;
        } else if (memchr("*?\"<>|", text[at], 6) != nullptr) {
            break;
        }
    }
    if (known == 3) return 1;

    if (LongPathNameType longPathName = KernelLongPathName()) {
        PathText found;
        char after = text[known];
        text[known] = '\0';
        DWORD n = longPathName(text, found.data(), PathText::Capacity);
        text[known] = after;
        if (n >= PathText::Capacity) return 0;
        found.Terminate();
        // A missing part fails the whole call: the searches below find those that exist.
        if (n != 0) {
            if (!ReplacePart(expanded, 0, known, found.c_str())) return 0;
            path = expanded;
            return 1;
        }
    }
    // One search per part, in its parent as expanded so far.
    for (size_t start = 3; start < known;) {
        size_t end = start;
        while (end < known && text[end] != '\\') ++end;
        char after = text[end];
        text[end] = '\0';
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(text, &found);
        text[end] = after;
        if (search == INVALID_HANDLE_VALUE) break;
        FindClose(search);
        found.cFileName[MAX_PATH - 1] = '\0';
        size_t nameEnd = ReplacePart(expanded, start, end, found.cFileName);
        if (nameEnd == 0) return 0;
        known = known - end + nameEnd;
        start = nameEnd + 1;
    }
    path = expanded;
    return 1;
}
