// Where the uninstall log's time per entry goes: the entries of one [UninstFiles]
// section written three ways into a fresh file each time, with no copying around them.
//
//   bench_logwrites.exe DIR OUTFILE ENTRIES [REPEATS]
//
// - append: what SETUP.EXE does for each entry, CreateFileA (OPEN_ALWAYS), SetFilePointer
//   to the end, WriteFile of the line, CloseHandle; each call is also timed on its own;
// - kept: the file opened once, one WriteFile per entry, closed at the end;
// - profile: one WritePrivateProfileStringA per entry (how the log was written before).
//
// Writes one line per way: "way<TAB>ms=r1,r2,...<TAB>entries=N", and for append also
// "create_ms=...<TAB>seek_ms=...<TAB>write_ms=...<TAB>close_ms=..." (sums per repeat).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

double g_TicksPerMs;

double Ms(const LARGE_INTEGER& a, const LARGE_INTEGER& b) { return double(b.QuadPart - a.QuadPart) / g_TicksPerMs; }

LARGE_INTEGER Now() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t;
}

std::string Entry(int i) {
    char line[64];
    std::snprintf(line, sizeof line, "C:\\bench\\t\\f%05d.dat", i);
    return line;
}

// A log as SETUP.EXE starts it: the product line, then the section the entries go to.
void StartLog(const std::string& path) {
    DeleteFileA(path.c_str());
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    const char head[] = "[UNINST]\r\nProduct=Bench\r\n[UninstFiles]\r\n";
    DWORD written = 0;
    WriteFile(h, head, sizeof head - 1, &written, nullptr);
    CloseHandle(h);
}

struct AppendTimes {
    double total = 0, create = 0, seek = 0, write = 0, close = 0;
};

AppendTimes WriteAppending(const std::string& path, int entries) {
    AppendTimes t;
    LARGE_INTEGER start = Now();
    for (int i = 0; i < entries; ++i) {
        std::string line = Entry(i) + "=\r\n";
        LARGE_INTEGER a = Now();
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        LARGE_INTEGER b = Now();
        SetFilePointer(h, 0, nullptr, FILE_END);
        LARGE_INTEGER c = Now();
        DWORD written = 0;
        WriteFile(h, line.data(), DWORD(line.size()), &written, nullptr);
        LARGE_INTEGER d = Now();
        CloseHandle(h);
        LARGE_INTEGER e = Now();
        t.create += Ms(a, b);
        t.seek += Ms(b, c);
        t.write += Ms(c, d);
        t.close += Ms(d, e);
    }
    t.total = Ms(start, Now());
    return t;
}

double WriteKeptOpen(const std::string& path, int entries) {
    LARGE_INTEGER start = Now();
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    SetFilePointer(h, 0, nullptr, FILE_END);
    for (int i = 0; i < entries; ++i) {
        std::string line = Entry(i) + "=\r\n";
        DWORD written = 0;
        WriteFile(h, line.data(), DWORD(line.size()), &written, nullptr);
    }
    CloseHandle(h);
    return Ms(start, Now());
}

double WriteByProfile(const std::string& path, int entries) {
    LARGE_INTEGER start = Now();
    for (int i = 0; i < entries; ++i) WritePrivateProfileStringA("UninstFiles", Entry(i).c_str(), "", path.c_str());
    return Ms(start, Now());
}

void PrintSeries(std::FILE* out, const char* name, const std::vector<double>& values) {
    std::fprintf(out, "%s=", name);
    for (size_t i = 0; i < values.size(); ++i) std::fprintf(out, "%s%.3f", i ? "," : "", values[i]);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: bench_logwrites DIR OUTFILE ENTRIES [REPEATS]\n");
        return 2;
    }
    std::string path = std::string(argv[1]) + "\\BENCHLOG.INI";
    int entries = std::atoi(argv[3]);
    int repeats = argc > 4 ? std::atoi(argv[4]) : 3;
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    g_TicksPerMs = double(freq.QuadPart) / 1000.0;

    std::vector<double> append, create, seek, write, close, kept, profile;
    for (int r = 0; r < repeats; ++r) {
        StartLog(path);
        AppendTimes t = WriteAppending(path, entries);
        append.push_back(t.total);
        create.push_back(t.create);
        seek.push_back(t.seek);
        write.push_back(t.write);
        close.push_back(t.close);
        StartLog(path);
        kept.push_back(WriteKeptOpen(path, entries));
        StartLog(path);
        profile.push_back(WriteByProfile(path, entries));
    }
    DeleteFileA(path.c_str());

    std::FILE* out = std::fopen(argv[2], "wb");
    if (out == nullptr) return 1;
    std::fprintf(out, "append\t");
    PrintSeries(out, "ms", append);
    std::fprintf(out, "\t");
    PrintSeries(out, "create_ms", create);
    std::fprintf(out, "\t");
    PrintSeries(out, "seek_ms", seek);
    std::fprintf(out, "\t");
    PrintSeries(out, "write_ms", write);
    std::fprintf(out, "\t");
    PrintSeries(out, "close_ms", close);
    std::fprintf(out, "\tentries=%d\nkept\t", entries);
    PrintSeries(out, "ms", kept);
    std::fprintf(out, "\tentries=%d\nprofile\t", entries);
    PrintSeries(out, "ms", profile);
    std::fprintf(out, "\tentries=%d\n", entries);
    std::fclose(out);
    return 0;
}
