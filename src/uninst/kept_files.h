// Which logged files stay. Decided for every file before anything is unregistered or
// deleted: a component whose file stays keeps its registration, or every other program
// that uses it breaks.
#pragma once

#include <string_view>

#include "platform/platform.h"

// Whether the section of the log, as it stands in this run, names `path` (a folded
// path); a log that cannot be read answers `unreadable`. Every logged entry has an
// empty value and a name may hold '=', so each line's name is what precedes its last
// '='. The log is read once per run: a second read of the file that failed would
// answer "not named", and a kept file would go.
bool IsPathInLogSection(const char* section, std::string_view path, bool unreadable);
// Whether HKLM\...\SharedDLLs counts the file as used (a count above 0): 1 counted,
// 0 not, -1 when the key is there but cannot be read.
int FindSharedCount(const char* path);
// Closes the SharedDLLs key that FindSharedCount keeps open for the pass asking it for
// every file (each open is a round trip to the system).
void CloseSharedCounts();
// Why a file that [UninstKeptFiles] names stays, as the trace says it.
constexpr char kKeptByLog[] = "the log keeps it";
