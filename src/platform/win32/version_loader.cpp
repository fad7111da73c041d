// version.dll is not one of the DLLs that Windows always takes from the system
// directory: a static import would load a planted version.dll lying beside
// SETUP.EXE. It is loaded by full path from the system directory at first use.
#include "platform/win32/system_library.h"

namespace {
using VerFindFileAType = DWORD(WINAPI*)(DWORD, LPSTR, LPSTR, LPSTR, LPSTR, PUINT, LPSTR, PUINT);
using VerInstallFileAType = DWORD(WINAPI*)(DWORD, LPSTR, LPSTR, LPSTR, LPSTR, LPSTR, LPSTR, PUINT);
enum VersionFunction { kVerFindFileA, kVerInstallFileA, kVersionFunctionCount };
FARPROC g_VersionAddresses[kVersionFunctionCount];
int g_VersionState;
constexpr SystemLibrary kVersion = {"version.dll", "VerFindFileA\0VerInstallFileA\0", g_VersionAddresses,
                                    &g_VersionState};
}  // namespace

extern "C" DWORD WINAPI VerFindFileA(DWORD flags, LPSTR fileName, LPSTR winDir, LPSTR appDir, LPSTR curDir,
                                     PUINT curDirLen, LPSTR destDir, PUINT destDirLen) {
    if (!LoadSystemFunctions(kVersion)) {
        if (curDir && curDirLen && *curDirLen) curDir[0] = '\0';
        if (destDir && destDirLen && *destDirLen) destDir[0] = '\0';
        return 0;
    }
    return SYSTEM_FUNCTION(VerFindFileAType, g_VersionAddresses[kVerFindFileA])(flags, fileName, winDir, appDir, curDir, curDirLen, destDir, destDirLen);
}

extern "C" DWORD WINAPI VerInstallFileA(DWORD flags, LPSTR srcFileName, LPSTR destFileName, LPSTR srcDir, LPSTR destDir,
                                        LPSTR curDir, LPSTR tmpFile, PUINT tmpFileLen) {
    // Without the version service nothing can be created at the destination.
    if (!LoadSystemFunctions(kVersion)) return VIF_CANNOTCREATE;
    return SYSTEM_FUNCTION(VerInstallFileAType, g_VersionAddresses[kVerInstallFileA])(flags, srcFileName, destFileName, srcDir, destDir, curDir, tmpFile,
                                            tmpFileLen);
}
