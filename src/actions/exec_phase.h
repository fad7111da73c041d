// The ExecFiles.WIN32 phase: programs started after the copy.
#pragma once

int RunExecPhase(const char* listSection);
int ExecEntry(const char* section);
