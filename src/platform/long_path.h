// The long form of a path: one spelling per file, so that a short 8.3 spelling
// (C:\PROGRA~1\COMMON~1\X.DLL) meets the same rules as the long one.
#pragma once

#include "platform/fixed_text.h"
#include "platform/platform.h"

// Expands in place every existing part of a full local path `X:\...` (already folded:
// single backslashes) to its long name: GetLongPathNameA where kernel32 has it
// (Windows 98, 2000 and later), otherwise one FindFirstFileA per part (Windows 95,
// NT 4). Parts from the first one that does not exist on are kept as written, and so
// are parts from the first one that is not one plain name (empty, holding * ? " < > |,
// or ending in a dot or blank, which Windows would trim). A part found one by one takes
// the name as the file system stores it, case included; GetLongPathNameA keeps a part
// that is already long as written, so compare the result without regard to case.
// A failed search keeps that part and the rest as written. The drive letter, a drive
// root, a path with a trailing backslash and a path that is not `X:\...` (UNC,
// relative) stay as they are. 1 on success (also when nothing changed), 0 when the
// long form does not fit a PathText (the path is then unchanged).
int ExpandToLongPath(PathText& path);

// GetLongPathNameA as kernel32 gave it (nullptr where it has none) once Looked is 1.
// Zero-filled at process start, so the program keeps no initialized writable data
// for it; the described machine clears it with each reset.
struct LateKernelFunction {
    FARPROC Address;
    int Looked;
};
extern LateKernelFunction g_LongPathName;
