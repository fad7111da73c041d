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
#include "uninst/log_paths.h"
#include "uninst/removal_log.h"
#include "uninst/removal_passes.h"
#include "uninst/removal_report.h"
#include "uninst/self_copy.h"
#include "uninst/uninst_resource_ids.h"
#include "uninst/uninst_state.h"
#include "uninst/uninstall_entry.h"

UninstState g_Uninst;

namespace {
enum class Mode { Remove, Register };

struct Request {
    Mode RunMode;
    HANDLE Original;           // set in the temporary copy: the process to wait for
    const char* OriginalPath;  // and its file, the remover's own file in the log
    const char* LogName;
};

// The sections a removal empties; when all are empty the log has served.
constexpr const char* kLogSections[] = {ScriptName::UninstExec,  ScriptName::UninstRegister,
                                        ScriptName::UninstFiles, ScriptName::UninstCreatedDirs,
                                        kDirectoriesSection,     nullptr};

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
        } else if (IsOption(argument, "W") && i + 2 < count) {
            ULONG_PTR handle = 0;
            if (!ParseNumber(items[++i], &handle)) return false;
            request.Original = reinterpret_cast<HANDLE>(handle);
            request.OriginalPath = items[++i];
        } else if (argument[0] == '/' || argument[0] == '-' || request.LogName != nullptr || argument[0] == '\0') {
            return false;
        } else {
            request.LogName = argument;
        }
    }
    return request.LogName != nullptr;
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
    if (IsFullPath(text)) return g_Uninst.LogPath.Assign(text);
    if (text.find_first_of("\\/:") != std::string_view::npos) return false;
    return JoinPath(g_Uninst.LogPath, g_Setup.WINDIR.view(), text) != 0;
}

