#include "uninst/shared_files.h"

#include "setup/setup_context.h"
#include "ui/messages.h"
#include "ui/progress_window.h"
#include "uninst/log_paths.h"
#include "uninst/uninst_resource_ids.h"
#include "uninst/uninst_state.h"

bool IsInSharedPlace(const char* path) {
    // Directly in one of them: a product's own directory below the Windows
    // directory holds the product's files, not shared ones.
    std::string_view directory = ParentDirectory(std::string_view(path, TextLength(path)));
    return IsSameDirectory(directory, g_Setup.WINDIR.view()) || IsSameDirectory(directory, g_Setup.WINSYSDIR.view());
}

INT_PTR CALLBACK SharedFileDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        CentreWindow(window);
        FixedText<kPathChars + 256> text;
        ComposeCatalogueText(text, IDS_SHARED_FILE_QUESTION, reinterpret_cast<const char*>(lParam));
        SetDlgItemTextA(window, IDC_SHARED_FILE_TEXT, text.c_str());
        SendDlgItemMessageA(window, IDC_SHARED_FILE_ICON, STM_SETICON,
                            reinterpret_cast<WPARAM>(LoadIconA(nullptr, IDI_QUESTION)), 0);
        // No is the default: a wrong Enter keeps the file.
        SetFocus(GetDlgItem(window, IDC_KEEP_SHARED));
        return FALSE;
    }
    if (message != WM_COMMAND) return FALSE;
    int id = LOWORD(wParam);
    if (id == IDCANCEL) id = IDC_KEEP_SHARED;  // Esc keeps the file
    if (id != IDC_REMOVE_SHARED && id != IDC_KEEP_SHARED && id != IDC_REMOVE_ALL_SHARED && id != IDC_KEEP_ALL_SHARED)
        return FALSE;
    EndDialog(window, id);
    return TRUE;
}

int DecideSharedFileRemoval(const char* path) {
    if (g_Uninst.Silent) return 0;
    if (g_Uninst.SharedFiles == SharedAnswer::RemoveAll) return 1;
    if (g_Uninst.SharedFiles == SharedAnswer::KeepAll) return 0;
    INT_PTR answer = DialogBoxParamA(g_Setup.ModuleInstance, MAKEINTRESOURCEA(IDD_SHARED_FILE), nullptr,
                                     SharedFileDialogProc, reinterpret_cast<LPARAM>(path));
    if (answer == IDC_REMOVE_ALL_SHARED) g_Uninst.SharedFiles = SharedAnswer::RemoveAll;
    if (answer == IDC_KEEP_ALL_SHARED) g_Uninst.SharedFiles = SharedAnswer::KeepAll;
    // A dialog that could not be shown keeps the file, as No does.
    return (answer == IDC_REMOVE_SHARED || answer == IDC_REMOVE_ALL_SHARED) ? 1 : 0;
}
