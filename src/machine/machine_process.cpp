// Programs, components and the process environment.
#include <string.h>

#include "machine/machine_internal.h"

namespace {

// --- WinExec --------------------------------------------------------------------

// The file a program name resolves to, or "" when there is none. A name without an
// extension gets ".exe"; a bare name is searched in the caller's directory, the
// current directory, the system and the Windows directories.
std::string ResolveProgram(std::string name) {
    using namespace machine;
    if (name.empty()) return "";
    std::string leaf = name.substr(name.find_last_of("\\/:") == std::string::npos ? 0 : name.find_last_of("\\/:") + 1);
    if (leaf.find('.') == std::string::npos) name += ".exe";
    if (name.find_first_of("\\/:") != std::string::npos) {
        std::string p = NormalisePath(name);
        return FindFile(p) ? p : "";
    }
    for (const std::string& dir : {ParentOf(NormalisePath(M().moduleFileName)), M().currentDirectory,
                                   M().systemDirectory, M().windowsDirectory}) {
        std::string p = JoinMachinePath(dir, name);
        if (FindFile(p)) return p;
    }
    return "";
}

// The program a command line starts, as CreateProcess finds it: a quoted name up to
// its closing quote; otherwise the text up to the first blank, then up to the next
// blank and so on, the first of these that names an existing file winning.
std::string ProgramOf(const std::string& command) {
    size_t i = 0;
    while (i < command.size() && (command[i] == ' ' || command[i] == '\t')) ++i;
    if (i < command.size() && command[i] == '"') {
        size_t close = command.find('"', i + 1);
        return ResolveProgram(command.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1));
    }
    size_t pos = i;
    for (;;) {
        size_t blank = command.find_first_of(" \t", pos);
        std::string candidate = command.substr(i, blank == std::string::npos ? std::string::npos : blank - i);
        std::string found = ResolveProgram(candidate);
        if (!found.empty() || blank == std::string::npos) return found;
        pos = blank + 1;
    }
}

// --- components -----------------------------------------------------------------

uintptr_t g_NextModule = 0x10000000;

// DllRegisterServer and DllUnregisterServer entry points handed out by
// GetProcAddress: one trampoline per slot, each bound to the component and the
// entry point it stands for.
constexpr int kTrampolines = 8;
std::string g_TrampolinePath[kTrampolines];
bool g_TrampolineUnregisters[kTrampolines];
int g_NextTrampoline = 0;

HRESULT CallServerEntry(int slot) {
    using namespace machine;
    const std::string& path = g_TrampolinePath[slot];
    bool unregisters = g_TrampolineUnregisters[slot];
    LogCall((unregisters ? "DllUnregisterServer " : "DllRegisterServer ") + path);
    auto it = M().components.find(path);
    if (it == M().components.end()) return static_cast<HRESULT>(0x8000FFFF);  // E_UNEXPECTED
    Component component = it->second;                                         // the callback may change the machine
    if (unregisters) {
        if (component.onUnregister) component.onUnregister();
        return component.unregisterResult;
    }
    if (component.onRegister) component.onRegister();
    return component.registerResult;
}

template <int Slot>
HRESULT ServerEntryTrampoline() {
    return CallServerEntry(Slot);
}

using TrampolineFn = HRESULT (*)();
const TrampolineFn kTrampolineFns[kTrampolines] = {
    ServerEntryTrampoline<0>, ServerEntryTrampoline<1>, ServerEntryTrampoline<2>, ServerEntryTrampoline<3>,
    ServerEntryTrampoline<4>, ServerEntryTrampoline<5>, ServerEntryTrampoline<6>, ServerEntryTrampoline<7>,
};

}  // namespace

namespace machine {
void ResetModules() {
    g_NextModule = 0x10000000;
    g_NextTrampoline = 0;
    for (std::string& p : g_TrampolinePath) p.clear();
}
}  // namespace machine

using namespace machine;

