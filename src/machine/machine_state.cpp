// The machine's state: reset, fixtures, failure injection, the call log and
// running the installer's entry point.
#include <string.h>

#include <algorithm>
#include <cstdlib>

#include "machine/machine.h"
#include "machine/machine_internal.h"
#include "platform/long_path.h"
#include "setup/setup_context.h"
#include "uninst/uninstaller.h"

namespace machine {

namespace {
Machine g_Machine;

// The installer keeps some blocks for the whole process (the argument list, by
// design). Released when the test process ends, so that the leak checker only
// reports blocks that a test itself lost. Defined after g_Machine in this file, so
// it runs before g_Machine is destroyed.
struct HeapReleasedAtExit {
    ~HeapReleasedAtExit() {
        for (void* block : g_Machine.heapBlocks) free(block);
        g_Machine.heapBlocks.clear();
    }
} g_HeapReleasedAtExit;
// The instance handle the installer receives, as Windows gives a module at 0x400000.
HINSTANCE const kModuleInstance = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000));

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
}  // namespace

Machine& M() {
    return g_Machine;
}

bool NoCaseLess::operator()(const std::string& a, const std::string& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return LowerAscii(x) < LowerAscii(y); });
}

bool SameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

std::string Text(LPCSTR s) {
    return s ? std::string(s) : std::string();
}

std::string Upper(const std::string& s) {
    std::string r = s;
    for (char& c : r)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return r;
}

void LogCall(const std::string& entry) {
    g_Machine.calls.push_back(entry);
    if (g_Machine.onCall) g_Machine.onCall(entry);
}

void Reset() {
    ResetHeap();
    ResetModules();
    ResetVersionService();
    g_Machine = Machine();
    for (const char* dir : {"C:\\", "C:\\MEDIA", "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM", "C:\\TEMP"})
        g_Machine.directories.insert(dir);
    // The installer's state is zero-filled at process start; every run starts so.
    memset(static_cast<void*>(&g_Setup), 0, sizeof(g_Setup));
    memset(static_cast<void*>(&g_LongPathName), 0, sizeof(g_LongPathName));
}

int RunSetup(const char* commandTail) {
    std::string tail = commandTail ? commandTail : "";
    std::vector<char> line(tail.begin(), tail.end());
    line.push_back('\0');
    return WinMain(kModuleInstance, nullptr, line.data(), SW_SHOWDEFAULT);
}

int RunUninst(const char* commandTail) {
    std::string tail = commandTail ? commandTail : "";
    std::vector<char> line(tail.begin(), tail.end());
    line.push_back('\0');
    return RunUninstaller(kUninstallerInstance, line.data());
}

// --- failure injection -------------------------------------------------------

void FailCall(const std::string& function, int nth) {
    if (nth <= 0) {
        g_Machine.failAlways.insert(function);
        return;
    }
    g_Machine.failNth[function] = nth;
}

void FailAlways(const std::string& function) {
    g_Machine.failAlways.insert(function);
}

bool ShouldFail(const std::string& function) {
    ++g_Machine.callCounts[function];
    if (g_Machine.failAlways.count(function)) return true;
    auto it = g_Machine.failNth.find(function);
    if (it == g_Machine.failNth.end()) return false;
    if (--it->second > 0) return false;
    g_Machine.failNth.erase(it);
    return true;
}

// --- fixtures ----------------------------------------------------------------

void MakeDirectory(const std::string& path) {
    std::string p = NormalisePath(path);
    while (!p.empty() && !g_Machine.directories.count(p)) {
        g_Machine.directories.insert(p);
        p = ParentOf(p);
    }
}

void WriteFile(const std::string& path, const std::string& content, uint64_t version) {
    std::string p = NormalisePath(path);
    MakeDirectory(ParentOf(p));
    FileData data;
    data.content = content;
    data.version = version;
    g_Machine.files[p] = data;
}

std::optional<std::string> ReadFile(const std::string& path) {
    const FileData* f = FindFile(path);
    if (!f) return std::nullopt;
    return f->content;
}

bool FileExists(const std::string& path) {
    return FindFile(path) != nullptr;
}
bool DirectoryExists(const std::string& path) {
    return IsDirectory(path);
}

std::string ScriptPath() {
    return JoinMachinePath(ParentOf(NormalisePath(g_Machine.moduleFileName)), "SETUP.INF");
}

void SetScript(const std::string& text) {
    WriteFile(ScriptPath(), text);
}

