// ole32 is needed only while a component registers itself, so it is loaded then
// instead of at every start.
#include "platform/win32/system_library.h"

namespace {
using OleInitializeFn = HRESULT(WINAPI*)(LPVOID);
using OleUninitializeFn = void(WINAPI*)();

OleInitializeFn g_OleInitialize;
OleUninitializeFn g_OleUninitialize;
bool g_Tried;

bool LoadOleLibrary() {
    if (!g_Tried) {
        g_Tried = true;
        HMODULE module = LoadSystemLibrary("ole32.dll");
        g_OleInitialize = ProcedureOf<OleInitializeFn>(module, "OleInitialize");
        g_OleUninitialize = ProcedureOf<OleUninitializeFn>(module, "OleUninitialize");
    }
    return g_OleInitialize != nullptr && g_OleUninitialize != nullptr;
}
}  // namespace

extern "C" HRESULT WINAPI OleInitialize(LPVOID reserved) {
    // Without ole32 the component still loads and registers; it just finds no OLE.
    if (!LoadOleLibrary()) return static_cast<HRESULT>(0x80004005L);  // E_FAIL
    return g_OleInitialize(reserved);
}

extern "C" void WINAPI OleUninitialize() {
    if (LoadOleLibrary()) g_OleUninitialize();
}