// Starts the program the command line (or the application name) names; the
// machine's onProcessStart hook does the program's work at once.
BOOL CreateProcessA(LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                    BOOL inheritHandles, DWORD, LPVOID, LPCSTR, LPSTARTUPINFOA startup,
                    LPPROCESS_INFORMATION information) {
    std::string cmd = Text(commandLine);
    LogCall("CreateProcessA " + (application ? Text(application) + " | " : std::string()) + cmd);
    if (ShouldFail("CreateProcessA")) return Fail(kErrorNotEnoughMemory, FALSE);
    if (!information || !startup) return Fail(kErrorInvalidParameter, FALSE);
    std::string program = application ? (FindFile(application) ? NormalisePath(application) : "") : ProgramOf(cmd);
    if (program.empty()) return Fail(kErrorFileNotFound, FALSE);
    StartedProcess process{cmd, (startup->dwFlags & STARTF_USESHOWWINDOW) ? startup->wShowWindow : 10u, {}};
    process.application = Text(application);
    process.inheritsHandles = inheritHandles != FALSE;
    for (const auto& entry : M().environment) process.environment.push_back(entry.first + "=" + entry.second);
    M().started.push_back(process);
    information->hProcess = OpenNewHandle();
    information->hThread = OpenNewHandle();
    information->dwProcessId = 0x100 + static_cast<DWORD>(M().started.size());
    information->dwThreadId = 0x200 + static_cast<DWORD>(M().started.size());
    if (M().onProcessStart) M().onProcessStart(cmd);
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    LogCall("WaitForSingleObject " + std::to_string(milliseconds));
    if (ShouldFail("WaitForSingleObject")) return Fail<DWORD>(kErrorInvalidHandle, WAIT_FAILED);
    if (!M().openHandles.count(handle)) return Fail<DWORD>(kErrorInvalidHandle, WAIT_FAILED);
    M().waits.push_back(milliseconds);
    return M().waitResult;
}

// Only the current process is duplicated (the handle a started copy waits on).
BOOL DuplicateHandle(HANDLE sourceProcess, HANDLE source, HANDLE targetProcess, PHANDLE target, DWORD access,
                     BOOL inherit, DWORD) {
    LogCall("DuplicateHandle " + std::to_string(access) + " " + std::to_string(inherit));
    if (ShouldFail("DuplicateHandle")) return Fail(kErrorAccessDenied, FALSE);
    if (sourceProcess != GetCurrentProcess() || targetProcess != GetCurrentProcess() || source != GetCurrentProcess() ||
        !target)
        return Fail(kErrorInvalidParameter, FALSE);
    *target = OpenNewHandle();
    return TRUE;
}

UINT WinExec(LPCSTR command, UINT show) {
    std::string cmd = Text(command);
    LogCall("WinExec " + cmd);
    if (ShouldFail("WinExec")) return 0;  // out of resources
    UINT result;
    if (M().winExecResult)
        result = M().winExecResult(cmd);
    else
        result = ProgramOf(cmd).empty() ? 2 : 33;
    if (result > 31) {
        StartedProcess process{cmd, show, {}};
        for (const auto& entry : M().environment) process.environment.push_back(entry.first + "=" + entry.second);
        M().started.push_back(process);
    }
    return result;
}

HMODULE LoadLibraryA(LPCSTR path) {
    LogCall("LoadLibraryA " + Text(path));
    if (ShouldFail("LoadLibraryA")) return Fail<HMODULE>(kErrorNotEnoughMemory, nullptr);
    if (!path) return Fail<HMODULE>(kErrorInvalidParameter, nullptr);
    std::string p = NormalisePath(path);
    if (!M().components.count(p)) {
        const FileData* file = FindFile(p);
        if (file == nullptr || !file->isModule)
            return Fail<HMODULE>(kErrorFileNotFound /* ERROR_MOD_NOT_FOUND */, nullptr);
        Component component;
        component.exportsRegisterServer = file->exportsRegisterServer;
        component.registerResult = file->registerResult;
        M().components[p] = component;
    }
    // The same module loaded twice keeps its handle.
    for (const auto& loaded : M().loadedModules)
        if (SameText(loaded.second, p)) return loaded.first;
    HMODULE module = reinterpret_cast<HMODULE>(g_NextModule);
    g_NextModule += 0x10000;
    M().loadedModules[module] = p;
    return module;
}

// The program itself (no name), kernel32, or a module loaded by LoadLibraryA, by its
// file name.
HMODULE GetModuleHandleA(LPCSTR name) {
    LogCall("GetModuleHandleA " + Text(name));
    if (ShouldFail("GetModuleHandleA")) return Fail<HMODULE>(126 /* ERROR_MOD_NOT_FOUND */, nullptr);
    if (name == nullptr) return reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x400000));
    std::string wanted = Text(name);
    if (wanted.find('.') == std::string::npos) wanted += ".DLL";
    if (SameText(wanted, "KERNEL32.DLL")) return kKernelModule;
    for (const auto& loaded : M().loadedModules)
        if (SameText(LeafOf(loaded.second), wanted)) return loaded.first;
    return Fail<HMODULE>(126, nullptr);
}