namespace {

// The log must exist and carry [UNINST] Product; anything else is not touched.
int OpenRemovalLog(const char* name) {
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    if (ResolveLogPath(name)) {
        RecoverRemovalLog(g_Uninst.LogPath.c_str());
        attributes = GetFileAttributesA(g_Uninst.LogPath.c_str());
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
    // A log copied from a CD keeps its read-only attribute, and a log that cannot
    // forget its entries is a removal that never ends.
    if (attributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesA(g_Uninst.LogPath.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    return kExitSuccess;
}

void FindDirectories(HINSTANCE instance) {
    if (GetModuleFileNameA(instance, g_Uninst.ModulePath.data(), PathText::Capacity) == 0) g_Uninst.ModulePath.Clear();
    g_Uninst.ModulePath.text[PathText::Capacity - 1] = '\0';  // Windows 95 may leave it unterminated
    GetWindowsDirectoryA(g_Setup.WINDIR.data(), PathText::Capacity);
    AppendBackslash(g_Setup.WINDIR);
    GetSystemDirectoryA(g_Setup.WINSYSDIR.data(), PathText::Capacity);
    AppendBackslash(g_Setup.WINSYSDIR);
    ReadProtectedDirectories();
}

// Unattended, the question takes its default, Yes.
bool UserConfirmsRemoval() {
    FixedText<512> text;
    ComposeCatalogueText(text, IDS_CONFIRM_REMOVAL, g_Setup.PRODUCTNAME.c_str());
    return ShowMessageBox(text.c_str(), g_Setup.PRODUCTNAME.c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

// Whether a log section names the directory, or (`holding`) a file directly in it.
bool SectionNamesDirectory(const char* section, std::string_view directory, bool holding) {
    struct Query {
        std::string_view Directory;
        bool Holding;
    } query{directory, holding};
    return AnyLogEntry(
        section,
        [](const char* name, const void* context) {
            const Query& q = *static_cast<const Query*>(context);
            std::string_view entry(name, TextLength(name));
            return IsSameDirectory(q.Holding ? ParentDirectory(entry) : entry, q.Directory);
        },
        &query, false);
}

// The log's own directory goes with the log when the product made it: SETUP.EXE
// recorded creating it, or it held a logged file. Read before the passes, which
// forget what they handle.
bool LogDirectoryMayGo() {
    std::string_view directory = ParentDirectory(g_Uninst.LogPath.view());
    if (IsProtectedDirectory(directory)) return false;
    return SectionNamesDirectory(ScriptName::UninstCreatedDirs, directory, false) ||
           SectionNamesDirectory(kDirectoriesSection, directory, false) ||
           SectionNamesDirectory(ScriptName::UninstFiles, directory, true);
}

// Whether `directory` is the directory of `path` or one above it.
bool Encloses(std::string_view directory, std::string_view path) {
    for (std::string_view d = ParentDirectory(path); !d.empty();) {
        if (IsSameDirectory(d, directory)) return true;
        std::string_view up = ParentDirectory(d);
        if (up.size() >= d.size()) break;  // a drive root is its own parent
        d = up;
    }
    return false;
}

// Whether every directory a section still lists holds only what the ending itself
// removes: the remover's own file and the log. Those directories go at the end.
bool OnlyEndingDirectoriesLeft(const char* section) {
    return !AnyLogEntry(
        section,
        [](const char* name, const void*) {
            std::string_view entry(name, TextLength(name));
            return !(g_Uninst.OwnFileLeft && Encloses(entry, g_Uninst.ModulePath.view())) &&
                   !Encloses(entry, g_Uninst.LogPath.view());
        },
        nullptr, true);
}

// Whether the log lists nothing but, perhaps, the remover's own file and the
// directories that hold it or the log.
bool OnlyOwnFileLeft() {
    for (const char* const* section = kLogSections; *section != nullptr; ++section) {
        if (*section == ScriptName::UninstFiles || IsLogSectionEmpty(*section)) continue;
        bool directories = *section == ScriptName::UninstCreatedDirs || *section == kDirectoriesSection;
        if (!directories || !OnlyEndingDirectoriesLeft(*section)) return false;
    }
    return !AnyLogEntry(
        ScriptName::UninstFiles,
        [](const char* name, const void*) {
            PathText folded;
            return !(g_Uninst.OwnFileLeft && FoldLogPath(std::string_view(name, TextLength(name)), folded) &&
                     EqualsIgnoreCase(folded.view(), g_Uninst.ModulePath.view()));
        },
        nullptr, true);
}

// How many levels, from `directory` upward, the log names as made by the product.
int RecordedLevels(std::string_view directory) {
    int levels = 0;
    while (!directory.empty() && (SectionNamesDirectory(ScriptName::UninstCreatedDirs, directory, false) ||
                                  SectionNamesDirectory(kDirectoriesSection, directory, false))) {
        ++levels;
        std::string_view up = ParentDirectory(directory);
        if (up.size() >= directory.size()) break;
        directory = up;
    }
    return levels;
}

void RunPasses() {
    if (!g_Uninst.Silent) CreateProgressWindow();
    RunExecRemoval();
    if (DecideFilesToKeep()) {
        RunComponentRemoval();
        RunFileRemoval();
    }
    RunDirectoryRemoval();
    DestroyProgressWindow();
}

// Removes the directory when it is empty; one that still holds anything stays.
void RemoveDirectoryIfEmpty(std::string_view directory) {
    PathText path;
    if (path.Assign(directory) && !IsProtectedDirectory(directory)) RemoveDirectoryA(path.c_str());
}

// The directory and as many levels above it as the product made, each while empty.
void RemoveLevelsIfEmpty(std::string_view directory, int levels) {
    for (; levels > 0 && !directory.empty(); --levels) {
        RemoveDirectoryIfEmpty(directory);
        std::string_view up = ParentDirectory(directory);
        if (up.size() >= directory.size()) break;
        directory = up;
    }
}

// What the ending staged for the next start, each path with the text Windows was
// given for it: a deletion carried out now is cancelled, or a reinstallation to the
// same paths before the restart would lose its remover and its log then.
struct StagedDeletions {
    PathText path[4];
    PathText entry[4];
    int count = 0;
};

bool StageOwnDeletion(StagedDeletions& staged, const char* path) {
    int i = staged.count;
    if (i >= 4 || !staged.path[i].Assign(path) || !StageDeletionAtRestart(path, &staged.entry[i])) return false;
    staged.count = i + 1;
    return true;
}

void CancelCarriedOutDeletions(const StagedDeletions& staged) {
    for (int i = 0; i < staged.count; ++i) {
        if (GetFileAttributesA(staged.path[i].c_str()) != INVALID_FILE_ATTRIBUTES) continue;
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            CancelStagedDeletion(staged.entry[i].c_str());
    }
}

// The ending. Every cut from here leaves either an entry that still runs (the key
// goes only after the own file and the log are staged) or deletions staged for the
// next start. Returns whether the removal is complete; `restartNeeded` tells
// whether something waits for the next start.
bool FinishRemoval(bool logDirectoryMayGo, bool isCopy, bool& restartNeeded) {
    const char* log = g_Uninst.LogPath.c_str();
    std::string_view logDirectory = ParentDirectory(g_Uninst.LogPath.view());
    std::string_view ownDirectory = ParentDirectory(g_Uninst.ModulePath.view());
    bool nt = g_Setup.PlatformId == VER_PLATFORM_WIN32_NT;
    bool ownFile = g_Uninst.OwnFileLeft != 0;
    // Read while the log still names them. A log that records no directory the setup
    // made is an older one: the directory that held the remover's own file goes, no more.
    int ownLevels = RecordedLevels(ownDirectory);
    if (ownLevels == 0 && !g_Uninst.RecordedDirsOnly) ownLevels = 1;
    int logLevels = RecordedLevels(logDirectory);
    if (logLevels == 0 && logDirectoryMayGo) logLevels = 1;
    StagedDeletions staged;
    if (ownFile) {
        if (!StageOwnDeletion(staged, g_Uninst.ModulePath.c_str()) || !StageOwnDeletion(staged, log)) {
            ReportUnremovedItem(IDS_ITEM_NOT_DELETED, g_Uninst.ModulePath.c_str());
            return false;
        }
        // Windows removes an empty directory at the next start only on NT.
        PathText directory;
        if (nt && ownLevels > 0 && !IsProtectedDirectory(ownDirectory) && directory.Assign(ownDirectory))
            StageOwnDeletion(staged, directory.c_str());
        if (nt && logLevels > 0 && !IsSameDirectory(logDirectory, ownDirectory) && directory.Assign(logDirectory))
            StageOwnDeletion(staged, directory.c_str());
    }
    if (!RemoveUninstallEntry()) {
        ReportUnremovedItem(IDS_ITEM_ENTRY_NOT_DELETED, g_Setup.PRODUCTNAME.c_str());
        return false;
    }
    if (ownFile && !isCopy) {
        // The copy deletes this file and the log once this process has ended; the
        // log still names the file for it. Without a copy they go at the next start.
        if (HandOverToTemporaryCopy()) {
            TraceEvent("handed over to a temporary copy");
            return true;
        }
        restartNeeded = true;
    }
    // The log is not rewritten any more once the entry is gone: a rewrite cut short
    // would leave its new file behind, in the product directory, with nothing to run.
    // The log goes next anyway, and is staged for deletion should that fail.
    if (ownFile && isCopy) DeleteFileA(g_Uninst.ModulePath.c_str());  // in use still: it is staged
    if (!DeleteFileA(log) && GetFileAttributesA(log) != INVALID_FILE_ATTRIBUTES) {
        ReportUnremovedItem(IDS_ITEM_NOT_DELETED, log);
        return false;
    }
    TraceEvent("log %s deleted", log);
    if (ownFile && isCopy) RemoveLevelsIfEmpty(ownDirectory, ownLevels);
    RemoveLevelsIfEmpty(logDirectory, logLevels);
    CancelCarriedOutDeletions(staged);
    return true;
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

int RemoveProduct(DWORD majorVersion, bool isCopy) {
    if (!UserConfirmsRemoval()) return kExitUserDeclined;
    bool logDirectoryMayGo = LogDirectoryMayGo();
    RunPasses();
    // The remover's own notes leave no empty section behind in a log that stays.
    if (IsLogSectionEmpty(kDirectoriesSection))
        WritePrivateProfileStringA(kDirectoriesSection, nullptr, nullptr, g_Uninst.LogPath.c_str());
    // The outcome is read from what the log still lists, not from what went wrong on
    // the way: an entry the log could not forget is not removed either.
    // The log must be able to go before the entry does: a log left read-only would
    // outlive an entry that no longer runs.
    DWORD logAttributes = GetFileAttributesA(g_Uninst.LogPath.c_str());
    bool complete =
        OnlyOwnFileLeft() && logAttributes != INVALID_FILE_ATTRIBUTES && (logAttributes & FILE_ATTRIBUTE_READONLY) == 0;
    if (!complete && g_Uninst.FailedCount == 0) ReportUnremovedItem(IDS_ITEM_LOG_NOT_CHANGED, g_Uninst.LogPath.c_str());
    bool restartNeeded = g_Uninst.StagedCount > 0;
    if (complete) complete = FinishRemoval(logDirectoryMayGo, isCopy, restartNeeded);
    ShowRemovalOutcome(complete);
    int result = complete ? kExitSuccess : kExitFailed;
    if (restartNeeded && !isCopy) {
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
    Request request{Mode::Remove, nullptr, nullptr, nullptr};
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
    // The original's file is the remover's own file in the log.
    if (isCopy && !g_Uninst.ModulePath.Assign(request.OriginalPath)) return kExitBadCommandLine;
    int opened = OpenRemovalLog(request.LogName);
    if (opened != kExitSuccess) return opened;
    TraceEvent("log %s, product %s", g_Uninst.LogPath.c_str(), g_Setup.PRODUCTNAME.c_str());

    if (request.RunMode == Mode::Register) {
        if (RegisterUninstallEntry()) return kExitSuccess;
        FixedText<512> text;
        ComposeCatalogueText(text, IDS_CANNOT_REGISTER, g_Setup.PRODUCTNAME.c_str());
        ShowBox(text.c_str(), g_Setup.PRODUCTNAME.c_str(), MB_ICONHAND);
        return kExitFailed;
    }
    return RemoveProduct(version.dwMajorVersion, isCopy);
}

// The last line of the trace: the exit code says the outcome, as the caller reads it.
int EndRemoval(int exitCode) {
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
