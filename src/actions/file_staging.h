// Replacing a file that is in use: the new file is placed beside it under a staged
// name and moved into place when Windows next starts.
#pragma once

#include "platform/fixed_text.h"

// The destination with its last character replaced by '~' (X.DLL is staged as X.DL~).
void FormStagedPath(const PathText& destination, PathText& staged);

// The staged path for `destination` in this run: the tilde form, unless another
// destination of this run was already staged there; then a free name in the same
// directory with the extension "~01" to "~99" (LIB.DLX as LIB.~01), which keeps an
// 8.3 name 8.3 for "wininit.ini". Returns 0 when no such name is free or fits.
int ChooseStagedPath(const PathText& destination, PathText& staged);

// Deletes the version service's temporary copy named `tempName` in TARGETDIR.
void DeleteTemporaryCopy(const PathText& tempName);

// Places the new file under the staged path and registers the move for the next
// start: a delayed move on Windows NT, a "wininit.ini" [rename] entry otherwise.
// The file is copied from `expandedCopy`, the version service's temporary copy (a
// compressed source is already expanded in it), or, when there is none, installed
// from SRCFILE in SRCDIR by the service itself. Returns 1 and sets RestartNeeded once
// the move is registered. Returns 0 when the file could not be placed or the move
// not registered; then no staged file is left and nothing is registered.
int StageReplacement(const PathText* expandedCopy, const PathText& destination);
