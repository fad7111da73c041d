// Imports version.dll statically, the way SETUP.EXE must not: started beside a
// planted version.dll with native DLLs preferred, the loader takes the planted one.
// It proves that the planted-DLL case would see such an import.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <winver.h>

int main() {
    DWORD handle = 0;
    return GetFileVersionInfoSizeA("C:\\windows\\system32\\kernel32.dll", &handle) != 0 ? 0 : 1;
}
