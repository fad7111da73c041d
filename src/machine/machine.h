// The described machine: an in-memory Windows behind the platform seam. The core,
// WinMain and its phases, runs against it unchanged. The native tests set it up
// (files, registry, environment, version results, message box answers) and inspect
// what was done (calls made, boxes shown, files and log written); setupcheck's plan
// describes the author's machine with it and prints what the run did.
//
// It is written from what the installer expects of each call; what Windows really
// does is proven under Wine by the end-to-end tests.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace machine {

// Names and paths compare without regard to ASCII case, as on Windows.
struct NoCaseLess {
    bool operator()(const std::string& a, const std::string& b) const;
};
bool SameText(const std::string& a, const std::string& b);

struct FileData {
    std::string content;
    bool readOnly = false;
    bool inUse = false;  // held open without sharing: cannot be replaced, deleted or moved now
    // Fixed file version for the version service; 0 means the file has no version resource.
    uint64_t version = 0;
    // A module known by its contents rather than listed in `components`: loadable
    // wherever it is copied, exporting DllRegisterServer or not.
    bool isModule = false;
    bool exportsRegisterServer = false;
    HRESULT registerResult = 0;  // what its DllRegisterServer answers
};

// One VerInstallFileA call as the installer made it.
struct VerInstallCall {
    DWORD flags;
    std::string srcFile, destFile, srcDir, destDir, curDir;
    DWORD result;
    std::string tempName;  // what the call put into the temporary-file buffer
};

// A scripted VerInstallFileA result. When `bits` has VIF_TEMPFILE, the machine leaves a
// copy of the source named `tempName` in the destination directory and returns that
// name, as the real service does.
struct VerInstallOutcome {
    DWORD bits = 0;
    std::string tempName = "VER1A2B.TMP";
};

struct MessageBoxRecord {
    HWND owner;
    std::string text;
    std::string caption;
    UINT style;
    int answer;
    // The progress window at the moment the box appeared.
    bool progressWindowExists;
    std::string progressCaption;
    std::string progressFileLine;
};

struct StartedProcess {
    std::string command;
    UINT show;
    std::string application;  // CreateProcessA's application name, "" when none was given
    bool inheritsHandles = false;
    // The environment the program inherited, as NAME=value lines.
    std::vector<std::string> environment;
};

struct Component {
    bool exportsRegisterServer = true;
    HRESULT registerResult = 0;
    std::function<void()> onRegister;  // runs inside DllRegisterServer
    bool exportsUnregisterServer = true;
    HRESULT unregisterResult = 0;
    std::function<void()> onUnregister;  // runs inside DllUnregisterServer
};

struct Window {
    std::string caption;
    std::map<int, std::string> controlText;
    RECT rect{0, 0, 0, 0};
    bool destroyed = false;
    int moveCount = 0;
    bool ended = false;  // a modal dialog's EndDialog was called
    INT_PTR endResult = 0;
};

// The style recorded for a modal dialog box (DialogBoxParamA) among the message boxes.
constexpr UINT kDialogBoxStyle = 0xD1A10000u;

// The instance handle UNINST.EXE's entry receives: its string table and dialogs are
// read from its own resource script.
inline HINSTANCE const kUninstallerInstance = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x500000));
// kernel32 as GetModuleHandleA gives it. GetProcAddress finds GetLongPathNameA there
// only where the described Windows has it: Windows 98 (4.10) and later, NT 5 and later.
inline HMODULE const kKernelModule = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x7FE00000));

