// Imports user32 and nothing of version.dll: beside a planted version.dll it shows
// what the platform's own DLLs load by name before any code of a program runs.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

int main() { return GetSystemMetrics(SM_CXSCREEN) >= 0 ? 0 : 1; }
