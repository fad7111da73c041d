// The rule every directory passes before RemoveDirectoryA: never a drive root, the
// Windows, system, Program Files or Common Files directory, a shell folder or a junction.
#include "uninst/directory_removal.h"

#include "script/registry_reader.h"
#include "setup/setup_context.h"
#include "ui/run_trace.h"
#include "uninst/log_paths.h"
#include "uninst/registry_values.h"
#include "uninst/uninst_state.h"

namespace {
// The profile's Desktop, StartUp, Programs and the like are the person's, empty or not.
bool NoteShellFolder(const PathText&, DWORD type, const BYTE* data, DWORD size, void*) {
    PathText folder, identity;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
    folder.Assign(std::string_view(reinterpret_cast<const char*>(data), size < kPathChars ? size : kPathChars - 1));
    folder.Truncate(TextLength(folder.c_str()));
    if (FormPathIdentity(folder.view(), identity)) {
        identity.Truncate(WithoutTrailingBackslash(identity.view()).size());
        g_Uninst.ProtectedDirsUnknown |= !AddIdentity(g_Uninst.ShellFolders, identity.view());
    }
    return false;
}
}  // namespace

// The one rule every directory passes before RemoveDirectoryA, whichever list or walk
// named it. `directory` is folded, without a trailing backslash.
DirectoryVerdict JudgeDirectory(const char* directory) {
    std::string_view text(directory, TextLength(directory));
    // A drive root, the Windows, system, Program Files and Common Files directories,
    // and anything no file function may be given.
    if (ClassifyLogPath(text) != PathVerdict::Usable) return DirectoryVerdict::Kept;
    if (g_Uninst.ProtectedDirsUnknown) return DirectoryVerdict::Unknown;
    if (HasIdentity(g_Uninst.ShellFolders, text)) return DirectoryVerdict::Kept;
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

void ReadProtectedDirectories() {
    HKEY key = nullptr;
    FixedText<256> path;
    FormWindowsKeyPath(path, "");
    LSTATUS status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, &key);
    if (status == ERROR_SUCCESS) {
        ReadRegistryText(key, "ProgramFilesDir", g_Uninst.ProgramFilesDir);
        ReadRegistryText(key, "CommonFilesDir", g_Uninst.CommonFilesDir);
        // Judged by identity like every path: the registry may hold a short spelling.
        for (PathText* directory : {&g_Uninst.ProgramFilesDir, &g_Uninst.CommonFilesDir}) {
            PathText identity;
            if (FormPathIdentity(directory->view(), identity)) *directory = identity;
        }
        RegCloseKey(key);
    } else if (status != ERROR_FILE_NOT_FOUND) {
        g_Uninst.ProtectedDirsUnknown = 1;
    }
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
        if (!ForEachWindowsValue(root, "Explorer\\Shell Folders", NoteShellFolder, nullptr))
            g_Uninst.ProtectedDirsUnknown = 1;
}


DirectoryOutcome RemoveDirectoryByRule(const char* directory) {
    DirectoryVerdict verdict = JudgeDirectory(directory);
    if (verdict == DirectoryVerdict::Unknown) return DirectoryOutcome::Unknown;
    DirectoryOutcome outcome = verdict == DirectoryVerdict::Kept ? DirectoryOutcome::Kept
                               : RemoveDirectoryA(directory)     ? DirectoryOutcome::Removed
                                                                 : DirectoryOutcome::NotEmpty;
    static constexpr const char* kOutcomes[] = {"removed", "protected or gone", "not empty"};
    TraceEvent("directory %s: %s", directory, kOutcomes[static_cast<int>(outcome)]);
    return outcome;
}
