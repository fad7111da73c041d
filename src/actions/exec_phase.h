// The ExecFiles.WIN32 phase: programs started after the copy.
#pragma once

// Starts the program of every entry of the list, in list order. 1 when every entry
// was done, 0 when the list could not be read or a required program did not start.
int RunExecPhase(const char* listSection);
// Starts one entry's program and logs its removal command. 1, or 0 when a required
// program did not start (after its box); TARGETDIR and TARGETFILE stay as read.
int ExecEntry(const char* section);

#include <string_view>

#include "platform/fixed_text.h"

// The program's path as an entry starts it: TARGETDIR and TARGETFILE joined, or the
// bare name when the directory is empty. 0 when it does not fit (`path` then holds as
// much as fits, for the failure box).
int JoinProgramPath(PathText& path);
// Whether that path names the program wherever the current directory is; a quote
// the script's author put before it is no part of it.
bool IsFullProgramPath(std::string_view path);
