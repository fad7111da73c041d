// Starts a program with a command line taken verbatim from a file and waits for it:
// e2e_launch.exe <file> [<code file>]. wine64 would re-quote arguments; this keeps the
// test's exact command-line tail. The exit code is the started program's; the host
// sees it modulo 256, so the code file, when named, gets it in full (decimal).
#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    FILE* f = std::fopen(argv[1], "rb");
    if (f == nullptr) return 3;
    std::string line;
    for (int c; (c = std::fgetc(f)) != EOF;) line += static_cast<char>(c);
    std::fclose(f);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 4;
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    if (argc > 2) {
        if (FILE* out = std::fopen(argv[2], "wb")) {
            std::fprintf(out, "%lu\n", static_cast<unsigned long>(code));
            std::fclose(out);
        }
    }
    return static_cast<int>(code);
}
