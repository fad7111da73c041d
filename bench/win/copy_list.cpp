// Reference copier of the benchmark: copies every file named in BENCHCOPY.LST (beside
// the program) from the program's own directory into the directory on the list's
// first line, then shows one box. Built twice: with CopyFileA (the plain copy) and
// with VerFindFileA/VerInstallFileA, the calls SETUP.EXE copies with.
#include <windows.h>

namespace {
constexpr int kPath = MAX_PATH;

int Length(const char* s) {
    int n = 0;
    while (s[n] != '\0') ++n;
    return n;
}

// dst = a + b, refused when it does not fit.
bool Join(char* dst, const char* a, const char* b) {
    int na = Length(a), nb = Length(b);
    if (na + nb + 1 > kPath) return false;
    for (int i = 0; i < na; ++i) dst[i] = a[i];
    for (int i = 0; i < nb; ++i) dst[na + i] = b[i];
    dst[na + nb] = '\0';
    return true;
}

// Next line of the list, cut off in place; nullptr at the end.
char* NextLine(char*& p, char* end) {
    while (p < end && (*p == '\r' || *p == '\n')) ++p;
    if (p >= end) return nullptr;
    char* line = p;
    while (p < end && *p != '\r' && *p != '\n') ++p;
    *p = '\0';
    if (p < end) ++p;
    return line;
}

#if BENCH_VERSION_INSTALL
bool CopyOne(char* srcDir, char* dstDir, char* name) {
    char current[kPath], recommended[kPath], temp[kPath], windir[kPath];
    current[0] = recommended[0] = temp[0] = windir[0] = '\0';
    UINT nc = kPath, nr = kPath, nt = kPath;
    GetWindowsDirectoryA(windir, kPath);
    VerFindFileA(0, name, windir, dstDir, current, &nc, recommended, &nr);
    DWORD bits = VerInstallFileA(VIFF_DONTDELETEOLD, name, name, srcDir, dstDir, current, temp, &nt);
    if (bits & VIF_TEMPFILE) {
        char path[kPath];
        if (Join(path, dstDir, temp)) DeleteFileA(path);
        bits &= ~static_cast<DWORD>(VIF_TEMPFILE);
    }
    return bits == 0;
}
#else
bool CopyOne(char* srcDir, char* dstDir, char* name) {
    char src[kPath], dst[kPath];
    if (!Join(src, srcDir, name) || !Join(dst, dstDir, name)) return false;
    return CopyFileA(src, dst, FALSE) != 0;
}
#endif

int Run() {
    char dir[kPath];
    DWORD n = GetModuleFileNameA(nullptr, dir, kPath);
    if (n == 0 || n >= kPath) return 0;
    while (n > 0 && dir[n - 1] != '\\') --n;
    dir[n] = '\0';
    char listPath[kPath];
    if (!Join(listPath, dir, "BENCHCOPY.LST")) return 0;
    HANDLE file = CreateFileA(listPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    DWORD size = GetFileSize(file, nullptr);
    char* list = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, size + 1));
    DWORD got = 0;
    bool read = list != nullptr && ReadFile(file, list, size, &got, nullptr) && got == size;
    CloseHandle(file);
    if (!read) return 0;
    char* p = list;
    char* end = list + size;
    char* target = NextLine(p, end);
    if (target == nullptr) return 0;
    char targetDir[kPath];
    if (!Join(targetDir, target, "\\")) return 0;
    CreateDirectoryA(target, nullptr);
    for (char* name = NextLine(p, end); name != nullptr; name = NextLine(p, end)) {
        if (!CopyOne(dir, targetDir, name)) return 0;
    }
    return 1;
}
}  // namespace

extern "C" __attribute__((force_align_arg_pointer)) void WinMainCRTStartup() {
    // The texts tell the launcher whether the work was done.
    if (Run())
        MessageBoxA(nullptr, "Copy completed", "Bench", MB_OK);
    else
        MessageBoxA(nullptr, "Copy failed", "Bench", MB_OK);
    ExitProcess(0);
}
