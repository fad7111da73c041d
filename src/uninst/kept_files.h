// Which logged files stay. Decided for every file before anything is unregistered or
// deleted: a component whose file stays keeps its registration, or every other program
// that uses it breaks.
#pragma once

#include <string_view>

#include "platform/platform.h"

enum class LogListing { Listed, NotListed, Unknown };

// Whether `section` of the log names `path` (a folded path). Every logged entry has an
// empty value and a name may hold '=', so each line's name is what precedes its last
// '='. Unknown when the section could not be read (no memory).
LogListing FindInLogSection(const char* section, std::string_view path);
// Whether HKLM\...\SharedDLLs counts the file as used (a count above 0): 1 counted,
// 0 not, -1 when the key is there but cannot be read.
int FindSharedCount(const char* path);
