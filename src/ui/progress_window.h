// The small modeless window that names the file being copied.
#pragma once

#include "platform/platform.h"

// Opens the window into ProgressWindow (nullptr when it could not be made, or when the
// run is unattended). Returns 1.
int CreateProgressWindow();
// Shows TARGETDIR and TARGETFILE joined, shortened to 50 characters, and lets the
// window paint. 1, or 0 when no window is open.
int ShowProgressFile();
// Closes the window, if one is open, and clears ProgressWindow. Returns 1.
int DestroyProgressWindow();
// Centres the window and names it after the product; TRUE for WM_INITDIALOG only.
INT_PTR CALLBACK ProgressDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Moves the window to the middle of the screen, its left edge on a multiple of 8
// pixels and never off the top or left.
void CentreWindow(HWND window);
