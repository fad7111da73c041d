// A component that refuses to register: DllRegisterServer writes part of its
// registration (HKCU\Software\SetupE2E\RefuseReg "Partial" = its own path), then
// answers E_ACCESSDENIED, as a component does that lacks the rights for the rest.
#include <windows.h>

static HINSTANCE g_module;

extern "C" HRESULT __stdcall DllRegisterServer() {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(g_module, self, MAX_PATH);
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\SetupE2E\\RefuseReg", 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) == ERROR_SUCCESS) {
        RegSetValueExA(key, "Partial", 0, REG_SZ, reinterpret_cast<const BYTE*>(self), lstrlenA(self) + 1);
        RegCloseKey(key);
    }
    return E_ACCESSDENIED;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_module = instance;
    return TRUE;
}
