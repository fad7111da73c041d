// Reference deleter of the benchmark: DeleteFileA on every path of a list, one path a
// line, in the file named on the command line; nothing else, no box. The exit code is
// the number of paths that could not be deleted (0: all of them went).
// Built a second time with BENCH_REMOVER_CHECKS, to find where the remover's time goes:
// before each deletion it asks what UNINST.EXE asks of each file, twice (once when it
// decides what stays, once just before the deletion): the attributes and the file's
// SharedDLLs count, the key opened for each look-up.
#include <windows.h>

namespace {

#if BENCH_REMOVER_CHECKS
void CheckAsTheRemover(const char* path) {
    GetFileAttributesA(path);
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", 0,
                      KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
        DWORD count = 0, size = sizeof count;
        RegQueryValueExA(key, path, nullptr, nullptr, reinterpret_cast<BYTE*>(&count), &size);
        RegCloseKey(key);
    }
}
#endif

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

// The list's name: the command line after the program's own name, quotes taken off.
char* ListName() {
    char* p = GetCommandLineA();
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"') ++p;
        if (*p == '"') ++p;
    } else {
        while (*p != '\0' && *p != ' ' && *p != '\t') ++p;
    }
    while (*p == ' ' || *p == '\t') ++p;
    if (*p == '"') {
        char* name = ++p;
        while (*p != '\0' && *p != '"') ++p;
        *p = '\0';
        return name;
    }
    char* name = p;
    while (*p != '\0' && *p != ' ' && *p != '\t') ++p;
    *p = '\0';
    return name;
}

// A list that cannot be read is one failure, not a success.
DWORD Run() {
    char* listPath = ListName();
    if (*listPath == '\0') return 1;
    HANDLE file = CreateFileA(listPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD size = GetFileSize(file, nullptr);
    char* list = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, size + 1));
    DWORD got = 0;
    bool read = list != nullptr && ReadFile(file, list, size, &got, nullptr) && got == size;
    CloseHandle(file);
    if (!read) return 1;
    char* p = list;
    char* end = list + size;
    DWORD failed = 0;
    for (char* path = NextLine(p, end); path != nullptr; path = NextLine(p, end)) {
#if BENCH_REMOVER_CHECKS
        CheckAsTheRemover(path);
        CheckAsTheRemover(path);
#endif
        if (!DeleteFileA(path)) ++failed;
    }
    return failed;
}
}  // namespace

extern "C" __attribute__((force_align_arg_pointer)) void WinMainCRTStartup() {
    ExitProcess(Run());
}
