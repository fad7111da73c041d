// The remover's whole run: command line, the log, the passes in the reverse order
// of the installation, the closing report and the restart offer.
#include "uninst/uninstaller.h"

#include "cmdline/arg_list.h"
#include "script/registry_reader.h"
#include "script/script_names.h"
#include "script/script_reader.h"
#include "setup/restart.h"
#include "setup/setup_context.h"
#include "ui/messages.h"
#include "ui/progress_window.h"
#include "uninst/deletion_staging.h"
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
constexpr char kCurrentVersionKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";
constexpr char kProgramFilesValue[] = "ProgramFilesDir";

enum class Mode { Remove, Register };

struct Request {
    Mode RunMode;
    int Silent;
    HANDLE Original;  // set in the temporary copy: the process to wait for
    const char* LogName;
};

// The sections a removal empties; when all are empty the log has served.
constexpr const char* kLogSections[] = {ScriptName::UninstExec, ScriptName::UninstRegister, ScriptName::UninstFiles,
                                        kDirectoriesSection, nullptr};

bool IsOption(const char* argument, std::string_view name) {
    return (argument[0] == '/' || argument[0] == '-') && EqualsIgnoreCase(argument + 1, name);
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
        if (IsOption(argument, "S")) {
            request.Silent = 1;
        } else if (IsOption(argument, "register")) {
            request.RunMode = Mode::Register;
        } else if (IsOption(argument, "W") && i + 1 < count) {
            ULONG_PTR handle = 0;
            if (!ParseNumber(items[++i], &handle)) return false;
            request.Original = reinterpret_cast<HANDLE>(handle);
        } else if (argument[0] == '/' || argument[0] == '-' || request.LogName != nullptr || argument[0] == '\0') {
            return false;
        } else {
            request.LogName = argument;
        }
    }
    return request.LogName != nullptr;
}

void ShowBox(const char* text, const char* caption, UINT style) {
    if (!g_Uninst.Silent) ShowMessageBox(text, caption, style);
}

// A full path as given; a bare name means the Windows directory, as the profile
// functions read it. A relative path with directories is refused: the profile
// functions and the file functions would resolve it differently.
bool ResolveLogPath(const char* name) {
    std::string_view text(name, TextLength(name));
    if (IsFullPath(text)) return g_Uninst.LogPath.Assign(text);
    if (text.find_first_of("\\/:") != std::string_view::npos) return false;
    return JoinPath(g_Uninst.LogPath, g_Setup.WINDIR.view(), text) != 0;
}

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
        return 0;
    }
    ReadScriptText(g_Uninst.LogPath.c_str(), ScriptName::UninstSection, ScriptName::Product, g_Setup.PRODUCTNAME);
    if (g_Setup.PRODUCTNAME.empty()) {
        MessageText caption;
        LoadCatalogueText(IDS_CAPTION_UNINSTALL, caption);
        FixedText<kPathChars + 256> text;
        ComposeCatalogueText(text, IDS_NOT_UNINSTALL_LOG, g_Uninst.LogPath.c_str());
        ShowBox(text.c_str(), caption.c_str(), MB_ICONHAND);
        return 0;
    }
    return 1;
}

void FindDirectories(HINSTANCE instance) {
    if (GetModuleFileNameA(instance, g_Uninst.ModulePath.data(), PathText::Capacity) == 0) g_Uninst.ModulePath.Clear();
    g_Uninst.ModulePath.text[PathText::Capacity - 1] = '\0';  // Windows 95 may leave it unterminated
    GetWindowsDirectoryA(g_Setup.WINDIR.data(), PathText::Capacity);
    AppendBackslash(g_Setup.WINDIR);
    GetSystemDirectoryA(g_Setup.WINSYSDIR.data(), PathText::Capacity);
    AppendBackslash(g_Setup.WINSYSDIR);

    ReadRegistryKeyText(HKEY_LOCAL_MACHINE, kCurrentVersionKey, kProgramFilesValue, g_Uninst.ProgramFilesDir);
}

