#include "setup/restart.h"

#include "setup/setup_context.h"
#include "ui/messages.h"

int RestartWindows(DWORD majorVersion) {
    HANDLE token = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
        TOKEN_PRIVILEGES privileges;
        if (LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid)) {
            privileges.PrivilegeCount = 1;
            privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
            AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
        }
        CloseHandle(token);
    }
    // EWX_FORCE closes programs without letting them save their documents. Windows
    // 2000 and later know EWX_FORCEIFHUNG, which forces only programs that hang.
    UINT flags = majorVersion >= 5 ? (EWX_REBOOT | EWX_FORCEIFHUNG) : (EWX_REBOOT | EWX_FORCE);
    return ExitWindowsEx(flags, 0) ? 1 : 0;
}

int OfferRestart(DWORD majorVersion) {
    MessageText text;
    LoadCatalogueText(IDS_RESTART, text);
    if (ShowMessageBox(text.c_str(), g_Setup.PRODUCTNAME.c_str(), MB_YESNO | MB_ICONQUESTION) != IDYES) return 0;
    return RestartWindows(majorVersion);
}
