// The remover's process-wide state, beside the SetupContext it shares with SETUP.EXE
// (module instance, product name, Windows and system directories, progress window).
#pragma once

#include "platform/fixed_text.h"
#include "platform/platform.h"
#include "uninst/identity_set.h"

// What the person answered "to all" in the shared-file question.
enum class SharedAnswer { Ask, RemoveAll, KeepAll };

using ReportList = FixedText<1536>;

struct UninstState {
    PathText LogPath;          // full path of the uninstall log
    PathText LogIdentity;      // the same as every judgement reads it (see FormPathIdentity)
    PathText ModulePath;       // this program's own file, an identity
    PathText ProgramFilesDir;  // never removed; empty when the registry does not name it
    PathText CommonFilesDir;   // the same
    // The registry could not be read to say which directories are protected (not: it
    // names none): no directory is removed in this run, the plan keeps them for the next.
    int ProtectedDirsUnknown;
    int Silent;  // /S: no box, nobody asked about a shared file, no restart offered
    SharedAnswer SharedFiles;
    int FailedCount;  // acts that could not be carried out (they stay pending in the plan)
    int LeftCount;    // entries refused by rule: left in place, reported once
    int ListedCount;  // of the failed and left entries, how many are named in the report
    ReportList FailedList;
    int StagedCount;        // files staged for deletion at the next restart
    int OwnFileLeft;        // this program's own file is in the log and still to go
    const char* TracePath;  // /LOG:FILE, passed on to the temporary copy; "" without a trace
    // The files a SharedDLLs count keeps, read once per run.
    IdentitySet CountedFiles;
    int CountsRead;
    // The profile's shell folders (HKCU and HKLM), never removed, read at start-up.
    IdentitySet ShellFolders;
};

// Zero-filled at process start; RunUninstaller starts every run from zero.
extern UninstState g_Uninst;
