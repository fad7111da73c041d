// Holds a file open so that it is in use: e2e_holdfile.exe <path> [none|delete].
// "none" shares nothing; "delete" shares delete access. Writes <path>.held once
// the file is open and lets go when <path>.release appears.
#include <windows.h>

#include <string>

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    std::string path = argv[1];
    DWORD share = (argc > 2 && std::string(argv[2]) == "delete") ? FILE_SHARE_DELETE : 0;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 3;
    std::string held = path + ".held", release = path + ".release";
    HANDLE marker = CreateFileA(held.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
    while (GetFileAttributesA(release.c_str()) == INVALID_FILE_ATTRIBUTES) Sleep(50);
    CloseHandle(h);
    DeleteFileA(held.c_str());
    return 0;
}
