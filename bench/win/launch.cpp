// Starts one program and times it from inside the prefix, so that the host side's
// start of wine64 is not part of any figure:
//
//   bench_launch.exe OUTFILE PROGRAM [TIMEOUT_SECONDS [PAUSEFILE]]
//   bench_launch.exe --hold FILE
//   bench_launch.exe --exit OUTFILE TIMEOUT_SECONDS PROGRAM [ARGUMENT...]
//
// Writes one line to OUTFILE: milliseconds from CreateProcess to the first visible
// message box of that process, milliseconds to its exit after the box was answered
// with OK, the process's peak working set (VmHWM) read while the box is up, and the
// box's caption and text.
//
// With PAUSEFILE the box is held after it was measured until PAUSEFILE.go exists
// (PAUSEFILE is written first), so that the host can read /proc of the process.
//
// --exit times a program that shows no box (UNINST.EXE /S, the deleting reference):
// milliseconds from CreateProcess to its exit, and its exit code. It looks for a box only
// twice a second, so that the look costs the measured program no server time; a box
// that shows up ends the run as "box" (under /S none may).
//
// --hold keeps one process of the prefix alive until FILE exists: without it Wine
// ends explorer and the services after every program, and each program would pay
// for starting them again.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Search {
    DWORD pid;
    HWND box;
};

BOOL CALLBACK FindBox(HWND hwnd, LPARAM param) {
    auto* s = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != s->pid || !IsWindowVisible(hwnd)) return TRUE;
    char cls[16] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    // A message box: the dialog class with the text static (0xFFFF) and an OK button.
    if (lstrcmpA(cls, "#32770") != 0 || GetDlgItem(hwnd, 0xFFFF) == nullptr || GetDlgItem(hwnd, IDOK) == nullptr)
        return TRUE;
    s->box = hwnd;
    return FALSE;
}

double Ms(const LARGE_INTEGER& a, const LARGE_INTEGER& b, const LARGE_INTEGER& f) {
    return 1000.0 * double(b.QuadPart - a.QuadPart) / double(f.QuadPart);
}

std::string Flat(std::string s) {
    for (char& c : s)
        if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    return s;
}

// One argument of a command line, quoted when it holds a blank.
void AppendArgument(std::string& line, const char* arg) {
    if (!line.empty()) line += ' ';
    bool quote = *arg == '\0' || std::string(arg).find_first_of(" \t") != std::string::npos;
    if (quote) line += '"';
    line += arg;
    if (quote) line += '"';
}

int TimeToExit(int argc, char** argv) {
    const char* outPath = argv[2];
    double timeoutMs = 1000.0 * std::atof(argv[3]);
    std::string command;
    for (int i = 4; i < argc; ++i) AppendArgument(command, argv[i]);

    LARGE_INTEGER freq, start, exitAt;
    QueryPerformanceFrequency(&freq);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::FILE* out = std::fopen(outPath, "wb");
        if (out) std::fprintf(out, "status=error\terror=CreateProcess %lu\n", GetLastError()), std::fclose(out);
        return 1;
    }
    std::string status = "ok", text;
    Search search{pi.dwProcessId, nullptr};
    while (WaitForSingleObject(pi.hProcess, 500) != WAIT_OBJECT_0) {
        QueryPerformanceCounter(&exitAt);
        EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
        if (search.box != nullptr || Ms(start, exitAt, freq) > timeoutMs) {
            status = search.box != nullptr ? "box" : "timeout";
            // The box of a run that should have shown none tells what went wrong.
            if (search.box != nullptr) {
                char buf[1024] = {};
                GetWindowTextA(search.box, buf, sizeof buf);
                text = std::string(buf) + ": ";
                buf[0] = '\0';
                GetDlgItemTextA(search.box, 0xFFFF, buf, sizeof buf);
                text += buf;
            }
            TerminateProcess(pi.hProcess, 1);
            WaitForSingleObject(pi.hProcess, 10000);
            break;
        }
    }
    QueryPerformanceCounter(&exitAt);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    std::FILE* out = std::fopen(outPath, "wb");
    if (out == nullptr) return 1;
    std::fprintf(out, "status=%s\texit_ms=%.3f\texit_code=%lu\ttext=%s\n", status.c_str(), Ms(start, exitAt, freq),
                 static_cast<unsigned long>(code), Flat(text).c_str());
    std::fclose(out);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return status == "ok" ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--hold") {
        while (GetFileAttributesA(argv[2]) == INVALID_FILE_ATTRIBUTES) Sleep(200);
        return 0;
    }
    if (argc >= 5 && std::string(argv[1]) == "--exit") return TimeToExit(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_launch OUTFILE PROGRAM [TIMEOUT_SECONDS]\n");
        return 2;
    }
    const char* outPath = argv[1];
    std::string command = std::string("\"") + argv[2] + "\"";
    double timeoutMs = 1000.0 * (argc > 3 ? std::atof(argv[3]) : 300.0);

    LARGE_INTEGER freq, start, boxAt, exitAt;
    QueryPerformanceFrequency(&freq);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::FILE* out = std::fopen(outPath, "wb");
        if (out) std::fprintf(out, "error=CreateProcess %lu\n", GetLastError()), std::fclose(out);
        return 1;
    }

    Search search{pi.dwProcessId, nullptr};
    std::string status = "ok";
    for (;;) {
        EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
        QueryPerformanceCounter(&boxAt);
        if (search.box != nullptr) break;
        if (WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) {
            status = "exited-without-box";
            break;
        }
        if (Ms(start, boxAt, freq) > timeoutMs) {
            status = "timeout";
            break;
        }
        Sleep(2);
    }

    SIZE_T peak = 0;
    std::string caption, text;
    if (search.box != nullptr) {
        PROCESS_MEMORY_COUNTERS pmc = {};
        pmc.cb = sizeof pmc;
        if (GetProcessMemoryInfo(pi.hProcess, &pmc, sizeof pmc)) peak = pmc.PeakWorkingSetSize;
        char buf[1024] = {};
        GetWindowTextA(search.box, buf, sizeof buf);
        caption = buf;
        buf[0] = '\0';
        DWORD_PTR r = 0;
        SendMessageTimeoutA(GetDlgItem(search.box, 0xFFFF), WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf),
                            SMTO_NORMAL, 10000, &r);
        text = buf;
        if (argc > 4) {
            std::string pause = argv[4];
            std::FILE* f = std::fopen(pause.c_str(), "wb");
            if (f) std::fclose(f);
            for (int i = 0; i < 3000 && GetFileAttributesA((pause + ".go").c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
                Sleep(10);
        }
        PostMessageA(search.box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(search.box, IDOK)));
    }
    DWORD left = static_cast<DWORD>(timeoutMs);
    if (WaitForSingleObject(pi.hProcess, left) != WAIT_OBJECT_0) {
        status = "hung";
        TerminateProcess(pi.hProcess, 1);
        WaitForSingleObject(pi.hProcess, 10000);
    }
    QueryPerformanceCounter(&exitAt);
    // A second box (an error after the first, say) would have kept the process up:
    // the status says so through the texts recorded.
    std::FILE* out = std::fopen(outPath, "wb");
    if (out == nullptr) return 1;
    std::fprintf(out, "status=%s\tbox_ms=%.3f\texit_ms=%.3f\tpeak_kib=%llu\tcaption=%s\ttext=%s\n", status.c_str(),
                 Ms(start, boxAt, freq), Ms(start, exitAt, freq), static_cast<unsigned long long>(peak / 1024),
                 Flat(caption).c_str(), Flat(text).c_str());
    std::fclose(out);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return status == "ok" ? 0 : 1;
}
