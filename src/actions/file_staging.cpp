#include "actions/file_staging.h"

#include "script/script_names.h"
#include "setup/setup_context.h"

namespace {
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
}  // namespace

void FormStagedPath(const PathText& destination, PathText& staged) {
    staged = destination;
    size_t n = staged.length();
    if (n > 0) staged.text[n - 1] = '~';
}

int StageReplacement(const PathText& source, const PathText& destination) {
    PathText staged;
    FormStagedPath(destination, staged);
    // The source as it lies on the medium, not the version service's temporary copy.
    if (!CopyFileA(source.c_str(), staged.c_str(), FALSE)) return 0;
    g_Setup.RestartNeeded = 1;
    // Failures of the registration are not reported: the file counts as staged.
    if (g_Setup.PlatformId == VER_PLATFORM_WIN32_NT) {
        MoveFileExA(staged.c_str(), destination.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT);
        return 1;
    }
    PathText shortDestination;
    PathText shortStaged;
    ShortFormOf(destination, shortDestination);
    ShortFormOf(staged, shortStaged);
    WritePrivateProfileStringA(ScriptName::RenameSection, shortDestination.c_str(), shortStaged.c_str(),
                               ScriptName::WininitFile);
    return 1;
}
