// Files in the Windows or the system directory, which other programs may use too.
#pragma once

#include "platform/platform.h"

// Whether the file lies where shared files lie: directly in the Windows or the
// system directory.
bool IsInSharedPlace(const char* path);
// Asks the person (or takes an earlier "to all" answer): 1 remove, 0 keep. Silent
// runs keep the file.
int DecideSharedFileRemoval(const char* path);
INT_PTR CALLBACK SharedFileDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
