// The uninstall log held whole in memory by the remover, read once and never written:
// what the removal has done is kept in its plan beside the log.
//
// Entries are the key lines of the first section of a name, as the profile functions
// read them; an entry's name is its line up to the last '=' (every logged entry has
// an empty value, and a logged path or command may itself hold '=').
#pragma once

#include "platform/fixed_text.h"
#include "platform/platform.h"

using EntryName = FixedText<2048>;

// Grows a heap block to hold `need` bytes, doubling; 0 when there is no memory.
int ReserveBlock(void** block, DWORD* capacity, DWORD need);

// Forgets any image held: the next LoadLogImage reads the log.
void ForgetLogImage();
// Reads the log into memory when it is not there yet; 0 when it cannot be read.
int LoadLogImage(const char* log);
// The entries of a section, in file order, as line numbers of the image; 0 when there
// is no memory. The caller frees the list with HeapFree.
DWORD* ListLogEntries(const char* section, DWORD* count);
// The entry's name; false when it does not fit.
bool ReadEntryName(DWORD line, EntryName& name);
// The log's size and a hash of its bytes as read: what a plan of it is checked against.
void LogImageFingerprint(DWORD* size, DWORD* hash);
