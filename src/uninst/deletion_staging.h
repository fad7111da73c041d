// Deleting a file that is in use: handed to Windows for the next start.
#pragma once

#include "platform/fixed_text.h"
#include "platform/platform.h"

// Returns 1 when the deletion is recorded for the next restart, 0 when it could not
// be (then the file stays and must be reported). `entry`, when given, receives the
// path as Windows was told it (the short path on the Windows 95 family), which is
// what CancelStagedDeletion takes.
int StageDeletionAtRestart(const char* path, PathText* entry = nullptr);

// The same for several files at once, in one write that a cut leaves whole or not at
// all; `entries` receives each path as Windows was told it.
int StageDeletionsAtRestart(const char* const* paths, int count, PathText* entries);

// Once a staged deletion has been carried out, the next start must not repeat it:
// a reinstallation to the same paths before then would lose those files. Drops
// every deletion staged for `entry` (exactly that path; renames and other paths
// stay). Returns 1 when nothing of it is pending any more.
int CancelStagedDeletion(const char* entry);

// A profile section's lines, "key=value" each terminated and the whole ended by an
// empty line, in a heap block (HeapFree it) grown until it holds them whole; 0 when
// out of memory.
char* ReadSectionLines(const char* section, const char* file, DWORD* length);