namespace {
// GetLongPathNameA came with Windows 98 and NT 5 (2000).
bool KernelHasLongPathName() {
    const OSVERSIONINFOA& v = M().version;
    if (v.dwPlatformId == VER_PLATFORM_WIN32_NT) return v.dwMajorVersion >= 5;
    return v.dwMajorVersion > 4 || (v.dwMajorVersion == 4 && v.dwMinorVersion >= 10);
}
}  // namespace

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
    // An ordinal is not a string.
    bool byName = reinterpret_cast<uintptr_t>(name) > 0xFFFF;
    LogCall("GetProcAddress " +
            (byName ? std::string(name) : std::string("#") + std::to_string(reinterpret_cast<uintptr_t>(name))));
    if (ShouldFail("GetProcAddress")) return Fail<FARPROC>(127, nullptr);
    if (module == kKernelModule) {
        if (!byName || strcmp(name, "GetLongPathNameA") != 0 || !KernelHasLongPathName())
            return Fail<FARPROC>(127, nullptr);
        return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&KernelGetLongPathNameA));
    }
    auto loaded = M().loadedModules.find(module);
    if (loaded == M().loadedModules.end()) return Fail<FARPROC>(kErrorInvalidHandle, nullptr);
    bool unregisters = byName && strcmp(name, "DllUnregisterServer") == 0;
    if (!byName || (!unregisters && strcmp(name, "DllRegisterServer") != 0))
        return Fail<FARPROC>(127, nullptr);  // ERROR_PROC_NOT_FOUND
    auto component = M().components.find(loaded->second);
    if (component == M().components.end() ||
        !(unregisters ? component->second.exportsUnregisterServer : component->second.exportsRegisterServer))
        return Fail<FARPROC>(127, nullptr);
    // Reuse the slot of this component's entry when it has one.
    int slot = -1;
    for (int i = 0; i < kTrampolines; ++i)
        if (SameText(g_TrampolinePath[i], loaded->second) && g_TrampolineUnregisters[i] == unregisters) slot = i;
    if (slot < 0) {
        slot = g_NextTrampoline;
        g_NextTrampoline = (g_NextTrampoline + 1) % kTrampolines;
        g_TrampolinePath[slot] = loaded->second;
        g_TrampolineUnregisters[slot] = unregisters;
    }
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(kTrampolineFns[slot]));
}

BOOL FreeLibrary(HMODULE module) {
    LogCall("FreeLibrary");
    if (ShouldFail("FreeLibrary")) return Fail(kErrorInvalidHandle, FALSE);
    auto it = M().loadedModules.find(module);
    if (it == M().loadedModules.end()) return Fail(kErrorInvalidHandle, FALSE);
    M().loadedModules.erase(it);
    return TRUE;
}

HRESULT OleInitialize(LPVOID) {
    LogCall("OleInitialize");
    if (ShouldFail("OleInitialize")) return static_cast<HRESULT>(0x80004005);  // E_FAIL
    return 0;
}

void OleUninitialize() {
    LogCall("OleUninitialize");
}

BOOL SetEnvironmentVariableA(LPCSTR name, LPCSTR value) {
    LogCall("SetEnvironmentVariableA " + Text(name) + (value ? "=" + std::string(value) : std::string(" (remove)")));
    if (ShouldFail("SetEnvironmentVariableA")) return Fail(kErrorNotEnoughMemory, FALSE);
    std::string n = Text(name);
    if (n.empty() || n.find('=') != std::string::npos) return Fail(kErrorInvalidParameter, FALSE);
    auto& env = M().environment;
    for (auto it = env.begin(); it != env.end(); ++it) {
        if (!SameText(it->first, n)) continue;
        if (value == nullptr)
            env.erase(it);
        else
            it->second = value;
        return TRUE;
    }
    if (value != nullptr) env.emplace_back(n, value);
    return TRUE;
}

DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR out, DWORD size) {
    LogCall("GetEnvironmentVariableA " + Text(name));
    if (ShouldFail("GetEnvironmentVariableA")) return Fail<DWORD>(kErrorEnvvarNotFound, 0);
    std::optional<std::string> value = GetEnvironment(Text(name));
    if (!value) return Fail<DWORD>(kErrorEnvvarNotFound, 0);
    return CopyOrNeed(*value, out, size);
}
