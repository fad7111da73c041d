// Names existing paths the way a program of the prefix may spell them: writes the
// GetShortPathNameA form of each PATH, one line each, to OUT:
// e2e_shortpath.exe OUT PATH... A path without a short form gives an empty line,
// and the exit code is then 1.
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr) return 3;
    int code = 0;
    for (int i = 2; i < argc; ++i) {
        char shortPath[MAX_PATH] = {};
        DWORD length = GetShortPathNameA(argv[i], shortPath, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) {
            shortPath[0] = '\0';
            code = 1;
        }
        std::fprintf(out, "%s\n", shortPath);
    }
    std::fclose(out);
    return code;
}
