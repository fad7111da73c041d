#include "uninst/uninstall_entry.h"

#include "script/registry_reader.h"
#include "setup/setup_context.h"
#include "ui/run_trace.h"
#include "uninst/log_paths.h"
#include "uninst/uninst_state.h"

namespace {
constexpr std::string_view kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
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
    out.Assign(kUninstallKey);
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

// Whose the key is: its UninstallString ends with the quoted log it removes. A key
// in any other form (another program's, or one cut short) is not this log's.
KeyOwner FindKeyOwner(const char* keyPath) {
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
    std::string_view text = value.view();
    std::string_view log = g_Uninst.LogPath.view();
    if (text.size() < log.size() + 2 || text.back() != '"') return KeyOwner::AnotherLog;
    std::string_view tail = TextSlice(text, text.size() - log.size() - 2);
    return (tail.front() == '"' && EqualsIgnoreCase(TextSlice(tail, 1, log.size()), log)) ? KeyOwner::ThisLog
                                                                                          : KeyOwner::AnotherLog;
}
}  // namespace

int RegisterUninstallEntry() {
    CommandText command, quiet;
    if (!FormCommand(command, "") || !FormCommand(quiet, "/S ")) return 0;
    KeyPathText keyPath;
    for (int installation = 1; installation <= kMostInstallations; ++installation) {
        FormProductKeyPath(keyPath, installation);
        if (FindKeyOwner(keyPath.c_str()) == KeyOwner::AnotherLog) continue;
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                            nullptr, &key, nullptr) != ERROR_SUCCESS)
            return 0;
        // UninstallString last: until it is written the key names no log, and a run
        // cut short here leaves a key that a later /register takes over.
        bool written = SetStringValue(key, "DisplayName", g_Setup.PRODUCTNAME.view()) &&
                       SetStringValue(key, "QuietUninstallString", quiet.view()) &&
                       SetStringValue(key, kUninstallString, command.view());
        RegCloseKey(key);
        return written ? 1 : 0;
    }
    return 0;
}

int RemoveUninstallEntry() {
    int gone = 1;
    KeyPathText keyPath;
    for (int installation = 1; installation <= kMostInstallations; ++installation) {
        FormProductKeyPath(keyPath, installation);
        if (FindKeyOwner(keyPath.c_str()) != KeyOwner::ThisLog) continue;
        LSTATUS deleted = RegDeleteKeyA(HKEY_LOCAL_MACHINE, keyPath.c_str());
        if (deleted != ERROR_SUCCESS && deleted != ERROR_FILE_NOT_FOUND) gone = 0;
        if (deleted == ERROR_SUCCESS) TraceEvent("key %s deleted", keyPath.c_str());
    }
    return gone;
}
