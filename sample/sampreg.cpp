// Sample Viewer file-type handler: a self-registering component. SETUP.EXE loads
// it after the copy and calls DllRegisterServer, which records where it lives.
#include <windows.h>

static HINSTANCE g_module;

extern "C" __declspec(dllexport) HRESULT __stdcall DllRegisterServer() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(g_module, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return E_FAIL;
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Sample Software\\Sample Viewer\\Handler", 0, nullptr, 0,
                        KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return E_FAIL;
    LONG rc = RegSetValueExA(key, "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(path), n + 1);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? S_OK : E_FAIL;
}

extern "C" __declspec(dllexport) HRESULT __stdcall DllUnregisterServer() {
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Sample Software\\Sample Viewer\\Handler");
    return S_OK;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_module = instance;
    return TRUE;
}
