// The uninstall log as a file: the few direct file operations both programs use on it,
// beside the profile functions that read it.
#pragma once

#include "platform/fixed_text.h"
#include "platform/platform.h"

// The file a log path names for the file functions: a bare name is a file in the
// Windows directory, as the profile functions read it. False when it does not fit.
bool ResolveLogFile(const char* path, PathText& file);
// The whole file in a heap block with a terminator after its `*size` bytes; nullptr
// when it could not be read, with `*missing` set when there is no such file.
char* ReadLogFile(const char* file, DWORD* size, int* missing);
// Adds the bytes at the end of the file, which is made when there is none: 1 when all
// of them were written.
int AppendToLogFile(const char* file, const char* text, DWORD size);
// The profile functions of the Windows 95 family keep a copy of the last profile file
// they touched and write it back later: this makes them write it now and let it go,
// so that a direct write is not overwritten and a direct read sees their changes.
void FlushProfileCache(const char* file);
