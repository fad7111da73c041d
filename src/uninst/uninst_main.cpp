// UNINST.EXE's entry point; the start-up code ends the process with its result.
#include "uninst/uninstaller.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    return RunUninstaller(instance, commandLine);
}
