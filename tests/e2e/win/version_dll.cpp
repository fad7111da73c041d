// A component that carries nothing but its version resource (built twice, as
// versions 1.0 and 2.0), for the version-checked copy.
#include <windows.h>

extern "C" __declspec(dllexport) int VersionedComponentMark() { return E2E_DLL_MAJOR; }

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
