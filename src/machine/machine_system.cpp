// System version, the process token and shutdown, and the process heap.
#include <stdlib.h>
#include <string.h>

#include <map>

#include "machine/machine_internal.h"

namespace {

HANDLE const kProcessHeap = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x50000));
HANDLE const kCurrentProcess = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1));
uintptr_t g_NextHandle = 0x7000;
constexpr DWORD kShutdownPrivilege = 19;  // SE_SHUTDOWN_PRIVILEGE

// Sizes of the live heap blocks, to clear what HEAP_ZERO_MEMORY grows.
std::map<void*, size_t> g_BlockSizes;
// New blocks without HEAP_ZERO_MEMORY are filled with this, so that code relying on
// zeroed memory shows it.
constexpr unsigned char kFreshFill = 0xBE;

}  // namespace

namespace machine {
void ResetHeap() {
    for (void* block : M().heapBlocks) free(block);
    M().heapBlocks.clear();
    g_BlockSizes.clear();
    g_NextHandle = 0x7000;
}

HANDLE OpenNewHandle() {
    HANDLE handle = reinterpret_cast<HANDLE>(g_NextHandle);
    g_NextHandle += 4;
    M().openHandles.insert(handle);
    return handle;
}
}  // namespace machine

using namespace machine;

BOOL GetVersionExA(LPOSVERSIONINFOA info) {
    LogCall("GetVersionExA");
    if (ShouldFail("GetVersionExA")) return Fail(kErrorInvalidParameter, FALSE);
    if (info == nullptr) return Fail(kErrorInvalidParameter, FALSE);
    // The caller's size must be that of OSVERSIONINFOA or of the longer
    // OSVERSIONINFOEXA (156 bytes); only the common part is filled.
    DWORD declared = info->dwOSVersionInfoSize;
    if (declared != sizeof(OSVERSIONINFOA) && declared != 156) return Fail(kErrorInsufficientBuffer, FALSE);
    OSVERSIONINFOA v = M().version;
    v.dwOSVersionInfoSize = declared;
    memcpy(info, &v, sizeof(OSVERSIONINFOA));
    return TRUE;
}

DWORD GetVersion() {
    LogCall("GetVersion");
    ShouldFail("GetVersion");
    return M().getVersionResult;
}

HANDLE GetCurrentProcess() {
    LogCall("GetCurrentProcess");
    ShouldFail("GetCurrentProcess");
    return kCurrentProcess;
}

BOOL OpenProcessToken(HANDLE process, DWORD access, PHANDLE token) {
    LogCall("OpenProcessToken " + std::to_string(access));
    if (ShouldFail("OpenProcessToken")) return Fail(kErrorAccessDenied, FALSE);
    // Windows 95 has no tokens: the call is not implemented there.
    if (!M().tokenAvailable) return Fail<BOOL>(120 /* ERROR_CALL_NOT_IMPLEMENTED */, FALSE);
    if (process != kCurrentProcess || token == nullptr) return Fail(kErrorInvalidHandle, FALSE);
    HANDLE handle = reinterpret_cast<HANDLE>(g_NextHandle);
    g_NextHandle += 4;
    M().openHandles.insert(handle);
    *token = handle;
    return TRUE;
}

BOOL LookupPrivilegeValueA(LPCSTR system, LPCSTR name, PLUID luid) {
    LogCall("LookupPrivilegeValueA " + Text(name));
    if (ShouldFail("LookupPrivilegeValueA")) return Fail(kErrorAccessDenied, FALSE);
    if (system != nullptr && system[0] != '\0') return Fail<BOOL>(1722 /* RPC_S_SERVER_UNAVAILABLE */, FALSE);
    if (name == nullptr || !SameText(name, SE_SHUTDOWN_NAME) || luid == nullptr)
        return Fail<BOOL>(1313 /* ERROR_NO_SUCH_PRIVILEGE */, FALSE);
    luid->LowPart = kShutdownPrivilege;
    luid->HighPart = 0;
    return TRUE;
}

