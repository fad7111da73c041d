// Reading the uninstall log back and taking handled entries out of it, so that a
// removal cut short is finished by running the remover again.
//
// The log is read once into memory and written back whole as checkpoints (a new file
// that replaces the log). Removal commands, components and the person's answers are
// written one by one: doing one of them twice is not harmless. Files are written in
// batches that grow with what is left, and at least every few seconds: the total work
// stays proportional to the entries, and a cut repeats at most one batch of
// deletions, which find their files gone.
#pragma once

#include "platform/platform.h"

enum class EntryOutcome {
    Handled,  // removed, kept by the person's choice, or staged: the entry goes
    Left,     // to be handled later in this run (the remover's own file): the entry stays
    Failed,   // could not be handled and was reported: the entry stays
};

using EntryHandler = EntryOutcome (*)(const char* entry);

// Section of the log where the remover notes the directories of the logged files,
// written before the first file goes, so that a second run still finds the
// directories a first run did not get to.
inline constexpr char kDirectoriesSection[] = "UninstDirs";

// Settles a checkpoint an earlier run left half done, and starts this run's reading
// of the log afresh.
void RecoverRemovalLog(const char* log);
// Each entry of the section, last first, whole (the name before the line's last '=');
// each handled one leaves the log at once. Returns 0 when the log could not be read.
int RunLogSectionLastFirst(const char* section, EntryHandler handler);
// The same with handled entries leaving the log in batches.
int RunLogSectionInBatches(const char* section, EntryHandler handler);
// Called by a handler whose entry must leave the log at once (a person answered).
void CheckpointThisEntry();
// Notes the directory of each usable path of `section` in kDirectoriesSection, in one
// write.
void NoteDirectoriesAhead(const char* section);
void ForgetLogEntry(const char* section, const char* entry);
void NoteLogEntry(const char* section, const char* entry);
bool IsLogSectionEmpty(const char* section);
// Whether `test` holds for any entry of the section, as the log stands in this run
// (handled entries are gone even before their checkpoint is on the disk). A log that
// cannot be read answers `unreadable`.
using EntryTest = bool (*)(const char* entry, const void* context);
bool AnyLogEntry(const char* section, EntryTest test, const void* context, bool unreadable);