struct Machine {
    // Files and directories, keyed by normalised full path (no doubled backslashes).
    std::map<std::string, FileData, NoCaseLess> files;
    std::set<std::string, NoCaseLess> directories;
    // Directories that are junctions (reparse points): whatever they lead to is not theirs.
    std::set<std::string, NoCaseLess> reparsePoints;
    std::string moduleFileName = "C:\\MEDIA\\SETUP.EXE";
    std::string windowsDirectory = "C:\\WINDOWS";
    std::string systemDirectory = "C:\\WINDOWS\\SYSTEM";
    std::string currentDirectory = "C:\\MEDIA";                     // relative paths resolve against it
    std::string tempDirectory = "C:\\TEMP";                         // GetTempPathA
    std::map<std::string, std::string, NoCaseLess> shortNames;      // long path -> short path, when set
    // Compressed files (the SZDD format of COMPRESS/EXPAND) by full path: what the
    // version service installs in place of their bytes. A plain copy stays compressed.
    std::map<std::string, std::string, NoCaseLess> expandedContent;

    // Registry: full key path ("HKEY_LOCAL_MACHINE\\Software\\X") -> values (raw data
    // bytes, a string value with its terminator); subkeys enumerate in creation order.
    struct Key {
        std::map<std::string, std::pair<DWORD, std::string>, NoCaseLess> values;
        std::vector<std::string> subkeys;  // names of direct children, in creation order
    };
    std::map<std::string, Key, NoCaseLess> registry;
    std::map<HKEY, std::string> openKeys;  // handles currently open
    int keysOpened = 0, keysClosed = 0;

    // Process environment (one for lookups and for started programs).
    std::vector<std::pair<std::string, std::string>> environment;

    // Version installation.
    std::deque<VerInstallOutcome> verInstallScript;  // used first, one per call
    std::vector<VerInstallCall> verInstallCalls;
    std::vector<std::string> verFindFileCalls;  // file names asked about

    // Message boxes: questions (MB_YESNO) take the next answer; MB_OK boxes answer IDOK.
    std::deque<int> answers;
    // Answers a question when `answers` is empty; unset: the question gets 0.
    std::function<int(const MessageBoxRecord& box)> answerWhenNoneLeft;
    std::vector<MessageBoxRecord> boxes;
    int unansweredQuestions = 0;  // questions shown with no answer left (they return 0)

    // Programs and components.
    std::vector<StartedProcess> started;
    std::function<UINT(const std::string& command)> winExecResult;  // default: 33 if the program file exists, else 2
    std::map<std::string, Component, NoCaseLess> components;        // loadable modules by full path
    // CreateProcessA: runs when a program starts (the program's own work), given its
    // command line. WaitForSingleObject on a process answers waitResult.
    std::function<void(const std::string& command)> onProcessStart;
    DWORD waitResult = WAIT_OBJECT_0;
    std::vector<DWORD> waits;  // the time-outs asked for, in order

    // System.
    OSVERSIONINFOA version{sizeof(OSVERSIONINFOA), 4, 0, 1381, VER_PLATFORM_WIN32_NT, ""};
    DWORD getVersionResult = 0x05650004;  // NT 4
    std::vector<UINT> exitWindowsFlags;
    bool tokenAvailable = true;  // false: OpenProcessToken fails, as on Windows 95

    // User interface.
    int screenWidth = 800, screenHeight = 600;
    int dialogPixelWidth = 421, dialogPixelHeight = 95;  // template 100 at the default font
    std::map<HWND, Window> windows;
    std::vector<HWND> createdDialogs;
    // The thread's message queue: PeekMessageA takes the first message of the window
    // asked for (any window when none is named); DispatchMessageA records it.
    std::deque<MSG> pendingMessages;
    std::vector<MSG> dispatchedMessages;

    // Every seam call, in order: the function name, then its main arguments after a
    // blank (for example "LoadLibraryA C:\\APP\\X.DLL", "OleInitialize").
    std::vector<std::string> calls;
    // Runs after each call is recorded; a test may throw from it to cut a run short
    // there, as a power cut or a killed process would.
    std::function<void(const std::string& call)> onCall;

    // Failure injection: fail the n-th next call of a function (1 = the next one),
    // or every call when n is 0.
    std::map<std::string, int> failNth;
    std::set<std::string> failAlways;
    std::map<std::string, int> callCounts;

