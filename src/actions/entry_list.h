// What the file, execution and registration phases share: the walk over a list
// section and the target of one entry.
#pragma once

#include "platform/fixed_text.h"

// Runs one entry: its section name and the walk's context. 1 to go on, 0 to stop.
using EntryRunner = int (*)(const char* section, const void* context);

// Calls `runEntry` for each key name of `listSection`, with `context`; the first entry
// that returns 0 ends the walk. With `showProgress` the progress window is open while
// the entries run. Returns 1 when every entry returned 1 or the list is empty, 0 when
// an entry failed or the list could not be read (no window is then opened).
int RunEntryList(const char* listSection, EntryRunner runEntry, const void* context, int showProgress);

// Reads the entry's TargetFilename (default: the section's name) into TARGETFILE, and
// into TARGETDIR either `directory`, taken as it is, or when that is nullptr the
// entry's TargetDir with its macros expanded; without the key TARGETDIR stays as it
// is. Both stay for the next entry.
void ReadEntryTarget(const char* section, const PathText* directory);
