// ole32 is needed only while a component registers itself, so it is loaded then,
// by full path from the system directory, instead of at every start.
#include "platform/fixed_text.h"
#include "platform/platform.h"

namespace {
using OleInitializeFn = HRESULT(WINAPI*)(LPVOID);
using OleUninitializeFn = void(WINAPI*)();

OleInitializeFn g_OleInitialize;
OleUninitializeFn g_OleUninitialize;
bool g_Tried;

bool LoadOleLibrary() {
    if (g_Tried) return g_OleInitialize != nullptr && g_OleUninitialize != nullptr;
    g_Tried = true;
    FixedText<MAX_PATH + 16> path;
    UINT n = GetSystemDirectoryA(path.data(), MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    if (path.last() != '\\') path.Append('\\');
    if (!path.Append("ole32.dll")) return false;
    HMODULE module = LoadLibraryA(path.c_str());
    if (module == nullptr) return false;
    g_OleInitialize =
        reinterpret_cast<OleInitializeFn>(reinterpret_cast<void*>(GetProcAddress(module, "OleInitialize")));
    g_OleUninitialize =
        reinterpret_cast<OleUninitializeFn>(reinterpret_cast<void*>(GetProcAddress(module, "OleUninitialize")));
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
