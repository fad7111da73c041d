// The ExecFiles.WIN32 phase: programs started after the copy.
#pragma once

// Starts the program of every entry of the list, in list order. 1 when every entry
// was done, 0 when the list could not be read or a required program did not start.
int RunExecPhase(const char* listSection);
// Starts one entry's program and logs its removal command. 1, or 0 when a required
// program did not start (after its box); TARGETDIR and TARGETFILE stay as read.
int ExecEntry(const char* section);
