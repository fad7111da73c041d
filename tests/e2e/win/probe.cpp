// Records how it was started: appends its command line, current directory and
// environment to <own path>.txt (or to the file named by --out=), one block per
// start, with its pointer size and whether it runs under WoW64. Serves as a program
// that the setup runs and as a restart marker.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string out = std::string(self) + ".txt";
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--out=", 6) == 0) out = argv[i] + 6;
    FILE* f = std::fopen(out.c_str(), "ab");
    if (f == nullptr) return 1;
    char cwd[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, cwd);
    std::fprintf(f, "module: %s\ncmdline: %s\ncwd: %s\n", self, GetCommandLineA(), cwd);
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    std::fprintf(f, "bits: %u\nwow64: %s\n", static_cast<unsigned>(sizeof(void*) * 8), wow64 ? "yes" : "no");
    for (int i = 1; i < argc; ++i) std::fprintf(f, "arg%d: %s\n", i, argv[i]);
    char* env = GetEnvironmentStringsA();
    for (char* p = env; *p != '\0'; p += std::strlen(p) + 1) std::fprintf(f, "env: %s\n", p);
    FreeEnvironmentStringsA(env);
    std::fprintf(f, "end\n");
    std::fclose(f);
    return 0;
}
