#include "uninstlog/log_file.h"

#include "setup/setup_context.h"

bool ResolveLogFile(const char* path, PathText& file) {
    std::string_view text(path, TextLength(path));
    if (text.find_first_of("\\/:") != std::string_view::npos) return file.Assign(text);
    return JoinPath(file, g_Setup.WINDIR.view(), text) != 0;
}

char* ReadLogFile(const char* file, DWORD* size, int* missing) {
    *missing = 0;
    HANDLE handle = CreateFileA(file, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        *missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        return nullptr;
    }
    HANDLE heap = GetProcessHeap();
    DWORD length = GetFileSize(handle, nullptr);
    char* block = length != INVALID_FILE_SIZE ? static_cast<char*>(HeapAlloc(heap, 0, length + 1)) : nullptr;
    DWORD read = 0;
    if (block != nullptr && (!ReadFile(handle, block, length, &read, nullptr) || read != length)) {
        HeapFree(heap, 0, block);
        block = nullptr;
    }
    CloseHandle(handle);
    if (block == nullptr) return nullptr;
    block[length] = '\0';
    *size = length;
    return block;
}

int AppendToLogFile(const char* file, const char* text, DWORD size) {
    HANDLE handle =
        CreateFileA(file, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return 0;
    DWORD written = 0;
    int done = SetFilePointer(handle, 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER &&
               WriteFile(handle, text, size, &written, nullptr) && written == size;
    CloseHandle(handle);
    return done;
}

void FlushProfileCache(const char* file) {
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, file);
}
