// The directory pass: only directories the product made, deepest first, when empty,
// and never one that the protection rule names.
#include "uninst/directory_removal.h"

#include "script/registry_reader.h"
#include "script/script_names.h"
#include "setup/setup_context.h"
#include "ui/run_trace.h"
#include "uninst/log_paths.h"
#include "uninst/removal_log.h"
#include "uninst/removal_passes.h"
#include "uninst/removal_report.h"
#include "uninst/uninst_resource_ids.h"
#include "uninst/uninst_state.h"

namespace {
constexpr char kCurrentVersionKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";
constexpr char kShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

enum class DirectoryVerdict { Removable, Kept, Unknown };

// The profile's Desktop, StartUp, Programs and the like are the person's, empty or not.
DirectoryVerdict JudgeShellFolders(HKEY root, std::string_view directory) {
    HKEY key = nullptr;
    LSTATUS status = RegOpenKeyExA(root, kShellFoldersKey, 0, KEY_QUERY_VALUE, &key);
    if (status == ERROR_FILE_NOT_FOUND) return DirectoryVerdict::Removable;
    if (status != ERROR_SUCCESS) return DirectoryVerdict::Unknown;
    DirectoryVerdict verdict = DirectoryVerdict::Removable;
    for (DWORD index = 0; verdict == DirectoryVerdict::Removable; ++index) {
        FixedText<256> name;
        PathText folder;
        DWORD nameSize = FixedText<256>::Capacity;
        DWORD dataSize = PathText::Capacity - 1;
        DWORD type = 0;
        status = RegEnumValueA(key, index, name.data(), &nameSize, nullptr, &type,
                               reinterpret_cast<BYTE*>(folder.data()), &dataSize);
        if (status == ERROR_NO_MORE_ITEMS) break;
        // A value too long to be a path names no directory this pass could remove.
        if (status == ERROR_MORE_DATA) continue;
        if (status != ERROR_SUCCESS) {
            verdict = DirectoryVerdict::Unknown;
            break;
        }
        folder.text[dataSize < PathText::Capacity ? dataSize : PathText::Capacity - 1] = '\0';
        if (IsSameDirectory(folder.view(), directory)) verdict = DirectoryVerdict::Kept;
    }
    RegCloseKey(key);
    return verdict;
}

// The one rule every directory passes before RemoveDirectoryA, whichever list or walk
// named it. `directory` is folded, without a trailing backslash.
DirectoryVerdict JudgeDirectory(const char* directory) {
    std::string_view text(directory, TextLength(directory));
    // A drive root, the Windows, system, Program Files and Common Files directories,
    // and anything no file function may be given.
    if (ClassifyLogPath(text) != PathVerdict::Usable) return DirectoryVerdict::Kept;
    if (g_Uninst.ProtectedDirsUnknown) return DirectoryVerdict::Unknown;
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        DirectoryVerdict verdict = JudgeShellFolders(root, text);
        if (verdict != DirectoryVerdict::Removable) return verdict;
    }
    DWORD attributes = GetFileAttributesA(directory);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? DirectoryVerdict::Kept
                                                                              : DirectoryVerdict::Unknown;
    }
    // A junction's removal would be harmless, but what it leads to is not the product's
    // to judge: it stays.
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return DirectoryVerdict::Kept;
    return DirectoryVerdict::Removable;
}

int DepthOf(std::string_view directory) {
    int depth = 0;
    for (char c : directory) depth += c == '\\' ? 1 : 0;
    return depth;
}

// The entry folded and without its trailing backslash; 0 when it names nothing usable.
int ReadDirectoryEntry(const char* entry, PathText& directory) {
    if (!FoldLogPath(std::string_view(entry, TextLength(entry)), directory)) return 0;
    directory.Truncate(WithoutTrailingBackslash(directory.view()).size());
    return ClassifyLogPath(directory.view()) == PathVerdict::Usable;
}

EntryOutcome MeasureDirectoryDepth(const char* entry) {
    PathText directory;
    // Never removed, so nothing is left to do for it.
    if (!ReadDirectoryEntry(entry, directory)) return EntryOutcome::Handled;
    int depth = DepthOf(directory.view());
    if (depth > g_Uninst.DirectoryDepth) g_Uninst.DirectoryDepth = depth;
    return EntryOutcome::Left;
}

EntryOutcome RemoveRecordedDirectory(const char* entry) {
    PathText directory;
    if (!ReadDirectoryEntry(entry, directory)) return EntryOutcome::Handled;
    if (DepthOf(directory.view()) != g_Uninst.DirectoryDepth) return EntryOutcome::Left;
    DirectoryVerdict verdict = JudgeDirectory(directory.c_str());
    if (verdict == DirectoryVerdict::Unknown) {
        ReportUnremovedItem(IDS_ITEM_NOT_DELETED, entry);
        return EntryOutcome::Failed;
    }
    bool kept = verdict == DirectoryVerdict::Kept;
    bool removed = !kept && RemoveDirectoryA(directory.c_str());
    TraceEvent("directory %s: %s", directory.c_str(), removed ? "removed" : kept ? "protected or gone" : "not empty");
    if (kept || removed) return EntryOutcome::Handled;
    // Still holding a file that a later run removes: the record stays for that run. Once
    // the product's files are gone, what remains in it is someone else's and it stays.
    return IsLogSectionEmpty(ScriptName::UninstFiles) ? EntryOutcome::Handled : EntryOutcome::Left;
}
}  // namespace

void ReadProtectedDirectories() {
    HKEY key = nullptr;
    LSTATUS status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kCurrentVersionKey, 0, KEY_QUERY_VALUE, &key);
    if (status == ERROR_SUCCESS) {
        ReadRegistryText(key, "ProgramFilesDir", g_Uninst.ProgramFilesDir);
        ReadRegistryText(key, "CommonFilesDir", g_Uninst.CommonFilesDir);
        RegCloseKey(key);
    } else if (status != ERROR_FILE_NOT_FOUND) {
        g_Uninst.ProtectedDirsUnknown = 1;
    }
}

void RunDirectoryRemoval() {
    g_Uninst.DirectoryDepth = 0;
    RunLogSectionLastFirst(ScriptName::UninstCreatedDirs, MeasureDirectoryDepth);
    RunLogSectionLastFirst(kDirectoriesSection, MeasureDirectoryDepth);
    // A parent is tried only after every recorded directory below it.
    for (int depth = g_Uninst.DirectoryDepth; depth > 0; --depth) {
        g_Uninst.DirectoryDepth = depth;
        RunLogSectionLastFirst(ScriptName::UninstCreatedDirs, RemoveRecordedDirectory);
        RunLogSectionLastFirst(kDirectoriesSection, RemoveRecordedDirectory);
    }
}
