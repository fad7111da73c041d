// Sample Viewer. Started by SETUP.EXE with /setup once its files are in place, it
// writes its settings file beside itself from the variables that the setup script
// set (SAMPLEHOME, SAMPLEMEDIUM); /uninstall removes that file again. Started
// without arguments it shows which core library it runs with.
#include <windows.h>

#include <cstring>

typedef const char* (*CoreVersionFn)();

static void SettingsPath(char* path, DWORD size) {
    DWORD n = GetModuleFileNameA(nullptr, path, size);
    char* slash = std::strrchr(path, '\\');
    if (n == 0 || slash == nullptr || static_cast<DWORD>(slash - path) + 12 >= size) {
        lstrcpynA(path, "viewer.ini", size);
        return;
    }
    lstrcpynA(slash + 1, "viewer.ini", size - static_cast<DWORD>(slash + 1 - path));
}

// The variable's value, when it is set and fits.
static bool ReadVariable(const char* name, char* value, DWORD size) {
    DWORD n = GetEnvironmentVariableA(name, value, size);
    return n > 0 && n < size;
}

static const char* CoreVersion() {
    HMODULE core = LoadLibraryA("sampcore.dll");
    if (core == nullptr) return "not found";
    auto fn = reinterpret_cast<CoreVersionFn>(reinterpret_cast<void*>(GetProcAddress(core, "SampleCoreVersion")));
    return fn != nullptr ? fn() : "unknown";
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    char ini[MAX_PATH];
    SettingsPath(ini, MAX_PATH);
    if (std::strstr(commandLine, "/setup") != nullptr) {
        char value[MAX_PATH];
        if (ReadVariable("SAMPLEHOME", value, MAX_PATH)) WritePrivateProfileStringA("Viewer", "Home", value, ini);
        if (ReadVariable("SAMPLEMEDIUM", value, MAX_PATH))
            WritePrivateProfileStringA("Viewer", "InstalledFrom", value, ini);
        WritePrivateProfileStringA("Viewer", "CoreVersion", CoreVersion(), ini);
        return 0;
    }
    if (std::strstr(commandLine, "/uninstall") != nullptr) {
        DeleteFileA(ini);
        return 0;
    }
    char text[512];
    wsprintfA(text, "Sample Viewer 1.0\ncore library %s", CoreVersion());
    MessageBoxA(nullptr, text, "Sample Viewer", MB_OK | MB_ICONINFORMATION);
    return 0;
}
