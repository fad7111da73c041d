// The uninstall log held whole in memory by the remover, and written back as a new
// file that then replaces the log, so that a cut at any moment leaves either the old
// log or the new one, never a part of either.
//
// Entries are the key lines of the first section of a name, as the profile functions
// read them; an entry's name is its line up to the last '=' (every logged entry has
// an empty value, and a logged path or command may itself hold '=').
#pragma once

#include "platform/fixed_text.h"
#include "platform/platform.h"

using EntryName = FixedText<2048>;

// Forgets any image held; a cut checkpoint of an earlier run is settled first: when
// the log is missing and the new file is there, the new file is the log (it was whole
// before the old log went); when both are there, the old log still holds.
void RecoverLogCheckpoint(const char* log);
// Reads the log into memory when it is not there yet; 0 when it cannot be read.
int LoadLogImage(const char* log);
// The entries of a section, in file order, as line numbers of the image; 0 when there
// is no memory. The caller frees the list with HeapFree.
DWORD* ListLogEntries(const char* section, DWORD* count);
// The entry's name; false when it does not fit.
bool ReadEntryName(DWORD line, EntryName& name);
// Leaves the entry out of the next checkpoint.
void DropLogEntry(DWORD line);
// The line of the first entry of that name in the section, or 0 when there is none.
DWORD FindLogEntry(const char* section, const char* name);
// Adds `name=` to the section (at its end; a new section goes to the end of the file)
// unless it is there; 0 when there is no memory.
int AddLogEntryLine(const char* section, const char* name);
// Whether the section has no entry left.
bool HasNoLogEntries(const char* section);
// Writes the image as the log: a new file beside it, flushed, then put in its place
// (on the Windows 95 family, which cannot replace a file in one step, the old log is
// deleted first, and RecoverLogCheckpoint settles a cut in between). 0 when the log
// could not be written; it then stays as it was.
int WriteLogCheckpoint(const char* log, const char* omitEmptySection);
