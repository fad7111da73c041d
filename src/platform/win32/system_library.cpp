#include "platform/win32/system_library.h"

#include "platform/fixed_text.h"

HMODULE LoadSystemLibrary(const char* fileName) {
    FixedText<MAX_PATH + 16> path;
    UINT n = GetSystemDirectoryA(path.data(), MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    if (path.last() != '\\') path.Append('\\');
    if (!path.Append(fileName)) return nullptr;
    return LoadLibraryA(path.c_str());
}
