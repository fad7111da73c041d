// A component without DllRegisterServer: loads, but cannot register itself.
#include <windows.h>

extern "C" __declspec(dllexport) int NotARegistrationEntry() { return 1; }

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
