#include "script/script_names.h"
#include "ui/run_trace.h"
#include "uninst/kept_files.h"
#include "uninst/removal_log.h"
#include "uninst/removal_passes.h"
#include "uninst/removal_report.h"
#include "uninst/uninst_resource_ids.h"

namespace {
using UnregisterServerProc = HRESULT(WINAPI*)();
constexpr char kUnregisterServerName[] = "DllUnregisterServer";

// Loaded by its full path only: a bare or relative name would be searched for and
// could load another DLL into this process.
EntryOutcome UnregisterComponent(const char* entry) {
    ShowProgressItem(entry);
    PathText folded;
    if (!FoldEntryOrLeaveInPlace(entry, folded)) return EntryOutcome::Handled;
    const char* path = folded.c_str();
    // Only a component whose file goes loses its registration: a file that stays (kept
    // by a count, an answer or the setup's own record, or never the product's) is used
    // by other programs.
    // (A log that cannot be read keeps every registration.)
    bool removed = IsPathInLogSection(ScriptName::UninstFiles, folded.view(), false);
    bool kept = IsPathInLogSection(ScriptName::UninstKeptFiles, folded.view(), true);
    if (!removed || kept) {
        TraceEvent("unregister %s: kept", path);
        return EntryOutcome::Handled;
    }
    // A component that is gone has nothing left to unregister.
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return EntryOutcome::Handled;

    // Only an initialisation that took place is undone.
    HRESULT ole = OleInitialize(nullptr);
    // A DLL that cannot be loaded, or has no entry, is traced as E_FAIL would be.
    HRESULT result = static_cast<HRESULT>(0x80004005L);
    HMODULE module = LoadLibraryA(path);
    if (module != nullptr) {
        FARPROC entry = GetProcAddress(module, kUnregisterServerName);
        if (entry != nullptr) result = reinterpret_cast<UnregisterServerProc>(reinterpret_cast<void (*)()>(entry))();
        FreeLibrary(module);
    }
    TraceEvent("unregister %s: HRESULT %x", path, static_cast<DWORD>(result));
    bool unregistered = result >= 0;
    if (ole >= 0) OleUninitialize();
    if (unregistered) return EntryOutcome::Handled;
    // Reported; the file itself is still removed by the file pass.
    ReportUnremovedItem(IDS_ITEM_NOT_UNREGISTERED, entry);
    return EntryOutcome::Failed;
}
}  // namespace

void RunComponentRemoval() {
    RunLogSectionLastFirst(ScriptName::UninstRegister, UnregisterComponent);
}
