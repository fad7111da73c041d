// Deleting a file that is in use: handed to Windows for the next start.
#pragma once

// Returns 1 when the deletion is recorded for the next restart, 0 when it could not
// be (then the file stays and must be reported).
int StageDeletionAtRestart(const char* path);
