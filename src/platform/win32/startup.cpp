// Start-up code of SETUP.EXE and UNINST.EXE, which link no C runtime: the command-line tail is
// found as the C runtime would find it, WinMain runs, and the process ends.
#include "platform/platform.h"

// Only the linker names the entry point, so link-time optimisation is told to keep it.
extern "C" __attribute__((force_align_arg_pointer, used, externally_visible)) void WinMainCRTStartup() {
    char* p = GetCommandLineA();
    // Skip the program name: a quoted one up to its closing quote, otherwise up to
    // the first blank or control character.
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"') ++p;
        if (*p == '"') ++p;
    } else {
        while (static_cast<unsigned char>(*p) > ' ') ++p;
    }
    while (*p != '\0' && static_cast<unsigned char>(*p) <= ' ') ++p;
    // SETUP.EXE's entry always answers 0; UNINST.EXE's answer is its exit code.
    ExitProcess(static_cast<UINT>(WinMain(GetModuleHandleA(nullptr), nullptr, p, SW_SHOWDEFAULT)));
}
