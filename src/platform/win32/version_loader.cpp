// version.dll is not one of the DLLs that Windows always takes from the system
// directory: a static import would load a planted version.dll lying beside
// SETUP.EXE. It is loaded by full path from the system directory at first use.
#include "platform/win32/system_library.h"

namespace {
using VerFindFileFn = DWORD(WINAPI*)(DWORD, LPSTR, LPSTR, LPSTR, LPSTR, PUINT, LPSTR, PUINT);
using VerInstallFileFn = DWORD(WINAPI*)(DWORD, LPSTR, LPSTR, LPSTR, LPSTR, LPSTR, LPSTR, PUINT);

VerFindFileFn g_VerFindFile;
VerInstallFileFn g_VerInstallFile;
bool g_Tried;

bool LoadVersionLibrary() {
    if (!g_Tried) {
        g_Tried = true;
        HMODULE module = LoadSystemLibrary("version.dll");
        g_VerFindFile = ProcedureOf<VerFindFileFn>(module, "VerFindFileA");
        g_VerInstallFile = ProcedureOf<VerInstallFileFn>(module, "VerInstallFileA");
    }
    return g_VerFindFile != nullptr && g_VerInstallFile != nullptr;
}
}  // namespace

extern "C" DWORD WINAPI VerFindFileA(DWORD flags, LPSTR fileName, LPSTR winDir, LPSTR appDir, LPSTR curDir,
                                     PUINT curDirLen, LPSTR destDir, PUINT destDirLen) {
    if (!LoadVersionLibrary()) {
        if (curDir && curDirLen && *curDirLen) curDir[0] = '\0';
        if (destDir && destDirLen && *destDirLen) destDir[0] = '\0';
        return 0;
    }
    return g_VerFindFile(flags, fileName, winDir, appDir, curDir, curDirLen, destDir, destDirLen);
}

extern "C" DWORD WINAPI VerInstallFileA(DWORD flags, LPSTR srcFileName, LPSTR destFileName, LPSTR srcDir,
                                        LPSTR destDir, LPSTR curDir, LPSTR tmpFile, PUINT tmpFileLen) {
    // Without the version service nothing can be created at the destination.
    if (!LoadVersionLibrary()) return VIF_CANNOTCREATE;
    return g_VerInstallFile(flags, srcFileName, destFileName, srcDir, destDir, curDir, tmpFile, tmpFileLen);
}
