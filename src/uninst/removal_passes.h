// The remover's passes, in the reverse order of the installation: removal commands,
// which files stay, component unregistration, files, then the directories the
// product made.
#pragma once

// Each walks its log section last entry first.
void RunExecRemoval();
// Decides keep or remove for every logged file. 0 when a decision could not be made
// (then nothing may be unregistered or deleted in this run).
int DecideFilesToKeep();
void RunComponentRemoval();
void RunFileRemoval();
void RunDirectoryRemoval();

// Names the item being handled in the progress window.
void ShowProgressItem(const char* item);
