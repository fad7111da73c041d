// The remover's whole run: command line, the log, the passes in the reverse order
// of the installation, the ending in an order that every cut leaves finishable,
// the closing report and the restart offer.
#include "uninst/uninstaller.h"

#include "cmdline/arg_list.h"
#include "script/registry_reader.h"
#include "script/script_names.h"
#include "script/script_reader.h"
#include "setup/exit_codes.h"
#include "setup/restart.h"
#include "setup/setup_context.h"
#include "ui/messages.h"
#include "ui/progress_window.h"
#include "ui/resource_ids.h"
#include "ui/run_trace.h"
#include "uninst/deletion_staging.h"
#include "uninst/directory_removal.h"
#include "uninstlog/log_image.h"
#include "uninst/log_paths.h"
#include "uninst/plan_acts.h"
#include "uninst/plan_decisions.h"
#include "uninst/removal_ending.h"
#include "uninst/removal_plan.h"
#include "uninst/removal_report.h"
#include "uninst/uninst_progress.h"
#include "uninst/self_copy.h"
#include "uninst/uninst_resource_ids.h"
#include "uninst/uninst_state.h"
#include "uninst/uninstall_entry.h"

UninstState g_Uninst;

namespace {
enum class Mode { Remove, Register };

struct Request {
    Mode RunMode;
    HANDLE Original;           // set in the temporary copy: the process to wait for,
    const char* OriginalPath;  // its file, the remover's own file in the log,
    ULONG_PTR Levels;          // and how many directories above it the product made
    const char* LogName;
};

bool IsOption(const char* argument, std::string_view name) {
    return (argument[0] == '/' || argument[0] == '-') && EqualsIgnoreCase(argument + 1, name);
}

// /LOG:FILE, the trace, as SETUP.EXE reads it; /LOG alone asks for none. Each test
// reads a character only when the one before it was not the end.
bool IsTraceOption(const char* argument) {
    return (argument[0] == '/' || argument[0] == '-') && AsciiLower(argument[1]) == 'l' &&
           AsciiLower(argument[2]) == 'o' && AsciiLower(argument[3]) == 'g' &&
           (argument[4] == ':' || argument[4] == '\0');
}

// The last /LOG wins, as in SETUP.EXE; "" without one.
const char* FindTracePath(int count, char** items) {
    const char* path = "";
    for (int i = 1; i < count; ++i)
        if (IsTraceOption(items[i])) path = items[i][4] == ':' ? items[i] + 5 : "";
    return path;
}

// /S anywhere means no box, even on a command line that cannot be understood: an
// unattended caller has nobody to answer one. Read from the raw text too, for a
// line that cannot even be split.
bool AsksForSilence(const char* commandLine, int count, char** items) {
    for (int i = 1; i < count; ++i)
        if (IsOption(items[i], "S")) return true;
    for (const char* at = commandLine; *at != '\0'; ++at) {
        if (at != commandLine && at[-1] != ' ' && at[-1] != '\t') continue;
        // Each test reads a character only when the one before it was not the end.
        if ((at[0] == '/' || at[0] == '-') && AsciiLower(at[1]) == 's' &&
            (at[2] == '\0' || at[2] == ' ' || at[2] == '\t'))
            return true;
    }
    return false;
}

// A decimal number, the whole argument.
bool ParseNumber(const char* text, ULONG_PTR* value) {
    ULONG_PTR n = 0;
    if (*text == '\0') return false;
    for (; *text; ++text) {
        if (*text < '0' || *text > '9') return false;
        n = n * 10 + static_cast<ULONG_PTR>(*text - '0');
    }
    *value = n;
    return true;
}

bool ParseArguments(int count, char** items, Request& request) {
    for (int i = 1; i < count; ++i) {
        const char* argument = items[i];
        if (IsOption(argument, "S") || IsTraceOption(argument)) continue;
        if (IsOption(argument, "register")) {
            request.RunMode = Mode::Register;
        } else if (IsOption(argument, "W") && i + 3 < count) {
            ULONG_PTR handle = 0;
            if (!ParseNumber(items[++i], &handle)) return false;
            request.Original = reinterpret_cast<HANDLE>(handle);
            request.OriginalPath = items[++i];
            if (!ParseNumber(items[++i], &request.Levels)) return false;
        } else if (argument[0] == '/' || argument[0] == '-' || request.LogName != nullptr || argument[0] == '\0') {
            return false;
        } else {
            request.LogName = argument;
        }
    }
    return (request.LogName != nullptr) != (request.Original != nullptr);
}

// Unattended, ShowMessageBox draws nothing and traces the box as not shown.
void ShowBox(const char* text, const char* caption, UINT style) {
    ShowMessageBox(text, caption, style);
}

}  // namespace

