// The remover's process-wide state, beside the SetupContext it shares with SETUP.EXE
// (module instance, product name, Windows and system directories, progress window).
#pragma once

#include "platform/fixed_text.h"
#include "platform/platform.h"

// What the person answered "to all" in the shared-file question.
enum class SharedAnswer { Ask, RemoveAll, KeepAll };

using ReportList = FixedText<1536>;

struct UninstState {
    PathText LogPath;          // full path of the uninstall log
    PathText ModulePath;       // this program's own file
    PathText ProgramFilesDir;  // never removed; empty when the registry does not name it
    PathText LastDirectory;    // the directory most recently noted for the directory pass
    int Silent;                // /S: no box, shared files kept, no restart offered
    SharedAnswer SharedFiles;
    int FailedCount;  // entries that could not be handled (they stay in the log)
    int ListedCount;  // of those, how many are named in the report
    ReportList FailedList;
    int StagedCount;  // files staged for deletion at the next restart
    int OwnFileLeft;  // this program's own file is in the log and still to go
};

// Zero-filled at process start; RunUninstaller starts every run from zero.
extern UninstState g_Uninst;
