#include "uninst/uninstall_entry.h"

#include "script/registry_reader.h"
#include "setup/setup_context.h"
#include "ui/run_trace.h"
#include "uninst/log_paths.h"
#include "uninst/uninst_state.h"

namespace {
// Key names are kept short: the product name is only what the list shows.
constexpr size_t kMostKeyNameChars = 63;
// A second installation of the product takes " (2)", and so on up to this one.
constexpr int kMostInstallations = 9;
constexpr char kUninstallString[] = "UninstallString";


using KeyPathText = FixedText<256>;
using CommandText = FixedText<2 * kPathChars + 16>;

// The product name as a key name, with " (n)" for the n-th installation: a backslash
// would open a subkey and a control character has no place in a name, so both
// become '_'.
void FormProductKeyPath(KeyPathText& out, int installation) {
    FormWindowsKeyPath(out, "Uninstall\\");
    std::string_view product = g_Setup.PRODUCTNAME.view();
    product = TextSlice(product, 0, installation > 1 ? kMostKeyNameChars - 4 : kMostKeyNameChars);
    for (char c : product) out.Append((c == '\\' || static_cast<unsigned char>(c) < ' ') ? '_' : c);
    if (installation > 1) {
        char suffix[] = " (2)";
        suffix[2] = static_cast<char>('0' + installation);
        out.Append(suffix);
    }
}

// "<this program>" [option] "<the log>": each quoted, as paths with blanks need.
bool FormCommand(CommandText& out, std::string_view option) {
    out.Clear();
    return out.Append('"') && out.Append(g_Uninst.ModulePath.view()) && out.Append("\" ") && out.Append(option) &&
           out.Append('"') && out.Append(g_Uninst.LogPath.view()) && out.Append('"');
}

bool SetStringValue(HKEY key, const char* name, std::string_view value) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.data()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

enum class KeyOwner { None, ThisLog, AnotherLog };

// The log an UninstallString removes: its last quoted part, `"<program>" ... "<log>"`.
// False for a string in any other form (another program's).
bool FindNamedLog(const char* text, PathText& log) {
    size_t end = TextLength(text);
    if (end < 2 || text[--end] != '"') return false;
    size_t open = end;
    while (open > 0 && text[open - 1] != '"') --open;
    return open > 1 && log.Assign(std::string_view(text + open, end - open));
}

// Whose the key is: the log its UninstallString names, judged by identity. A key in
// any other form (another program's, or one cut short) is not this log's.
KeyOwner FindKeyOwner(const char* keyPath, PathText* log = nullptr) {
    HKEY key = OpenRegistryKey(HKEY_LOCAL_MACHINE, keyPath, KEY_QUERY_VALUE);
    if (key == nullptr) return KeyOwner::None;
    CommandText value;
    DWORD type = 0, size = CommandText::Capacity - 1;
    LSTATUS read =
        RegQueryValueExA(key, kUninstallString, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size);
    RegCloseKey(key);
    // A key without the value names no log: a /register cut short left it.
    if (read == ERROR_FILE_NOT_FOUND) return KeyOwner::None;
    if (read != ERROR_SUCCESS || type != REG_SZ) return KeyOwner::AnotherLog;
    value.text[size < CommandText::Capacity ? size : CommandText::Capacity - 1] = '\0';
    PathText named, identity;
    if (!FindNamedLog(value.c_str(), named) || !FormPathIdentity(named.view(), identity)) return KeyOwner::AnotherLog;
    if (log != nullptr) *log = identity;
    return EqualsIgnoreCase(identity.view(), g_Uninst.LogIdentity.view()) ? KeyOwner::ThisLog : KeyOwner::AnotherLog;
}

// Calls `visit` for every key of the Add/Remove Programs list, with its owner and the
// log it names; a visit that deleted the key answers true, and the same index is read
// again.
using KeyVisit = bool (*)(const KeyPathText& keyPath, KeyOwner owner, const PathText& log, void* context);

void ForEachUninstallKey(KeyVisit visit, void* context) {
    KeyPathText keyPath;
    FormWindowsKeyPath(keyPath, "Uninstall");
    HKEY list = OpenRegistryKey(HKEY_LOCAL_MACHINE, keyPath.c_str(), KEY_ENUMERATE_SUB_KEYS);
    if (list == nullptr) return;
    size_t listLength = keyPath.length();
    FixedText<256> name;
    for (DWORD index = 0; RegEnumKeyA(list, index, name.data(), FixedText<256>::Capacity) == ERROR_SUCCESS;) {
        name.Terminate();
        keyPath.Truncate(listLength);
        bool fits = keyPath.Append('\\') && keyPath.Append(name.view());
        PathText log;
        if (!fits || !visit(keyPath, FindKeyOwner(keyPath.c_str(), &log), log, context)) ++index;
    }
    RegCloseKey(list);
}

struct KeyDeletion {
    const char* Except;
    int Gone;
};

// Deletes every key that names this log but `except`: 1 when none is left.
int DeleteKeysOfThisLog(const char* except) {
    KeyDeletion deletion{except, 1};
    ForEachUninstallKey(
        [](const KeyPathText& keyPath, KeyOwner owner, const PathText&, void* context) {
            KeyDeletion& d = *static_cast<KeyDeletion*>(context);
            if (owner != KeyOwner::ThisLog || EqualsIgnoreCase(keyPath.view(), d.Except)) return false;
            LSTATUS deleted = RegDeleteKeyA(HKEY_LOCAL_MACHINE, keyPath.c_str());
            if (deleted == ERROR_SUCCESS) TraceEvent("key %s deleted", keyPath.c_str());
            if (deleted != ERROR_SUCCESS && deleted != ERROR_FILE_NOT_FOUND) d.Gone = 0;
            return deleted == ERROR_SUCCESS;
        },
        &deletion);
    return deletion.Gone;
}
}  // namespace

