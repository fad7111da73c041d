// Times the progress window's file-line update on its own: the dialog of SETUP.EXE's
// own resources, one update per name, in the ways an update can be made visible.
//
//   bench_progress.exe OUTFILE [UPDATES]
//
// Writes one line per way: microseconds per update (median of the blocks), messages
// taken from the queue per update, and paints of a static control per update.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ui/resource_ids.h"

namespace {

long g_ColourQueries = 0;

INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM, LPARAM) {
    // Asked once per paint of a static control: counts the repaints.
    if (message == WM_CTLCOLORSTATIC) ++g_ColourQueries;
    if (message != WM_INITDIALOG) return FALSE;
    SetDlgItemTextA(window, IDC_PROGRESS_FILE, "");
    return TRUE;
}

long g_Taken = 0;

// SETUP.EXE's way: every message of the window that is waiting, at most 64.
void PumpAll(HWND window) {
    MSG message;
    for (int i = 0; i < 64 && PeekMessageA(&message, window, 0, 0, PM_REMOVE); ++i) {
        ++g_Taken;
        if (IsDialogMessageA(window, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

double Ms(const LARGE_INTEGER& a, const LARGE_INTEGER& b, const LARGE_INTEGER& f) {
    return 1000.0 * double(b.QuadPart - a.QuadPart) / double(f.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    int updates = argc > 2 ? std::atoi(argv[2]) : 1000;
    HWND window = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PROGRESS), nullptr, Proc, 0);
    if (window == nullptr) return 1;
    PumpAll(window);
    if (argc > 3) {
        // Shows one name, emptying the queue or not (argv[3] "pump" / "nopump"), then
        // holds the window for 3 s without taking messages: the host can look at the screen.
        SetDlgItemTextA(window, IDC_PROGRESS_FILE, "C:\\HELD\\NAME-SHOWN-FOR-THE-SCREENSHOT.DLL");
        if (lstrcmpA(argv[3], "pump") == 0) PumpAll(window);
        std::FILE* mark = std::fopen(argv[1], "wb");
        if (mark) std::fclose(mark);
        Sleep(3000);
        return 0;
    }
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    std::FILE* out = std::fopen(argv[1], "wb");
    // Each way in blocks of `updates`, the ways alternating block by block, so that
    // a change of the machine's load falls on every way alike; the median block counts.
    const char* ways[] = {"SetDlgItemTextA, then the queue emptied (SETUP.EXE)",
                          "SetWindowTextA on the kept control handle, then the queue emptied",
                          "SetDlgItemTextA alone (nothing flushed to the screen)", "SetDlgItemTextA, then UpdateWindow",
                          "SETUP.EXE's way with 5 ms of other work (Sleep) between updates, updates alone timed"};
    constexpr int kWays = 5, kBlocks = 9;
    double us[kWays][kBlocks];
    double taken[kWays] = {}, paints[kWays] = {};
    HWND control = GetDlgItem(window, IDC_PROGRESS_FILE);
    for (int block = 0; block < kBlocks; ++block) {
        for (int way = 0; way < kWays; ++way) {
            g_Taken = 0;
            g_ColourQueries = 0;
            LARGE_INTEGER a, b;
            double slept = 0;
            // The last way is a tenth as long: it waits between its updates.
            int count = way == 4 ? updates / 10 : updates;
            QueryPerformanceCounter(&a);
            for (int i = 0; i < count; ++i) {
                char name[64];
                std::snprintf(name, sizeof name, "C:\\bench\\target\\f%04d-%d.bin", i, way);
                if (way == 1)
                    SetWindowTextA(control, name);
                else
                    SetDlgItemTextA(window, IDC_PROGRESS_FILE, name);
                if (way <= 1 || way == 4) PumpAll(window);
                if (way == 3) UpdateWindow(window);
                if (way == 4) {
                    LARGE_INTEGER s, e;
                    QueryPerformanceCounter(&s);
                    Sleep(5);
                    QueryPerformanceCounter(&e);
                    slept += Ms(s, e, freq);
                }
            }
            QueryPerformanceCounter(&b);
            PumpAll(window);
            us[way][block] = 1000.0 * (Ms(a, b, freq) - slept) / count;
            taken[way] += double(g_Taken) / count / kBlocks;
            paints[way] += double(g_ColourQueries) / count / kBlocks;
        }
    }
    for (int way = 0; way < kWays; ++way) {
        std::sort(us[way], us[way] + kBlocks);
        std::fprintf(out, "%s\tus=%.1f\tmessages=%.2f\tpaints=%.2f\n", ways[way], us[way][kBlocks / 2], taken[way],
                     paints[way]);
    }
    std::fclose(out);
    DestroyWindow(window);
    return 0;
}
