#include "actions/file_staging.h"

#include "script/script_names.h"
#include "setup/setup_context.h"

namespace {
constexpr size_t kStagedListGrowth = 2048;
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
    shortPath.text[PathText::Capacity - 1] = '\0';
    out = shortPath;
}

// The destination recorded for `staged` in this run, or nullptr.
const char* DestinationStagedAt(std::string_view staged) {
    const StagedPathList& list = g_Setup.StagedPaths;
    size_t at = 0;
    while (at < list.Used) {
        const char* stagedPath = list.Block + at;
        const char* destination = stagedPath + TextLength(stagedPath) + 1;
        if (EqualsIgnoreCase(stagedPath, staged)) return destination;
        at = static_cast<size_t>(destination - list.Block) + TextLength(destination) + 1;
    }
    return nullptr;
}

// Room for one more record, made before anything is staged: a replacement that could
// not be remembered could be overwritten by the next one.
int MakeRoomForRecord(size_t bytes) {
    StagedPathList& list = g_Setup.StagedPaths;
    if (list.Size - list.Used >= bytes) return 1;
    size_t size = list.Size + (bytes > kStagedListGrowth ? bytes : kStagedListGrowth);
    void* block = list.Block == nullptr ? HeapAlloc(GetProcessHeap(), 0, size)
                                        : HeapReAlloc(GetProcessHeap(), 0, list.Block, size);
    if (block == nullptr) return 0;
    list.Block = static_cast<char*>(block);
    list.Size = size;
    return 1;
}

void RememberStagedPath(const PathText& staged, const PathText& destination) {
    StagedPathList& list = g_Setup.StagedPaths;
    CopyBounded(list.Block + list.Used, staged.length() + 1, staged.view());
    list.Used += staged.length() + 1;
    CopyBounded(list.Block + list.Used, destination.length() + 1, destination.view());
    list.Used += destination.length() + 1;
}

// The n-th other name: the extension of the file name replaced by "~NN".
int FormAlternativeStagedPath(const PathText& destination, int n, PathText& staged) {
    std::string_view path = destination.view();
    size_t nameStart = path.rfind('\\');
    nameStart = nameStart == std::string_view::npos ? 0 : nameStart + 1;
    size_t dot = path.rfind('.');
    size_t stem = (dot == std::string_view::npos || dot < nameStart) ? path.size() : dot;
    char extension[] = {'.', '~', static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)};
    return staged.Assign(path.substr(0, stem)) && staged.Append(std::string_view(extension, sizeof extension));
}

// The file present under a staged name may be the staged copy of an earlier run that
// is still waiting for its restart: only the tilde form, which that run used for the
// same destination, is written over.
bool IsTakenOnDisk(const PathText& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A copy of the source as the version service installs it: a compressed source is
// expanded. The service is asked to install it under the staged name by force (a
// staged copy of an earlier run is no reason to keep it), with no current file to
// delete.
int ExpandSourceTo(const StagingSource& source, const PathText& staged) {
    std::string_view path = staged.view();
    size_t nameStart = path.rfind('\\') + 1;
    PathText directory;
    PathText name;
    PathText sourceDir = *source.SourceDir;
    PathText sourceFile = *source.SourceFile;
    directory.Assign(path.substr(0, nameStart));
    name.Assign(path.substr(nameStart));
    PathText noCurrentDir;
    noCurrentDir.Clear();
    // An empty name: the service makes a new temporary copy instead of taking one.
    PathText tempName;
    tempName.Clear();
    UINT tempLength = PathText::Capacity;
    DWORD bits = VerInstallFileA(VIFF_FORCEINSTALL | VIFF_DONTDELETEOLD, sourceFile.data(), name.data(),
                                 sourceDir.data(), directory.data(), noCurrentDir.data(), tempName.data(), &tempLength);
    tempName.text[PathText::Capacity - 1] = '\0';
    if (bits & VIF_TEMPFILE) {
        PathText tempPath;
        if (JoinPath(tempPath, directory.view(), tempName.view())) DeleteFileA(tempPath.c_str());
    }
    return bits == 0 ? 1 : 0;
}

// The staged file holds exactly what the version service would have installed, never
// the source's raw bytes: those are a compressed image when the source is compressed.
int PlaceStagedFile(const StagingSource& source, const PathText& staged) {
    if (source.ExpandedCopy != nullptr) return CopyFileA(source.ExpandedCopy->c_str(), staged.c_str(), FALSE) ? 1 : 0;
    return ExpandSourceTo(source, staged);
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

void FormStagedPath(const PathText& destination, PathText& staged) {
    staged = destination;
    size_t n = staged.length();
    if (n > 0) staged.text[n - 1] = '~';
}

int ChooseStagedPath(const PathText& destination, PathText& staged) {
    FormStagedPath(destination, staged);
    const char* owner = DestinationStagedAt(staged.view());
    if (owner == nullptr || EqualsIgnoreCase(owner, destination.view())) return 1;
    for (int n = 1; n <= kAlternativeNames; ++n) {
        if (!FormAlternativeStagedPath(destination, n, staged)) return 0;
        owner = DestinationStagedAt(staged.view());
        if (owner != nullptr) {
            if (EqualsIgnoreCase(owner, destination.view())) return 1;
            continue;
        }
        if (!IsTakenOnDisk(staged)) return 1;
    }
    return 0;
}

int StageReplacement(const StagingSource& source, const PathText& destination) {
    PathText staged;
    if (!ChooseStagedPath(destination, staged)) return 0;
    // The same destination staged again in this run: its move is registered already
    // and carries the new copy.
    if (DestinationStagedAt(staged.view()) != nullptr) return PlaceStagedFile(source, staged);
    if (!MakeRoomForRecord(staged.length() + destination.length() + 2)) return 0;
    if (!PlaceStagedFile(source, staged)) return 0;
    // Without the registration the old file stays for good: the copy beside it would
    // only be left lying there, and the entry is reported as the file in use it is.
    if (!RegisterMoveAtRestart(staged, destination)) {
        DeleteFileA(staged.c_str());
        return 0;
    }
    RememberStagedPath(staged, destination);
    g_Setup.RestartNeeded = 1;
    return 1;
}
