#include "uninst/log_paths.h"

#include "platform/long_path.h"
#include "setup/setup_context.h"
#include "uninst/uninst_state.h"

namespace {
// Names that open a device wherever they stand in a path, with any extension; one
// text, each name ended by '\0', the list by an empty name (no table of pointers).
constexpr char kDeviceNames[] =
    "CON\0PRN\0AUX\0NUL\0COM1\0COM2\0COM3\0COM4\0COM5\0COM6\0COM7\0COM8\0COM9\0"
    "LPT1\0LPT2\0LPT3\0LPT4\0LPT5\0LPT6\0LPT7\0LPT8\0LPT9\0CLOCK$\0CONIN$\0CONOUT$\0";

constexpr std::string_view kUnusableCharacters = "*?\"<>|";

bool IsDeviceName(std::string_view part) {
    size_t dot = part.find('.');
    std::string_view base = TextSlice(part, 0, dot);
    while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
    for (const char* name = kDeviceNames; *name != '\0'; name += TextLength(name) + 1)
        if (EqualsIgnoreCase(base, name)) return true;
    return false;
}

}  // namespace

std::string_view WithoutTrailingBackslash(std::string_view path) {
    if (path.size() > 3 && path.back() == '\\') path.remove_suffix(1);
    return path;
}

int FoldLogPath(std::string_view entry, PathText& out) {
    if (!out.Assign(entry)) {
        out.Clear();
        return 0;
    }
    FoldPath(out);
    return 1;
}

int FormPathIdentity(std::string_view entry, PathText& out) {
    if (!FoldLogPath(entry, out)) return 0;
    // A short name always holds a '~': a path without one is in its long form already,
    // and asks the file system nothing.
    for (const char* c = out.c_str(); *c != '\0'; ++c)
        if (*c == '~') return ExpandToLongPath(out);
    return 1;
}

bool IsSameDirectory(std::string_view a, std::string_view b) {
    if (a.empty() || b.empty()) return false;
    return EqualsIgnoreCase(WithoutTrailingBackslash(a), WithoutTrailingBackslash(b));
}

bool IsProtectedDirectory(std::string_view directory) {
    std::string_view d = WithoutTrailingBackslash(directory);
    if (d.size() <= 3) return true;  // a drive root, or nothing that names a directory
    return IsSameDirectory(d, g_Setup.WINDIR.view()) || IsSameDirectory(d, g_Setup.WINSYSDIR.view()) ||
           IsSameDirectory(d, g_Uninst.ProgramFilesDir.view()) || IsSameDirectory(d, g_Uninst.CommonFilesDir.view());
}

std::string_view ParentDirectory(std::string_view path) {
    size_t cut = path.rfind('\\');
    if (cut == std::string_view::npos) return std::string_view();
    // Keep the backslash of a drive root.
    return TextSlice(path, 0, cut == 2 ? 3 : cut);
}

PathVerdict ClassifyLogPath(std::string_view path) {
    if (path.size() > kPathChars - 1) return PathVerdict::TooLong;
    char drive = AsciiLower(path.empty() ? '\0' : path[0]);
    if (path.size() < 3 || drive < 'a' || drive > 'z' || path[1] != ':' || path[2] != '\\')
        return PathVerdict::NotLocal;
    std::string_view rest = TextSlice(path, 3);
    if (rest.empty()) return PathVerdict::Protected;
    for (char c : rest) {
        if (static_cast<unsigned char>(c) < ' ' || c == ':' || c == '/') return PathVerdict::NotLocal;
        if (kUnusableCharacters.find(c) != std::string_view::npos) return PathVerdict::Wildcard;
    }
    while (!rest.empty()) {
        size_t cut = rest.find('\\');
        std::string_view part = TextSlice(rest, 0, cut);
        // An empty part is a doubled or trailing backslash: not a file's name.
        if (part.empty()) return PathVerdict::NotLocal;
        if (part == "." || part == ".." || part.back() == '.' || part.back() == ' ') return PathVerdict::ParentPart;
        if (IsDeviceName(part)) return PathVerdict::DeviceName;
        rest = cut == std::string_view::npos ? std::string_view() : TextSlice(rest, cut + 1);
    }
    if (IsProtectedDirectory(path)) return PathVerdict::Protected;
    return PathVerdict::Usable;
}
