// The values of a whole key of Windows, read once per run for the questions the
// remover asks of every path: which files a SharedDLLs count keeps, which directories
// are the profile's shell folders.
#pragma once

#include "platform/fixed_text.h"
#include "platform/platform.h"

// One value: its name, its type and its data (up to a path's size; a value with more
// data is visited with type 0 and no data). A visit that answers true ends the walk.
using ValueVisit = bool (*)(const PathText& name, DWORD type, const BYTE* data, DWORD size, void* context);

// Visits each value of root\Software\Microsoft\Windows\CurrentVersion\<subKey>. 1 when the
// key was read (a key that is not there has no values), 0 when it cannot be.
int ForEachWindowsValue(HKEY root, const char* subKey, ValueVisit visit, void* context);
