// Which logged files stay. Decided for every file before anything is unregistered or
// deleted: a component whose file stays keeps its registration, or every other program
// that uses it breaks.
#pragma once

#include <string_view>

#include "platform/platform.h"

enum class LogListing { Listed, NotListed, Unknown };

// A section of the log, its lines whole, in a heap block (HeapFree it); 0 when it could
// not be read: no memory, or a log that no longer reads as one (an empty section is
// told from an unreadable log by the [UNINST] Product line every log has).
char* ReadLogSectionLines(const char* section);
// Whether the lines name `path` (a folded path). Every logged entry has an empty value
// and a name may hold '=', so each line's name is what precedes its last '='.
bool IsPathInLines(const char* lines, std::string_view path);
// Both at once; Unknown when the section could not be read.
LogListing FindInLogSection(const char* section, std::string_view path);
// Whether HKLM\...\SharedDLLs counts the file as used (a count above 0): 1 counted,
// 0 not, -1 when the key is there but cannot be read.
int FindSharedCount(const char* path);
// Why a file that [UninstKeptFiles] names stays, as the trace says it.
constexpr char kKeptByLog[] = "the log keeps it";
