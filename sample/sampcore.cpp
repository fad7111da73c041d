// Sample Viewer core library: shared by the viewer and, in real life, by other
// products of the same maker, so it lives in the Windows system directory and
// carries a version resource for the version-checked copy.
#include <windows.h>

#include "sampcore_version.h"

extern "C" __declspec(dllexport) const char* SampleCoreVersion() { return SAMPCORE_VERSION_TEXT; }

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
