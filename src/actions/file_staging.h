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

// What the new file is made from: the version service's temporary copy when it left
// one (a compressed source is already expanded in it), else the source itself.
struct StagingSource {
    const PathText* ExpandedCopy;  // full path of the temporary copy, or nullptr
    const PathText* SourceDir;
    const PathText* SourceFile;
};

// Places the new file under the staged path and registers the move for the next
// start: a delayed move on Windows NT, a "wininit.ini" [rename] entry otherwise.
// Returns 1 and sets RestartNeeded once the move is registered. Returns 0 when the
// file could not be placed or the move not registered; then no staged file is left
// and nothing is registered.
int StageReplacement(const StagingSource& source, const PathText& destination);
