#include "ui/progress_window.h"

// Not built yet: no window.
int CreateProgressWindow() { return 1; }
int ShowProgressFile() { return 0; }
int DestroyProgressWindow() { return 1; }
