// Times the script reads of the file phase on their own: the key list of
// AddFiles.WIN32 and, per entry, the four keys SETUP.EXE reads, all through the
// profile functions as SETUP.EXE does, with no copying.
//
//   bench_profile.exe SCRIPT OUTFILE [REPEATS]
//
// Writes "ms=...<TAB>section_ms=...<TAB>entries=N": the time of each repeat with the
// four keys read one by one, and with each entry's section read at once (one
// GetPrivateProfileSectionA per entry, as SETUP.EXE now reads an entry).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_profile SCRIPT OUTFILE [REPEATS]\n");
        return 2;
    }
    const char* script = argv[1];
    int repeats = argc > 3 ? std::atoi(argv[3]) : 5;
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    // The first read of a process parses the file; SETUP.EXE does that at start-up.
    char value[MAX_PATH];
    GetPrivateProfileStringA("SETUP", "Product", "", value, MAX_PATH, script);

    std::FILE* out = std::fopen(argv[2], "wb");
    if (out == nullptr) return 1;
    size_t entries = 0;
    std::fprintf(out, "ms=");
    for (int r = 0; r < repeats; ++r) {
        LARGE_INTEGER a, b;
        QueryPerformanceCounter(&a);
        std::vector<char> keys(1024);
        for (;;) {
            DWORD n = GetPrivateProfileStringA("AddFiles.WIN32", nullptr, "", keys.data(),
                                               static_cast<DWORD>(keys.size()), script);
            if (n != keys.size() - 2) break;
            keys.resize(keys.size() * 2);
        }
        entries = 0;
        for (const char* name = keys.data(); *name != '\0'; name += lstrlenA(name) + 1) {
            GetPrivateProfileIntA(name, "RequiredCopy", 1, script);
            GetPrivateProfileStringA(name, "SourceFilename", name, value, MAX_PATH, script);
            GetPrivateProfileStringA(name, "TargetFilename", name, value, MAX_PATH, script);
            GetPrivateProfileStringA(name, "TargetDir", "", value, MAX_PATH, script);
            ++entries;
        }
        QueryPerformanceCounter(&b);
        std::fprintf(out, "%s%.3f", r ? "," : "", 1000.0 * double(b.QuadPart - a.QuadPart) / double(freq.QuadPart));
    }
    std::fprintf(out, "\tsection_ms=");
    std::vector<char> block(2048);
    for (int r = 0; r < repeats; ++r) {
        LARGE_INTEGER a, b;
        QueryPerformanceCounter(&a);
        std::vector<char> keys(1024);
        for (;;) {
            DWORD n = GetPrivateProfileStringA("AddFiles.WIN32", nullptr, "", keys.data(),
                                               static_cast<DWORD>(keys.size()), script);
            if (n != keys.size() - 2) break;
            keys.resize(keys.size() * 2);
        }
        for (const char* name = keys.data(); *name != '\0'; name += lstrlenA(name) + 1)
            GetPrivateProfileSectionA(name, block.data(), static_cast<DWORD>(block.size()), script);
        QueryPerformanceCounter(&b);
        std::fprintf(out, "%s%.3f", r ? "," : "", 1000.0 * double(b.QuadPart - a.QuadPart) / double(freq.QuadPart));
    }
    std::fprintf(out, "\tentries=%zu\n", entries);
    std::fclose(out);
    return 0;
}
