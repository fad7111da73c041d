#include "ui/progress_window.h"

#include "setup/setup_context.h"
#include "ui/resource_ids.h"

namespace {
constexpr size_t kShownChars = 50;
constexpr size_t kHeadChars = 3;
constexpr std::string_view kEllipsis = "...";
constexpr size_t kTailChars = kShownChars - kHeadChars - kEllipsis.size();  // 44

// A directory and a name of MAX_PATH each, joined.
using LongPathText = FixedText<2 * kPathChars>;

// Enough to paint the new line; a window that kept producing messages must not keep
// the installation waiting.
constexpr int kMostPendingMessages = 64;

void ProcessPendingMessages(HWND window) {
    MSG message;
    for (int i = 0; i < kMostPendingMessages && PeekMessageA(&message, window, 0, 0, PM_REMOVE); ++i) {
        if (IsDialogMessageA(window, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}
}  // namespace

void CentreWindow(HWND window) {
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    RECT rect{0, 0, 0, 0};
    GetWindowRect(window, &rect);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    // Horizontal position on a multiple of 8 pixels, the nearest one (halfway goes up).
    int x = ((screenWidth - width) / 2 + 4) & ~7;
    int y = (screenHeight - height) / 2;
    if (x <= 0) x = 0;
    if (y <= 0) y = 0;
    MoveWindow(window, x, y, width, height, TRUE);
}

INT_PTR CALLBACK ProgressDialogProc(HWND window, UINT message, WPARAM, LPARAM) {
    if (message != WM_INITDIALOG) return FALSE;
    CentreWindow(window);
    SetWindowTextA(window, g_Setup.PRODUCTNAME.c_str());
    SetDlgItemTextA(window, IDC_PROGRESS_FILE, "");
    return TRUE;
}

int CreateProgressWindow() {
    // Unattended nothing is drawn; ShowProgressFile then has no window to update.
    if (g_Setup.Silent) return 1;
    g_Setup.ProgressWindow =
        CreateDialogParamA(g_Setup.ModuleInstance, MAKEINTRESOURCEA(IDD_PROGRESS), nullptr, ProgressDialogProc, 0);
    return 1;
}

int ShowProgressFile() {
    if (g_Setup.ProgressWindow == nullptr) return 0;
    // Joined as JoinPath joins, in a buffer that holds any directory and name, so that
    // a path too long for MAX_PATH is still shown (shortened) and never cut.
    LongPathText joined;
    joined.Assign(g_Setup.TARGETDIR.view());
    if (joined.empty() || joined.last() != '\\') joined.Append('\\');
    joined.Append(g_Setup.TARGETFILE.view());
    std::string_view path = joined.view();

    FixedText<kShownChars + 1> shown;
    if (path.size() <= kShownChars) {
        shown.Assign(path);
    } else {
        shown.Assign(std::string_view(path.data(), kHeadChars));
        shown.Append(kEllipsis);
        shown.Append(std::string_view(path.data() + path.size() - kTailChars, kTailChars));
    }
    SetDlgItemTextA(g_Setup.ProgressWindow, IDC_PROGRESS_FILE, shown.c_str());
    // Nothing else pumps messages while files are copied: let the new line be painted.
    ProcessPendingMessages(g_Setup.ProgressWindow);
    return 1;
}

int DestroyProgressWindow() {
    if (g_Setup.ProgressWindow == nullptr) return 1;
    DestroyWindow(g_Setup.ProgressWindow);
    g_Setup.ProgressWindow = nullptr;
    return 1;
}
