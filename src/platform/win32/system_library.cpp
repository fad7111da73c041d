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

int LoadSystemFunctions(const SystemLibrary& library) {
    int& state = *library.State;
    if (state == 0) {
        HMODULE module = LoadSystemLibrary(library.FileName);
        state = module != nullptr ? 1 : 2;
        FARPROC* address = library.Addresses;
        for (const char* name = library.FunctionNames; *name != '\0'; name += TextLength(name) + 1, ++address) {
            *address = module != nullptr ? GetProcAddress(module, name) : nullptr;
            if (*address == nullptr) state = 2;
        }
    }
    return state == 1 ? 1 : 0;
}