// A full path as given; a bare name means the Windows directory, as the profile
// functions read it. A relative path with directories is refused: the profile
// functions and the file functions would resolve it differently.
bool ResolveLogPath(const char* name) {
    std::string_view text(name, TextLength(name));
    bool resolved = false;
    if (IsFullPath(text))
        resolved = g_Uninst.LogPath.Assign(text);
    else if (text.find_first_of("\\/:") == std::string_view::npos)
        resolved = JoinPath(g_Uninst.LogPath, g_Setup.WINDIR.view(), text) != 0;
    return resolved && FormPathIdentity(g_Uninst.LogPath.view(), g_Uninst.LogIdentity);
}

namespace {

// The log must exist and carry [UNINST] Product; anything else is not touched. A log
// that is gone while its whole plan is still there was deleted by an ending that a
// cut stopped: `ending` is then set, and the plan finishes it.
int OpenRemovalLog(const char* name, bool& ending) {
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    ending = false;
    if (ResolveLogPath(name)) {
        ForgetLogImage();
        attributes = GetFileAttributesA(g_Uninst.LogPath.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES && LoadPlanFile(true, g_Setup.PRODUCTNAME)) {
            ending = true;
            return kExitSuccess;
        }
    }
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        MessageText caption;
        LoadCatalogueText(IDS_UNABLE_TO_OPEN, caption);
        ShowBox(name, caption.c_str(), MB_ICONHAND);
        return kExitCannotOpen;
    }
    ReadScriptText(g_Uninst.LogPath.c_str(), ScriptName::UninstSection, ScriptName::Product, g_Setup.PRODUCTNAME);
    if (g_Setup.PRODUCTNAME.empty()) {
        MessageText caption;
        LoadCatalogueText(IDS_CAPTION_UNINSTALL, caption);
        FixedText<kPathChars + 256> text;
        ComposeCatalogueText(text, IDS_NOT_UNINSTALL_LOG, g_Uninst.LogPath.c_str());
        ShowBox(text.c_str(), caption.c_str(), MB_ICONHAND);
        return kExitNotUninstallLog;
    }
    return kExitSuccess;
}

// The log is deleted at the end: a log that cannot be is found out before the first
// act, and nothing is changed. A log copied from a CD keeps its read-only attribute,
// which is cleared (and put back when the log cannot be written all the same).
bool LogCanBeChanged() {
    const char* log = g_Uninst.LogPath.c_str();
    DWORD attributes = GetFileAttributesA(log);
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesA(log, attributes & ~FILE_ATTRIBUTE_READONLY);
    HANDLE file = CreateFileA(log, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return true;
    }
    if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesA(log, attributes);
    return false;
}

void FindDirectories(HINSTANCE instance) {
    PathText module;
    if (GetModuleFileNameA(instance, module.data(), PathText::Capacity) == 0) module.Clear();
    module.Terminate();  // Windows 95 may leave it unterminated
    if (!FormPathIdentity(module.view(), g_Uninst.ModulePath)) g_Uninst.ModulePath.Clear();
    // The Windows and system directories, judged by identity like every path.
    GetWindowsDirectoryA(module.data(), PathText::Capacity);
    FormPathIdentity(module.view(), g_Setup.WINDIR);
    AppendBackslash(g_Setup.WINDIR);
    GetSystemDirectoryA(module.data(), PathText::Capacity);
    FormPathIdentity(module.view(), g_Setup.WINSYSDIR);
    AppendBackslash(g_Setup.WINSYSDIR);
    ReadProtectedDirectories();
}

