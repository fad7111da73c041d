// Which directories the remover may take, and where it notes them.
#pragma once

// Reads the Program Files and Common Files directories (never removed). When the
// registry cannot be read to say, no directory is removed in this run.
void ReadProtectedDirectories();
// Notes the directory that directly held a file about to be deleted, for a log that
// does not record the directories SETUP.EXE created (written before this was kept,
// or by another program). Once per run of files in the same directory.
void NoteDirectoryOf(const char* path);
