// The one process-wide record of setup state and the small operations every
// subsystem uses on it.
#pragma once

#include "platform/fixed_text.h"
#include "platform/platform.h"
#include "script/registry_reader.h"
#include "script/script_reader.h"

// A replacement staged in this run: the new file lies under Staged until Windows
// next starts and moves it over Destination.
struct StagedReplacement {
    PathText Staged;
    PathText Destination;
};
// More files in use than this in one run are reported, not staged.
constexpr int kMaxStagedReplacements = 64;
// Target directories remembered as tried: a medium that moves between more of them
// than this calls CreateDirectoryA again for one it has forgotten (harmless).
constexpr unsigned kTriedDirCount = 16;

struct SetupContext {
    HINSTANCE ModuleInstance;
    PathText SRCDIR;     // directory of the running executable, with its trailing backslash
    PathText INFFILE;    // SRCDIR + "SETUP.INF"
    PathText WINDIR;     // Windows directory, with a trailing backslash
    PathText WINSYSDIR;  // system directory, with a trailing backslash
    FixedText<128> PRODUCTNAME;
    PathText TARGETDIR;  // running value: carried from entry to entry and phase to phase
    PathText TARGETFILE;
    PathText SRCFILE;
    PathText UninstLogPath;
    PathText NetscapeDefaultDir;
    // The target directories already given to CreateDirectoryA in this run, the oldest
    // replaced first when all are taken.
    PathText TriedDirs[kTriedDirCount];
    unsigned NextTriedDir;
    int RestartNeeded;             // once 1, never reset
    int UninstallLogEnabled;
    int RegistryValueMissing;  // once 1, never reset
    DWORD PlatformId;
    int NonNtPlatform;
    HWND ProgressWindow;
    StagedReplacement StagedFiles[kMaxStagedReplacements];
    int StagedFileCount;
    int Silent;        // /S: no window, every box answered as its default button
    HANDLE TraceFile;  // /LOG:FILE, open for appending; nullptr when there is no trace
};

// Zero-filled at process start (static storage, no constructor runs).
extern SetupContext g_Setup;

// Fills the record and runs the start-up work. Returns 0, with the directories, the
// script path and the product name ("product") filled but no environment phase run
// and no log opened, when the script does not exist.
int InitSetupContext(const char* scriptName);
// Whether INFFILE names an existing file (an empty one counts).
bool ScriptExists();
// Asks Windows for its version into `version` (major version and platform 0 when the
// call fails) and keeps the platform in PlatformId.
void ReadWindowsVersion(OSVERSIONINFOA& version);
// Appends a backslash unless the path already ends in one (an empty path becomes "\").
// Returns 0 when the buffer has no room for it; the path is then left as it is.
int AppendBackslash(PathText& path);
// directory + "\" (unless present) + name. Returns 0, leaving an empty destination,
// when the joined path would not fit: a cut path would name a different file.
int JoinPath(PathText& destination, std::string_view directory, std::string_view name);
// Whether `path` names one place whatever the current drive and directory are: a
// drive path "X:\..." or a network path "\\server\share\...". Anything else would be
// searched for or resolved against the current directory.
bool IsFullPath(std::string_view path);
// The path as Windows reads it, in the one form by which it is named to others: '/'
// as '\', each run of backslashes as one, except a network path's leading pair
// (C:\WINDOWS\SYSTEM\\LIB.DLL, from TargetDir=%WINSYSDIR%\, is C:\WINDOWS\SYSTEM\LIB.DLL).
// The remover folds the log's entries by the same rule.
void FoldPath(PathText& path);
// The script's RequireMajorVersion; 0 when it is missing.
UINT ReadRequireMajorVersion();
// Reads Product (default "product") into buffer[size]. 1 when a name was read.
int ReadProductName(char* buffer, DWORD size);
// The script's InitialPrompt; 0 when it is missing.
UINT ReadInitialPrompt();
