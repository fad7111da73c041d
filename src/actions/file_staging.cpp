#include "actions/file_staging.h"

#include "script/script_names.h"
#include "setup/setup_context.h"

namespace {
constexpr int kAlternativeNames = 99;

// Windows 95 carries out [rename] before long file names are available: an entry
// written with long names is never carried out. Both files exist at this moment, so
// their short forms can be asked for; where one cannot be had the long form is kept.
void ShortFormOf(const PathText& path, PathText& out) {
    out = path;
    PathText shortPath;
    shortPath.Clear();
    DWORD n = GetShortPathNameA(path.c_str(), shortPath.data(), PathText::Capacity);
    if (n == 0 || n >= PathText::Capacity) return;
    shortPath.Terminate();
    out = shortPath;
}

// The destination staged at `staged` in this run, or nullptr.
const PathText* DestinationStagedAt(const PathText& staged) {
    for (int i = 0; i < g_Setup.StagedFileCount; ++i)
        if (EqualsIgnoreCase(g_Setup.StagedFiles[i].Staged.view(), staged.view()))
            return &g_Setup.StagedFiles[i].Destination;
    return nullptr;
}

// The n-th other name: the extension of the file name replaced by "~NN".
int FormAlternativeStagedPath(const PathText& destination, int n, PathText& staged) {
    std::string_view path = destination.view();
    size_t nameStart = path.rfind('\\') + 1;
    size_t stem = path.rfind('.');
    if (stem == std::string_view::npos || stem < nameStart) stem = path.size();
    char extension[] = {'.', '~', static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)};
    return staged.Assign(std::string_view(path.data(), stem)) &&
           staged.Append(std::string_view(extension, sizeof extension));
}

// The file present under a staged name may be the staged copy of an earlier run that
// is still waiting for its restart: only the tilde form, which that run used for the
// same destination, is written over.
bool IsTakenOnDisk(const PathText& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A copy of the source as the version service installs it: a compressed source is
// expanded. The service installs it under the staged name by force (a staged copy
// of an earlier run is no reason to keep it), with no current file to delete. The
// staged path differs from the destination only in TARGETFILE's part, so its name
// in TARGETDIR starts where TARGETFILE does.
int ExpandSourceTo(PathText& staged, const PathText& destination) {
    char* stagedName = staged.text + (destination.length() - g_Setup.TARGETFILE.length());
    char noCurrentDir[1] = {'\0'};
    // An empty name: the service makes a new temporary copy instead of taking one.
    PathText tempName;
    tempName.Clear();
    UINT tempLength = PathText::Capacity;
    DWORD bits =
        VerInstallFileA(VIFF_FORCEINSTALL | VIFF_DONTDELETEOLD, g_Setup.SRCFILE.data(), stagedName,
                        g_Setup.SRCDIR.data(), g_Setup.TARGETDIR.data(), noCurrentDir, tempName.data(), &tempLength);
    if (bits & VIF_TEMPFILE) DeleteTemporaryCopy(tempName);
    return bits == 0 ? 1 : 0;
}

// The staged file holds exactly what the version service would have installed, never
// the source's raw bytes: those are a compressed image when the source is compressed.
int PlaceStagedFile(const PathText* expandedCopy, PathText& staged, const PathText& destination) {
    if (expandedCopy != nullptr) return CopyFileA(expandedCopy->c_str(), staged.c_str(), FALSE) ? 1 : 0;
    return ExpandSourceTo(staged, destination);
}

int RegisterMoveAtRestart(const PathText& staged, const PathText& destination) {
    if (g_Setup.PlatformId == VER_PLATFORM_WIN32_NT)
        return MoveFileExA(staged.c_str(), destination.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT)
                   ? 1
                   : 0;
    PathText shortDestination;
    PathText shortStaged;
    ShortFormOf(destination, shortDestination);
    ShortFormOf(staged, shortStaged);
    return WritePrivateProfileStringA(ScriptName::RenameSection, shortDestination.c_str(), shortStaged.c_str(),
                                      ScriptName::WininitFile)
               ? 1
               : 0;
}
}  // namespace

// Wine gives the temporary name with a leading backslash; the doubled backslash of
// the join is accepted by Windows.
void DeleteTemporaryCopy(const PathText& tempName) {
    if (tempName.empty()) return;
    PathText path;
    if (!JoinPath(path, g_Setup.TARGETDIR.view(), tempName.view())) return;  // a cut path names another file
    DeleteFileA(path.c_str());
}

void FormStagedPath(const PathText& destination, PathText& staged) {
    staged = destination;
    size_t n = staged.length();
    if (n > 0) staged.text[n - 1] = '~';
}

int ChooseStagedPath(const PathText& destination, PathText& staged) {
    FormStagedPath(destination, staged);
    for (int n = 1;; ++n) {
        const PathText* owner = DestinationStagedAt(staged);
        if (owner != nullptr) {
            if (EqualsIgnoreCase(owner->view(), destination.view())) return 1;
        } else if (n == 1 || !IsTakenOnDisk(staged)) {
            return 1;
        }
        if (n > kAlternativeNames || !FormAlternativeStagedPath(destination, n, staged)) return 0;
    }
}

int StageReplacement(const PathText* expandedCopy, const PathText& destination) {
    PathText staged;
    if (!ChooseStagedPath(destination, staged)) return 0;
    // The same destination staged again in this run: its move is registered already
    // and carries the new copy.
    if (DestinationStagedAt(staged) != nullptr) return PlaceStagedFile(expandedCopy, staged, destination);
    if (g_Setup.StagedFileCount == kMaxStagedReplacements) return 0;
    if (!PlaceStagedFile(expandedCopy, staged, destination)) return 0;
    // Without the registration the old file stays for good: the copy beside it would
    // only be left lying there, and the entry is reported as the file in use it is.
    if (!RegisterMoveAtRestart(staged, destination)) {
        DeleteFileA(staged.c_str());
        return 0;
    }
    StagedReplacement& record = g_Setup.StagedFiles[g_Setup.StagedFileCount++];
    record.Staged = staged;
    record.Destination = destination;
    g_Setup.RestartNeeded = 1;
    return 1;
}
