#include "actions/register_phase.h"

#include "actions/entry_list.h"
#include "script/script_names.h"
#include "setup/setup_context.h"
#include "ui/run_trace.h"
#include "uninstlog/uninstall_log.h"

namespace {
using RegisterServerProc = HRESULT(WINAPI*)();
constexpr char kRegisterServerName[] = "DllRegisterServer";
}  // namespace

int RunRegisterPhase(const char* listSection) {
    return RunEntryList(
        listSection, [](const char* section, const void*) { return RegisterEntry(section); }, nullptr, 0);
}

int RegisterEntry(const char* section) {
    int failure = ReadScriptFlag(g_Setup.INFFILE.c_str(), section, ScriptName::RequiredRegister, 1) ? 0 : 1;
    ReadEntryTarget(section, nullptr);

    // A path too long for the buffer is not loaded: a cut path names another file.
    // Nor is one without a drive or server: LoadLibraryA would search for it, and a
    // same-named DLL from the medium or the current directory would be loaded.
    PathText path;
    if (!JoinPath(path, g_Setup.TARGETDIR.view(), g_Setup.TARGETFILE.view()) || !IsFullPath(path.view())) {
        TraceEvent("register %s%s: not loaded (no full path, or too long)", g_Setup.TARGETDIR.c_str(),
                   g_Setup.TARGETFILE.c_str());
        return failure;
    }

    // Only an initialisation that took place is undone.
    HRESULT ole = OleInitialize(nullptr);
    int result = failure;
    HMODULE module = LoadLibraryA(path.c_str());
    if (module != nullptr) {
        FARPROC entry = GetProcAddress(module, kRegisterServerName);
        if (entry != nullptr) {
            HRESULT registered = reinterpret_cast<RegisterServerProc>(reinterpret_cast<void (*)()>(entry))();
            TraceEvent("register %s: HRESULT %x", path.c_str(), static_cast<DWORD>(registered));
            // Logged whatever it answers: a component that refused may still have
            // written part of its registration, and removal must be able to undo it.
            LogRegisteredComponent(path.c_str());
            if (registered >= 0) result = 1;
        }
        if (entry == nullptr) TraceEvent("register %s: no DllRegisterServer", path.c_str());
        FreeLibrary(module);
    } else {
        TraceEvent("register %s: not loaded", path.c_str());
    }
    if (ole >= 0) OleUninitialize();
    return result;
}