// Unattended, the question takes its default, Yes.
bool UserConfirmsRemoval() {
    FixedText<512> text;
    ComposeCatalogueText(text, IDS_CONFIRM_REMOVAL, g_Setup.PRODUCTNAME.c_str());
    return ShowMessageBox(text.c_str(), g_Setup.PRODUCTNAME.c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

// Whether every act is done, but this program's own file, which the ending removes;
// `staged` says whether one waits for the next start.
bool PlanCarriedOut(bool& staged) {
    bool done = true;
    for (DWORD i = 0; i < PlanActCount(); ++i) {
        const PlanAct& act = PlanActAt(i);
        staged |= act.State == ActStaged;
        if (act.State == ActPending && !(IsOwnFileAct(act) && g_Uninst.OwnFileLeft)) done = false;
    }
    return done;
}

// Decides (or finds what an earlier run decided), writes the plan ahead and carries it
// out. False when the log or its plan cannot be written: nothing was changed then.
bool CarryOutPlan() {
    // A log that cannot be read cannot be changed either.
    if (!LoadLogImage(g_Uninst.LogPath.c_str()) || !LogCanBeChanged()) {
        ReportUnremovedItem(IDS_ITEM_LOG_NOT_CHANGED, g_Uninst.LogPath.c_str());
        return false;
    }
    FixedText<128> product;
    if (!LoadPlanFile(false, product)) {
        if (!DecideRemoval()) return false;
        if (!WritePlanFile(g_Setup.PRODUCTNAME.c_str())) {
            DeletePlanFile();
            ReportUnremovedItem(IDS_ITEM_LOG_NOT_CHANGED, g_Uninst.LogPath.c_str());
            return false;
        }
    }
    if (RunPlannedActs()) return true;
    ReportUnremovedItem(IDS_ITEM_LOG_NOT_CHANGED, g_Uninst.LogPath.c_str());
    return false;
}

// Asks for the restart after the staged deletions; the exit code says what became of it.
int OfferRestartAfterRemoval(DWORD majorVersion) {
    TraceEvent("restart needed");
    if (g_Uninst.Silent) return kExitRestartRequired;
    MessageText text;
    LoadCatalogueText(IDS_RESTART, text);
    if (ShowMessageBox(text.c_str(), g_Setup.PRODUCTNAME.c_str(), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return kExitRestartRequired;
    RestartWindows(majorVersion);
    return kExitRestartStarted;
}

int RemoveProduct(DWORD majorVersion, bool ending) {
    if (!UserConfirmsRemoval()) return kExitUserDeclined;
    if (!g_Uninst.Silent) CreateProgressWindow();
    bool restartNeeded = false;
    // A plan whose log is gone is carried out all the same: it names every act whole.
    bool complete = ending ? RunPlannedActs() != 0 : CarryOutPlan();
    complete = complete && PlanCarriedOut(restartNeeded);
    DestroyProgressWindow();
    if (complete) complete = FinishRemoval(restartNeeded);
    ShowRemovalOutcome(complete);
    int result = complete ? kExitSuccess : kExitFailed;
    if (restartNeeded) {
        int restart = OfferRestartAfterRemoval(majorVersion);
        if (complete) result = restart;
    }
    return result;
}

int RunRemoval(HINSTANCE instance, const char* commandLine) {
    g_Uninst = UninstState{};
    g_Setup.ModuleInstance = instance;
    FindDirectories(instance);

    OSVERSIONINFOA version;
    ReadWindowsVersion(version);

    if (commandLine == nullptr) commandLine = "";
    Request request{Mode::Remove, nullptr, nullptr, 0, nullptr};
    int argumentCount = 0;
    char** arguments = nullptr;
    bool split = SplitCommandLine(g_Uninst.ModulePath.c_str(), commandLine, &argumentCount, &arguments) == 0;
    if (!split) argumentCount = 0;
    g_Uninst.Silent = AsksForSilence(commandLine, argumentCount, arguments) ? 1 : 0;
    g_Uninst.TracePath = FindTracePath(argumentCount, arguments);
    bool parsed = split && ParseArguments(argumentCount, arguments, request);
    bool isCopy = parsed && request.Original != nullptr;
    if (isCopy) {
        // The temporary copy: it finishes what the original left, without a word, and
        // appends to the trace once the original has written its last line.
        WaitForOriginalToEnd(request.Original);
        g_Uninst.Silent = 1;
    }
    g_Setup.Silent = g_Uninst.Silent;
    OpenRunTrace(g_Uninst.TracePath);
    TraceEvent("UNINST.EXE " SETUP_VERSION_TEXT " %s, command line: %s", g_Uninst.ModulePath.c_str(), commandLine);
    // The Windows 95 family keeps its version in the build number's high word.
    TraceEvent("Windows %u.%u build %u, platform %u", version.dwMajorVersion, version.dwMinorVersion,
               version.dwBuildNumber & 0xFFFF, version.dwPlatformId);
    if (!parsed) {
        MessageText caption, text;
        LoadCatalogueText(IDS_CAPTION_UNINSTALL, caption);
        LoadCatalogueText(IDS_USAGE, text);
        ShowBox(text.c_str(), caption.c_str(), MB_ICONHAND);
        return kExitBadCommandLine;
    }
    if (isCopy) {
        PathText original;
        if (!FormPathIdentity(std::string_view(request.OriginalPath, TextLength(request.OriginalPath)), original))
            return kExitBadCommandLine;
        RemoveOriginalFile(original.c_str(), static_cast<int>(request.Levels));
        return kExitSuccess;
    }
    bool ending = false;
    int opened = OpenRemovalLog(request.LogName, ending);
    if (opened != kExitSuccess) return opened;
    TraceEvent("log %s, product %s", g_Uninst.LogPath.c_str(), g_Setup.PRODUCTNAME.c_str());

    if (request.RunMode == Mode::Register) {
        if (!ending && RegisterUninstallEntry()) return kExitSuccess;
        FixedText<512> text;
        ComposeCatalogueText(text, IDS_CANNOT_REGISTER, g_Setup.PRODUCTNAME.c_str());
        ShowBox(text.c_str(), g_Setup.PRODUCTNAME.c_str(), MB_ICONHAND);
        return kExitFailed;
    }
    return RemoveProduct(version.dwMajorVersion, ending);
}

// The last line of the trace: the exit code says the outcome, as the caller reads it.
// A plan found or written stays on the disk as the run leaves it, whichever way it ends.
int EndRemoval(int exitCode) {
    ClosePlanFile();
    TraceEvent("end: exit code %u", exitCode);
    CloseRunTrace();
    return exitCode;
}
}  // namespace

void ShowProgressItem(const char* item) {
    // The window shows TARGETDIR joined with TARGETFILE: split at the last backslash,
    // the join gives the item back.
    std::string_view text(item, TextLength(item));
    size_t cut = text.rfind('\\');
    if (cut == std::string_view::npos) {
        g_Setup.TARGETDIR.Clear();
        g_Setup.TARGETFILE.Assign(text);
    } else {
        g_Setup.TARGETDIR.Assign(TextSlice(text, 0, cut));
        g_Setup.TARGETFILE.Assign(TextSlice(text, cut + 1));
    }
    ShowProgressFile();
}

int RunUninstaller(HINSTANCE instance, const char* commandLine) {
    return EndRemoval(RunRemoval(instance, commandLine));
}
