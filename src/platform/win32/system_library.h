// DLLs that SETUP.EXE loads at first use, always by full path from the system
// directory, so that a DLL of the same name beside SETUP.EXE is never taken.
//
// A late-loaded function is declared once with DECLARE_SYSTEM_FUNCTION, which gives
// it a pointer type and a row holding its name and address, listed in the
// SystemLibrary of its DLL; SYSTEM_FUNCTION calls it once LoadSystemFunctions said 1.
#pragma once

#include "platform/platform.h"

// The module, or nullptr when the system directory or the DLL cannot be had.
HMODULE LoadSystemLibrary(const char* fileName);

// One function of a late-loaded DLL: its exported name and, once found, its address.
struct SystemFunction {
    const char* Name;
    FARPROC Address;
};

// A DLL of the system directory and the functions taken from it; `Functions` ends
// with a null entry.
struct SystemLibrary {
    const char* FileName;
    SystemFunction* const* Functions;
    int State;  // 0 before the first load, then 1 when every function was found, 2 when not
};

// Loads the DLL and looks up its functions on the first call; later calls repeat the
// first call's answer. 1 when the DLL and every function were found, otherwise 0.
int LoadSystemFunctions(SystemLibrary& library);

#define DECLARE_SYSTEM_FUNCTION(returnType, name, parameters) \
    using name##Type = returnType(WINAPI*) parameters;        \
    SystemFunction name##Entry = {#name, nullptr}

#define SYSTEM_FUNCTION(name) reinterpret_cast<name##Type>(reinterpret_cast<void*>(name##Entry.Address))
