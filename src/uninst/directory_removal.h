// Which directories the remover may take.
#pragma once

#include "platform/platform.h"

enum class DirectoryVerdict { Removable, Kept, Unknown };

// Reads the Program Files and Common Files directories (never removed). When the
// registry cannot be read to say, no directory is removed in this run.
void ReadProtectedDirectories();
// The one rule every directory passes before RemoveDirectoryA, whichever list or walk
// named it. `directory` is an identity, without a trailing backslash. Unknown when the
// registry cannot be read to say.
DirectoryVerdict JudgeDirectory(const char* directory);

enum class DirectoryOutcome { Removed, Kept, NotEmpty, Unknown };
// Removes the directory when the rule allows it and it is empty, and traces what became
// of it: Kept when the rule keeps it (or it is gone), Unknown when the registry cannot
// be read to say.
DirectoryOutcome RemoveDirectoryByRule(const char* directory);