BOOL AdjustTokenPrivileges(HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES newState, DWORD, PTOKEN_PRIVILEGES,
                           LPDWORD returnLength) {
    std::string what = disableAll ? "disable all" : "";
    if (!disableAll && newState)
        for (DWORD i = 0; i < newState->PrivilegeCount && i < 1; ++i)
            what =
                (newState->Privileges[i].Luid.LowPart == kShutdownPrivilege ? "SeShutdownPrivilege " : "privilege ") +
                std::to_string(newState->Privileges[i].Attributes);
    LogCall("AdjustTokenPrivileges " + what);
    if (ShouldFail("AdjustTokenPrivileges")) return Fail(kErrorAccessDenied, FALSE);
    if (!M().openHandles.count(token)) return Fail(kErrorInvalidHandle, FALSE);
    if (returnLength) *returnLength = 0;
    return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
    LogCall("CloseHandle");
    if (ShouldFail("CloseHandle")) return Fail(kErrorInvalidHandle, FALSE);
    if (!M().openHandles.erase(handle)) return Fail(kErrorInvalidHandle, FALSE);
    M().openFiles.erase(handle);
    return TRUE;
}

DWORD GetTickCount() {
    LogCall("GetTickCount");
    ShouldFail("GetTickCount");
    return M().tickCount;
}

BOOL ExitWindowsEx(UINT flags, DWORD reason) {
    LogCall("ExitWindowsEx " + std::to_string(flags) + " " + std::to_string(reason));
    if (ShouldFail("ExitWindowsEx")) return Fail<BOOL>(1314 /* ERROR_PRIVILEGE_NOT_HELD */, FALSE);
    M().exitWindowsFlags.push_back(flags);
    return TRUE;
}

HANDLE GetProcessHeap() {
    LogCall("GetProcessHeap");
    ShouldFail("GetProcessHeap");
    return kProcessHeap;
}

LPVOID HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes) {
    LogCall("HeapAlloc " + std::to_string(bytes));
    if (ShouldFail("HeapAlloc")) return nullptr;
    if (heap != kProcessHeap) return nullptr;
    void* block = malloc(bytes ? bytes : 1);
    if (!block) return nullptr;
    memset(block, (flags & HEAP_ZERO_MEMORY) ? 0 : kFreshFill, bytes ? bytes : 1);
    M().heapBlocks.insert(block);
    g_BlockSizes[block] = bytes;
    return block;
}

LPVOID HeapReAlloc(HANDLE heap, DWORD flags, LPVOID block, SIZE_T bytes) {
    LogCall("HeapReAlloc " + std::to_string(bytes));
    if (ShouldFail("HeapReAlloc")) return nullptr;  // the old block stays valid
    if (heap != kProcessHeap) return nullptr;
    if (!M().heapBlocks.count(block)) {
        ++M().badHeapFrees;
        return nullptr;
    }
    size_t old = g_BlockSizes[block];
    void* grown = realloc(block, bytes ? bytes : 1);
    if (!grown) return nullptr;
    if (bytes > old) memset(static_cast<char*>(grown) + old, (flags & HEAP_ZERO_MEMORY) ? 0 : kFreshFill, bytes - old);
    M().heapBlocks.erase(block);
    g_BlockSizes.erase(block);
    M().heapBlocks.insert(grown);
    g_BlockSizes[grown] = bytes;
    return grown;
}

BOOL HeapFree(HANDLE heap, DWORD, LPVOID block) {
    LogCall("HeapFree");
    if (ShouldFail("HeapFree")) return FALSE;
    if (heap != kProcessHeap) return FALSE;
    if (block == nullptr) return TRUE;
    if (!M().heapBlocks.erase(block)) {
        ++M().badHeapFrees;
        return FALSE;
    }
    g_BlockSizes.erase(block);
    free(block);
    return TRUE;
}
