// DLLs that SETUP.EXE loads at first use, always by full path from the system
// directory, so that a DLL of the same name beside SETUP.EXE is never taken.
#pragma once

#include "platform/platform.h"

// The module, or nullptr when the system directory or the DLL cannot be had.
HMODULE LoadSystemLibrary(const char* fileName);

template <typename Function>
Function ProcedureOf(HMODULE module, const char* name) {
    return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}