namespace {
std::string KeyPath(HKEY root, const std::string& subkey) {
    std::string path = RootName(root);
    std::string rest = subkey;
    while (!rest.empty() && rest.back() == '\\') rest.pop_back();
    while (!rest.empty() && rest.front() == '\\') rest.erase(0, 1);
    if (!rest.empty()) path += "\\" + rest;
    return path;
}
}  // namespace

void CreateRegistryKey(HKEY root, const std::string& subkey) {
    std::string path = KeyPath(root, subkey);
    // Create every level, linking each new key into its parent's subkey list.
    size_t pos = path.find('\\');
    g_Machine.registry[path.substr(0, pos)];
    while (pos != std::string::npos) {
        size_t next = path.find('\\', pos + 1);
        std::string parent = path.substr(0, pos);
        std::string child = path.substr(0, next);
        if (!g_Machine.registry.count(child)) {
            g_Machine.registry[child];
            g_Machine.registry[parent].subkeys.push_back(child.substr(pos + 1));
        }
        pos = next;
    }
}

void SetRegistryData(HKEY root, const std::string& subkey, const std::string& name, DWORD type,
                     const std::string& bytes) {
    CreateRegistryKey(root, subkey);
    g_Machine.registry[KeyPath(root, subkey)].values[name] = {type, bytes};
}

void SetRegistryString(HKEY root, const std::string& subkey, const std::string& name, const std::string& value) {
    SetRegistryData(root, subkey, name, REG_SZ, value + std::string(1, '\0'));
}

void SetEnvironment(const std::string& name, const std::string& value) {
    for (auto& entry : g_Machine.environment)
        if (SameText(entry.first, name)) {
            entry.second = value;
            return;
        }
    g_Machine.environment.emplace_back(name, value);
}

std::optional<std::string> GetEnvironment(const std::string& name) {
    for (const auto& entry : g_Machine.environment)
        if (SameText(entry.first, name)) return entry.second;
    return std::nullopt;
}

namespace {
// What each Windows version answers: GetVersionExA, GetVersion, and whether a process
// token can be had (Windows 95 has none).
struct WindowsVersionRow {
    DWORD major, minor, build, platform, getVersion;
    bool token;
};
constexpr WindowsVersionRow kWindows95 = {4, 0, 0x040003B6, VER_PLATFORM_WIN32_WINDOWS, 0xC0000004, false};
constexpr WindowsVersionRow kWindowsNT4 = {4, 0, 1381, VER_PLATFORM_WIN32_NT, 0x05650004, true};
constexpr WindowsVersionRow kWindowsNT351 = {3, 51, 1057, VER_PLATFORM_WIN32_NT, 0x04213303, true};
constexpr WindowsVersionRow kWindowsXP = {5, 1, 2600, VER_PLATFORM_WIN32_NT, 0x0A280105, true};

void SetWindows(const WindowsVersionRow& row) {
    g_Machine.version = OSVERSIONINFOA{sizeof(OSVERSIONINFOA), row.major, row.minor, row.build, row.platform, ""};
    g_Machine.getVersionResult = row.getVersion;
    g_Machine.tokenAvailable = row.token;
}
}  // namespace

void SetWindows95() {
    SetWindows(kWindows95);
}
void SetWindowsNT4() {
    SetWindows(kWindowsNT4);
}
void SetWindowsNT351() {
    SetWindows(kWindowsNT351);
}
void SetWindowsXP() {
    SetWindows(kWindowsXP);
}

// --- inspection --------------------------------------------------------------

std::string RootName(HKEY root) {
    if (root == HKEY_CLASSES_ROOT) return "HKEY_CLASSES_ROOT";
    if (root == HKEY_CURRENT_USER) return "HKEY_CURRENT_USER";
    if (root == HKEY_LOCAL_MACHINE) return "HKEY_LOCAL_MACHINE";
    if (root == HKEY_USERS) return "HKEY_USERS";
    auto it = g_Machine.openKeys.find(root);
    return it == g_Machine.openKeys.end() ? std::string() : it->second;
}

int CountCalls(const std::string& prefix) {
    return static_cast<int>(CallsStartingWith(prefix).size());
}

std::vector<std::string> CallsStartingWith(const std::string& prefix) {
    std::vector<std::string> found;
    for (const std::string& call : g_Machine.calls)
        if (call.compare(0, prefix.size(), prefix) == 0) found.push_back(call);
    return found;
}

}  // namespace machine
