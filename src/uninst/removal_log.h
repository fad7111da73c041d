// Reading the uninstall log back: whole key lists, walked last entry first, each
// entry deleted from the log the moment it has been handled, so that a removal cut
// short is finished by running the remover again.
#pragma once

#include "platform/platform.h"

enum class EntryOutcome {
    Handled,  // removed, kept by the person's choice, or staged: the entry goes
    Left,     // to be handled later in this run (the remover's own file): the entry stays
    Failed,   // could not be handled and was reported: the entry stays
};

using EntryHandler = EntryOutcome (*)(const char* entry);

// Section of the log where the remover notes the directories of removed files, so
// that a second run still finds the directories a first run did not get to.
inline constexpr char kDirectoriesSection[] = "UninstDirs";

// Returns 0 when the section's list could not be read (no memory).
int RunLogSectionLastFirst(const char* section, EntryHandler handler);
void ForgetLogEntry(const char* section, const char* entry);
void NoteLogEntry(const char* section, const char* entry);
bool IsLogSectionEmpty(const char* section);
