// UNINST.EXE: undoes an installation that SETUP.EXE recorded in an uninstall log.
#pragma once

#include "platform/platform.h"
#include "setup/exit_codes.h"

// The remover's whole run for a command-line tail; returns its exit code (the
// table shared with SETUP.EXE).
int RunUninstaller(HINSTANCE instance, const char* commandLine);
