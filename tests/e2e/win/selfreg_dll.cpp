// A self-registering component: DllRegisterServer writes
// HKCU\Software\SetupE2E\SelfReg "Registered" = its own path, and the marker file
// <own path>.registered with the value of E2E_SELFREG_NOTE from the environment.
#include <windows.h>

#include <string>

static HINSTANCE g_module;

extern "C" __declspec(dllexport) HRESULT __stdcall DllRegisterServer() {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(g_module, self, MAX_PATH);
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\SetupE2E\\SelfReg", 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return E_FAIL;
    RegSetValueExA(key, "Registered", 0, REG_SZ, reinterpret_cast<const BYTE*>(self), lstrlenA(self) + 1);
    RegCloseKey(key);
    std::string marker = std::string(self) + ".registered";
    char note[512] = {};
    GetEnvironmentVariableA("E2E_SELFREG_NOTE", note, sizeof note);
    HANDLE h = CreateFileA(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(h, note, lstrlenA(note), &written, nullptr);
        CloseHandle(h);
    }
    return S_OK;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_module = instance;
    return TRUE;
}
