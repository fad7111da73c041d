// A version.dll planted beside SETUP.EXE. It appends to "planted_version.log" beside
// itself one line when a process loads it ("loaded by <program>") and one for every
// call of its exports ("called <export> by <program>"). The exports are those a
// program that imports version.dll statically, or SETUP.EXE itself, would call.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <string.h>

namespace {
HINSTANCE g_Self;

void AppendLine(const char* what) {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(g_Self, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    while (n > 0 && path[n - 1] != '\\') --n;
    const char name[] = "planted_version.log";
    if (n + sizeof name > MAX_PATH) return;
    memcpy(path + n, name, sizeof name);
    char program[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, program, MAX_PATH);
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, what, static_cast<DWORD>(strlen(what)), &written, nullptr);
    WriteFile(file, " by ", 4, &written, nullptr);
    WriteFile(file, program, length, &written, nullptr);
    WriteFile(file, "\r\n", 2, &written, nullptr);
    CloseHandle(file);
}
}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    g_Self = self;
    if (reason == DLL_PROCESS_ATTACH) AppendLine("loaded");
    return TRUE;
}

extern "C" __declspec(dllexport) DWORD WINAPI GetFileVersionInfoSizeA(LPCSTR, LPDWORD handle) {
    AppendLine("called GetFileVersionInfoSizeA");
    if (handle != nullptr) *handle = 0;
    return 0;
}

extern "C" __declspec(dllexport) DWORD WINAPI VerFindFileA(DWORD, LPSTR, LPSTR, LPSTR, LPSTR, PUINT, LPSTR, PUINT) {
    AppendLine("called VerFindFileA");
    return 0;
}

// Fails every installation, so that a copy made through this DLL would show it too.
extern "C" __declspec(dllexport) DWORD WINAPI VerInstallFileA(DWORD, LPSTR, LPSTR, LPSTR, LPSTR, LPSTR, LPSTR,
                                                              PUINT) {
    AppendLine("called VerInstallFileA");
    return 0x00010000;  // VIF_CANNOTREADSRC
}
