// Files several products install (SharedFile=1): each installation raises the file's
// count in HKLM\Software\Microsoft\Windows\CurrentVersion\SharedDLLs once, so that a
// remover deletes it only when the last product that counted it goes.
#pragma once

#include "platform/fixed_text.h"

// Counts the file just installed, kept or staged at `destination` for this
// installation, unless the uninstall log lists it already. `existedBefore`: a file
// was there before this copy. The value, and the log's [UninstSharedFiles] line
// written before it, are named by the destination folded (FoldPath). Nothing of it
// can fail the installation; the trace says what became of the count.
void CountSharedFile(const PathText& destination, bool existedBefore);
