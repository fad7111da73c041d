// UNINST.EXE: undoes an installation that SETUP.EXE recorded in an uninstall log.
#pragma once

#include "platform/platform.h"
#include "setup/exit_codes.h"

// The remover's whole run for a command-line tail; returns its exit code (the
// table shared with SETUP.EXE).
int RunUninstaller(HINSTANCE instance, const char* commandLine);

// Where the remover looks for the log NAME of its command line, into g_Uninst.LogPath:
// a full path as given, a bare name in the Windows directory. False for a relative
// path with directories, or one that does not fit: the remover does not open it.
bool ResolveLogPath(const char* name);