    // Live heap blocks, for leak checks of the installer's own blocks.
    std::set<void*> heapBlocks;
    int badHeapFrees = 0;  // HeapFree/HeapReAlloc of a block the heap does not know

    // Kernel handles open now (process tokens), and the error code of the last
    // failed call, as GetLastError would give it.
    std::set<HANDLE> openHandles;
    // FindFirstFileA's searches not yet ended by FindClose (each also in openHandles).
    std::set<HANDLE> openSearches;
    // Files opened with CreateFileA: the file's path, whether the handle may write, and
    // the file pointer.
    struct OpenFile {
        std::string path;
        bool canWrite = false;
        size_t position = 0;
    };
    std::map<HANDLE, OpenFile> openFiles;
    // Bytes written through WriteFile since the reset, for tests that measure a writer.
    size_t bytesWritten = 0;
    // GetTickCount: milliseconds since the start, advanced by the tests.
    DWORD tickCount = 0;
    DWORD lastError = 0;
    // Loaded modules: handle -> full path.
    std::map<HMODULE, std::string> loadedModules;
};

Machine& M();

// A fresh machine and a zero-filled setup state: C:\, C:\MEDIA, C:\WINDOWS and
// C:\WINDOWS\SYSTEM exist; NT 4; no script.
void Reset();

// Runs the installer's entry point with the given command-line tail.
int RunSetup(const char* commandTail = "");
// Runs the remover (UNINST.EXE) with the given command-line tail; its exit code.
int RunUninst(const char* commandTail = "");

// A full path as the machine keys it: '/' read as '\\', relative paths resolved against
// the current directory, doubled backslashes collapsed, "." and ".." resolved, no
// trailing backslash except on a drive root ("C:\\").
std::string NormalisePath(const std::string& path);

// Fixtures.
void MakeDirectory(const std::string& path);  // with every missing parent
void WriteFile(const std::string& path, const std::string& content, uint64_t version = 0);
std::optional<std::string> ReadFile(const std::string& path);
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
void SetScript(const std::string& text);  // SETUP.INF beside the module
std::string ScriptPath();
void SetRegistryString(HKEY root, const std::string& subkey, const std::string& name, const std::string& value);
void SetRegistryData(HKEY root, const std::string& subkey, const std::string& name, DWORD type,
                     const std::string& bytes);
void CreateRegistryKey(HKEY root, const std::string& subkey);
void SetEnvironment(const std::string& name, const std::string& value);
std::optional<std::string> GetEnvironment(const std::string& name);
// Windows 95 (GetVersion high bit set, platform 1), NT 4, NT 3.51 or 2000/XP.
void SetWindows95();
void SetWindowsNT4();
void SetWindowsNT351();
void SetWindowsXP();

// The next start of Windows: the moves and deletions staged for it (NT's
// PendingFileRenameOperations, wininit.ini's [rename]) are carried out and forgotten,
// an empty directory is deleted only when it is empty, nothing is in use any more.
void RestartWindows();
// The pairs MoveFileExA staged for the next start and still pending there, in order,
// as (source, destination) without Windows' prefixes; "" as destination: delete.
std::vector<std::pair<std::string, std::string>> DelayedMoves();
// Drops every pending operation, as a test does to start from none.
void ForgetDelayedMoves();

// Failure injection.
void FailCall(const std::string& function, int nth = 1);
void FailAlways(const std::string& function);
// True when the call should fail now; also counts the call. Used by the machine itself.
bool ShouldFail(const std::string& function);

// Inspection.
std::string RootName(HKEY root);  // "HKEY_LOCAL_MACHINE" ...
int CountCalls(const std::string& prefix);
std::vector<std::string> CallsStartingWith(const std::string& prefix);
// The string table of the resource script, as LoadStringA serves it.
const std::map<UINT, std::string>& StringTable();

}  // namespace machine
