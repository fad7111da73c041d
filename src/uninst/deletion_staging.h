// Deleting a file that is in use: handed to Windows for the next start.
#pragma once

#include "platform/platform.h"

// Returns 1 when the deletion is recorded for the next restart, 0 when it could not
// be (then the file stays and must be reported).
int StageDeletionAtRestart(const char* path);

// A profile section's lines, "key=value" each terminated and the whole ended by an
// empty line, in a heap block (HeapFree it) grown until it holds them whole; 0 when
// out of memory.
char* ReadSectionLines(const char* section, const char* file, DWORD* length);
