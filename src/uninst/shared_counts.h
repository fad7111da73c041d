// HKLM\Software\Microsoft\Windows\CurrentVersion\SharedDLLs: how many installed
// products use a file. Any value of a file's name is a count: a REG_DWORD, a decimal
// text, or one to four little-endian bytes; a value of any other form counts as
// shared. Only a count that reads 0, or no value, leaves the file to its product.
#pragma once

#include "platform/fixed_text.h"
#include "platform/platform.h"

// Reads every value of the key once per run: the files that a count keeps, each by its
// identity (a value named by a short spelling too). 0 when the key is there but cannot
// be read.
int ReadCountedFiles();
// Whether a count keeps the file (an identity), as ReadCountedFiles found them.
bool IsCountedFile(const char* path);
// The count of the file (an identity: folded, long form), under that name or its
// short one. 1 with *count set (0 when there is no value), 0 when the key is there but
// cannot be read. `name` receives the value's name when there is one.
int ReadSharedCount(const char* path, DWORD* count, PathText* name = nullptr);
// Lowers this product's count of the file by one, when it still reads `from` (a run
// cut after lowering it finds `from - 1`): the value goes at 0. 1 when the count is
// this product's no longer, with *left the count that stays; 0 when it could not be
// written, or someone else changed it meanwhile (*left then says what it reads).
int LowerSharedCount(const char* path, DWORD from, DWORD* left);
