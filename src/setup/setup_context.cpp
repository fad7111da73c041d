#include "setup/setup_context.h"

#include "actions/environment.h"
#include "script/script_names.h"
#include "ui/run_trace.h"
#include "uninstlog/uninstall_log.h"

SetupContext g_Setup;

void ReadWindowsVersion(OSVERSIONINFOA& version) {
    version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    version.dwMajorVersion = 0;
    version.dwPlatformId = 0;
    GetVersionExA(&version);
    g_Setup.PlatformId = version.dwPlatformId;
}

int AppendBackslash(PathText& path) {
    if (path.last() == '\\' && !path.empty()) return 1;
    if (!path.HasRoomFor(1)) return 0;
    path.Append('\\');
    return 1;
}

int JoinPath(PathText& destination, std::string_view directory, std::string_view name) {
    bool needsSeparator = directory.empty() || directory.back() != '\\';
    size_t total = directory.size() + (needsSeparator ? 1 : 0) + name.size();
    if (total > PathText::Capacity - 1) {
        destination.Clear();
        return 0;
    }
    // The directory may be the destination's own text (or part of another buffer):
    // build in a local buffer first.
    PathText joined;
    joined.Assign(directory);
    if (needsSeparator) joined.Append('\\');
    joined.Append(name);
    destination = joined;
    return 1;
}

bool IsFullPath(std::string_view path) {
    if (path.size() >= 3 && path[1] == ':' && path[2] == '\\') {
        char drive = AsciiLower(path[0]);
        return drive >= 'a' && drive <= 'z';
    }
    if (path.size() < 5 || path[0] != '\\' || path[1] != '\\') return false;
    // \\server\share: both parts present.
    size_t serverEnd = path.find('\\', 2);
    if (serverEnd == std::string_view::npos || serverEnd == 2) return false;
    size_t shareEnd = path.find('\\', serverEnd + 1);
    size_t shareLength = (shareEnd == std::string_view::npos ? path.size() : shareEnd) - serverEnd - 1;
    return shareLength > 0;
}

void FoldPath(PathText& path) {
    // Never longer than it was: folded in place, written behind where it is read.
    char* text = path.data();
    auto separator = [](char c) { return c == '\\' || c == '/'; };
    // A network path's leading pair is part of its name, not a doubled separator.
    size_t from = separator(text[0]) && separator(text[1]) ? 2 : 0;
    size_t to = from;
    if (from == 2) text[0] = text[1] = '\\';
    char last = '\0';
    for (; text[from] != '\0'; ++from) {
        char c = separator(text[from]) ? '\\' : text[from];
        if (c != '\\' || last != '\\') text[to++] = c;
        last = c;
    }
    text[to] = '\0';
}

bool ScriptExists() {
    DWORD attributes = GetFileAttributesA(g_Setup.INFFILE.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

UINT ReadRequireMajorVersion() {
    return ReadScriptNumber(g_Setup.INFFILE.c_str(), ScriptName::SetupSection, ScriptName::RequireMajorVersion, 0);
}

int ReadProductName(char* buffer, DWORD size) {
    return ReadScriptValue(g_Setup.INFFILE.c_str(), ScriptName::SetupSection, ScriptName::Product,
                           ScriptName::ProductDefault, buffer, size) > 0
               ? 1
               : 0;
}

UINT ReadInitialPrompt() {
    return ReadScriptNumber(g_Setup.INFFILE.c_str(), ScriptName::SetupSection, ScriptName::InitialPrompt, 0);
}

int InitSetupContext(const char* scriptName) {
    GetModuleFileNameA(g_Setup.ModuleInstance, g_Setup.SRCDIR.data(), PathText::Capacity);
    g_Setup.SRCDIR.Terminate();  // Windows 95 may leave it unterminated
    {
        size_t n = g_Setup.SRCDIR.length();
        while (n > 0 && g_Setup.SRCDIR.text[n - 1] != '\\') --n;
        if (n > 0) g_Setup.SRCDIR.Truncate(n);
    }
    g_Setup.TARGETDIR.Clear();
    GetWindowsDirectoryA(g_Setup.WINDIR.data(), PathText::Capacity);
    AppendBackslash(g_Setup.WINDIR);
    GetSystemDirectoryA(g_Setup.WINSYSDIR.data(), PathText::Capacity);
    AppendBackslash(g_Setup.WINSYSDIR);
    JoinPath(g_Setup.INFFILE, g_Setup.SRCDIR.view(), scriptName);
    TraceEvent("script %s", g_Setup.INFFILE.c_str());
    ReadProductName(g_Setup.PRODUCTNAME.data(), FixedText<128>::Capacity);
    // Without the script there is nothing to set and no log to name; the caller
    // reports the missing script instead of installing nothing as a success.
    if (!ScriptExists()) return 0;
    RunEnvironmentPhase();
    OpenUninstallLog();
    return 1;
}
