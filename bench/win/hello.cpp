// The smallest program that shows one message box the way SETUP.EXE shows its last
// one: no owner window, MB_OK. Start-up reference for the benchmark.
#include <windows.h>

extern "C" __attribute__((force_align_arg_pointer)) void WinMainCRTStartup() {
    MessageBoxA(nullptr, "Setup completed successfully", "Bench", MB_OK);
    ExitProcess(0);
}
