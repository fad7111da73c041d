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

int LoadSystemFunctions(SystemLibrary& library) {
    if (library.State == 0) {
        HMODULE module = LoadSystemLibrary(library.FileName);
        library.State = module != nullptr ? 1 : 2;
        for (SystemFunction* const* entry = library.Functions; *entry != nullptr; ++entry) {
            (*entry)->Address = module != nullptr ? GetProcAddress(module, (*entry)->Name) : nullptr;
            if ((*entry)->Address == nullptr) library.State = 2;
        }
    }
    return library.State == 1 ? 1 : 0;
}
