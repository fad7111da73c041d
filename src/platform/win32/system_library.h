// DLLs that SETUP.EXE loads at first use, always by full path from the system
// directory, so that a DLL of the same name beside SETUP.EXE is never taken.
//
// A late-loaded DLL is a constant SystemLibrary: its file name, the names of the
// functions taken from it, and zeroed room for their addresses and its state. Only
// the zeroed part changes, so a program keeps no initialized writable data for it.
// SYSTEM_FUNCTION turns an address into its function type once LoadSystemFunctions
// said 1.
#pragma once

#include "platform/platform.h"

// The module, or nullptr when the system directory or the DLL cannot be had.
HMODULE LoadSystemLibrary(const char* fileName);

struct SystemLibrary {
    const char* FileName;
    const char* FunctionNames;  // each name ends with '\0', the list with an empty name
    FARPROC* Addresses;         // one per name, found by the first load
    int* State;                 // 0 before the first load, then 1 when every function was found, 2 when not
};

// Loads the DLL and looks up its functions on the first call; later calls repeat the
// first call's answer. 1 when the DLL and every function were found, otherwise 0.
int LoadSystemFunctions(const SystemLibrary& library);

#define SYSTEM_FUNCTION(type, address) reinterpret_cast<type>(reinterpret_cast<void*>(address))
