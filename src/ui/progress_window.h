// The small modeless window that names the file being copied.
#pragma once

#include "platform/platform.h"

int CreateProgressWindow();
int ShowProgressFile();
int DestroyProgressWindow();
INT_PTR CALLBACK ProgressDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void CentreWindow(HWND window);