bool UserConfirmsRemoval() {
    if (g_Uninst.Silent) return true;
    FixedText<512> text;
    ComposeCatalogueText(text, IDS_CONFIRM_REMOVAL, g_Setup.PRODUCTNAME.c_str());
    return ShowMessageBox(text.c_str(), g_Setup.PRODUCTNAME.c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

// When every section is empty the log has served: it goes, and with it the entry
// in the Add/Remove Programs list.
void FinishLogWhenEmpty() {
    // The remover's own notes leave no empty section behind in a log that stays.
    if (IsLogSectionEmpty(kDirectoriesSection))
        WritePrivateProfileStringA(kDirectoriesSection, nullptr, nullptr, g_Uninst.LogPath.c_str());
    for (const char* const* section = kLogSections; *section != nullptr; ++section)
        if (!IsLogSectionEmpty(*section)) return;
    DeleteFileA(g_Uninst.LogPath.c_str());
    RemoveUninstallEntry();
}

void RunPasses() {
    if (!g_Uninst.Silent) CreateProgressWindow();
    RunExecRemoval();
    RunComponentRemoval();
    RunFileRemoval();
    RunDirectoryRemoval();
    DestroyProgressWindow();
}

int RemoveProduct(DWORD majorVersion) {
    if (!UserConfirmsRemoval()) return kRemovalIncomplete;
    RunPasses();
    FinishLogWhenEmpty();
    // The own file goes last, and only when nothing else is left: a remover that
    // must be run again has to stay.
    bool handOver = g_Uninst.OwnFileLeft && g_Uninst.FailedCount == 0;
    int result = g_Uninst.FailedCount == 0 ? kRemovalComplete : kRemovalIncomplete;
    ShowRemovalOutcome();
    if (g_Uninst.StagedCount > 0 && !g_Uninst.Silent) {
        // Should Windows restart now, the copy below never runs: the own file goes then.
        if (handOver) StageDeletionAtRestart(g_Uninst.ModulePath.c_str());
        OfferRestart(majorVersion);
    }
    if (handOver && !HandOverToTemporaryCopy()) {
        if (StageDeletionAtRestart(g_Uninst.ModulePath.c_str())) {
            ForgetLogEntry(ScriptName::UninstFiles, g_Uninst.ModulePath.c_str());
            FinishLogWhenEmpty();
        } else {
            result = kRemovalIncomplete;
        }
    }
    return result;
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
    g_Uninst = UninstState{};
    g_Setup.ModuleInstance = instance;
    FindDirectories(instance);

    OSVERSIONINFOA version;
    ReadWindowsVersion(version);

    Request request{Mode::Remove, 0, nullptr, nullptr};
    int argumentCount = 0;
    char** arguments = nullptr;
    bool understood = SplitCommandLine(g_Uninst.ModulePath.c_str(), commandLine ? commandLine : "", &argumentCount,
                                       &arguments) == 0 &&
                      ParseArguments(argumentCount, arguments, request);
    g_Uninst.Silent = request.Silent;
    if (!understood) {
        MessageText caption, text;
        LoadCatalogueText(IDS_CAPTION_UNINSTALL, caption);
        LoadCatalogueText(IDS_USAGE, text);
        ShowBox(text.c_str(), caption.c_str(), MB_ICONHAND);
        return kRemovalBadInput;
    }

    if (request.Original != nullptr) {
        // The temporary copy: it finishes what the original left, without a word.
        WaitForOriginalToEnd(request.Original);
        g_Uninst.Silent = 1;
    }
    if (!OpenRemovalLog(request.LogName)) return kRemovalBadInput;

    if (request.RunMode == Mode::Register) {
        if (RegisterUninstallEntry()) return kRemovalComplete;
        FixedText<512> text;
        ComposeCatalogueText(text, IDS_CANNOT_REGISTER, g_Setup.PRODUCTNAME.c_str());
        ShowBox(text.c_str(), g_Setup.PRODUCTNAME.c_str(), MB_ICONHAND);
        return kRemovalIncomplete;
    }
    return RemoveProduct(version.dwMajorVersion);
}