int RegisterUninstallEntry() {
    CommandText command, quiet;
    if (!FormCommand(command, "") || !FormCommand(quiet, "/S ")) return 0;
    KeyPathText keyPath;
    for (int installation = 1; installation <= kMostInstallations; ++installation) {
        FormProductKeyPath(keyPath, installation);
        if (FindKeyOwner(keyPath.c_str()) == KeyOwner::AnotherLog) continue;
        HKEY key = CreateRegistryKey(HKEY_LOCAL_MACHINE, keyPath.c_str(), KEY_SET_VALUE);
        if (key == nullptr) return 0;
        // UninstallString last: until it is written the key names no log, and a run
        // cut short here leaves a key that a later /register takes over.
        bool written = SetStringValue(key, "DisplayName", g_Setup.PRODUCTNAME.view()) &&
                       SetStringValue(key, "QuietUninstallString", quiet.view()) &&
                       SetStringValue(key, kUninstallString, command.view());
        RegCloseKey(key);
        // A product renamed since an earlier registration of the same log leaves no
        // second entry naming it.
        return written && DeleteKeysOfThisLog(keyPath.c_str()) ? 1 : 0;
    }
    return 0;
}

int RemoveUninstallEntry() {
    return DeleteKeysOfThisLog("");
}

void ListOtherRegisteredLogs(void (*visit)(const char* log)) {
    ForEachUninstallKey(
        [](const KeyPathText&, KeyOwner owner, const PathText& log, void* context) {
            if (owner == KeyOwner::AnotherLog && !log.empty())
                reinterpret_cast<void (*)(const char*)>(context)(log.c_str());
            return false;
        },
        reinterpret_cast<void*>(visit));
}

void SetFinishingRun(bool on) {
    // "UNINST" and the hash of the log's identity in hexadecimal.
    char name[16] = "UNINST ";
    DWORD hash = 2166136261u;
    for (char c : g_Uninst.LogIdentity.view()) hash = (hash ^ static_cast<unsigned char>(AsciiLower(c))) * 16777619u;
    for (int i = 0; i < 8; ++i) name[7 + i] = "0123456789abcdef"[(hash >> (28 - 4 * i)) & 15];
    KeyPathText path;
    FormWindowsKeyPath(path, "RunOnce");
    HKEY key = CreateRegistryKey(HKEY_LOCAL_MACHINE, path.c_str(), KEY_SET_VALUE);
    if (key == nullptr) return;
    CommandText command;
    if (!on)
        RegDeleteValueA(key, name);
    else if (FormCommand(command, "/S "))
        SetStringValue(key, name, command.view());
    RegCloseKey(key);
}
