// What the execution and registration phases share: the walk over a list section
// and the target of one entry.
#pragma once

// Calls `runEntry` for each key name of `listSection`; the first entry that returns
// 0 ends the walk. Returns 1 when every entry returned 1 or the list is empty, 0
// when an entry failed or the list could not be read.
int RunEntryList(const char* listSection, int (*runEntry)(const char* section));

// Reads the entry's TargetDir into TARGETDIR with its macros expanded. Without the
// key TARGETDIR stays as it is: the directory of the entry before was expanded
// once already, and a second expansion would change it (C:\100%\ would become
// C:\100\).
void ReadEntryTargetDir(const char* section);

// Reads the entry's TargetFilename (default: the section's name) into TARGETFILE and
// its target directory (ReadEntryTargetDir). Both stay for the next entry.
void ReadEntryTarget(const char* section);
