// The remover's passes, in the reverse order of the installation: removal commands,
// component unregistration, files, then the directories that held them.
#pragma once

// Each walks its log section last entry first.
void RunExecRemoval();
void RunComponentRemoval();
void RunFileRemoval();
void RunDirectoryRemoval();

// Names the item being handled in the progress window.
void ShowProgressItem(const char* item);
