// Replacing a file that is in use: the new file is copied beside it and moved into
// place when Windows next starts.
#pragma once

#include "platform/fixed_text.h"

// The destination with its last character replaced by '~' (X.DLL is staged as X.DL~).
void FormStagedPath(const PathText& destination, PathText& staged);

// Copies `source` to the staged path beside `destination` and registers the move for
// the next start: a delayed move on Windows NT, a "wininit.ini" [rename] entry
// otherwise. Returns 1 and sets RestartNeeded once the copy is made; 0 when the copy
// failed, and then nothing is registered.
int StageReplacement(const PathText& source, const PathText& destination);
