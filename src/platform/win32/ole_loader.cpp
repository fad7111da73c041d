// ole32 is needed only while a component registers itself, so it is loaded then
// instead of at every start.
#include "platform/win32/system_library.h"

namespace {
using OleInitializeType = HRESULT(WINAPI*)(LPVOID);
using OleUninitializeType = void(WINAPI*)();
enum OleFunction { kOleInitialize, kOleUninitialize, kOleFunctionCount };
FARPROC g_OleAddresses[kOleFunctionCount];
int g_OleState;
constexpr SystemLibrary kOle32 = {"ole32.dll", "OleInitialize\0OleUninitialize\0", g_OleAddresses, &g_OleState};
}  // namespace

extern "C" HRESULT WINAPI OleInitialize(LPVOID reserved) {
    // Without ole32 the component still loads and registers; it just finds no OLE.
    if (!LoadSystemFunctions(kOle32)) return static_cast<HRESULT>(0x80004005L);  // E_FAIL
    return SYSTEM_FUNCTION(OleInitializeType, g_OleAddresses[kOleInitialize])(reserved);
}

extern "C" void WINAPI OleUninitialize() {
    if (LoadSystemFunctions(kOle32)) SYSTEM_FUNCTION(OleUninitializeType, g_OleAddresses[kOleUninitialize])();
}
