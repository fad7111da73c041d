// UNINST.EXE: undoes an installation that SETUP.EXE recorded in an uninstall log.
#pragma once

#include "platform/platform.h"

// Exit codes of the remover.
enum RemovalExitCode : int {
    kRemovalComplete = 0,    // everything removed, kept by choice, or staged for the restart
    kRemovalIncomplete = 1,  // something could not be removed (or the person said No)
    kRemovalBadInput = 2,    // a bad command line, or a log that cannot be used
};

// The remover's whole run for a command-line tail; returns its exit code.
int RunUninstaller(HINSTANCE instance, const char* commandLine);
