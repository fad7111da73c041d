// ole32 is needed only while a component registers itself, so it is loaded then
// instead of at every start.
#include "platform/win32/system_library.h"

namespace {
DECLARE_SYSTEM_FUNCTION(HRESULT, OleInitialize, (LPVOID));
DECLARE_SYSTEM_FUNCTION(void, OleUninitialize, ());
SystemFunction* const kOleFunctions[] = {&OleInitializeEntry, &OleUninitializeEntry, nullptr};
SystemLibrary g_Ole32 = {"ole32.dll", kOleFunctions, 0};
}  // namespace

extern "C" HRESULT WINAPI OleInitialize(LPVOID reserved) {
    // Without ole32 the component still loads and registers; it just finds no OLE.
    if (!LoadSystemFunctions(g_Ole32)) return static_cast<HRESULT>(0x80004005L);  // E_FAIL
    return SYSTEM_FUNCTION(OleInitialize)(reserved);
}

extern "C" void WINAPI OleUninitialize() {
    if (LoadSystemFunctions(g_Ole32)) SYSTEM_FUNCTION(OleUninitialize)();
}
