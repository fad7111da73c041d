#include "uninst/uninstall_entry.h"

#include "setup/setup_context.h"
#include "uninst/log_paths.h"
#include "uninst/uninst_state.h"

namespace {
constexpr std::string_view kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
// Key names are kept short: the product name is only what the list shows.
constexpr size_t kMostKeyNameChars = 63;

using KeyPathText = FixedText<256>;
using CommandText = FixedText<2 * kPathChars + 8>;

// The product name as a key name: a backslash would open a subkey and a control
// character has no place in a name, so both become '_'.
void FormProductKeyPath(KeyPathText& out) {
    out.Assign(kUninstallKey);
    std::string_view product = g_Setup.PRODUCTNAME.view();
    if (product.size() > kMostKeyNameChars) product = TextSlice(product, 0, kMostKeyNameChars);
    for (char c : product) out.Append((c == '\\' || static_cast<unsigned char>(c) < ' ') ? '_' : c);
}

// "<this program>" "<the log>": each quoted, as paths with blanks need.
bool FormUninstallString(CommandText& out) {
    out.Clear();
    return out.Append('"') && out.Append(g_Uninst.ModulePath.view()) && out.Append("\" \"") &&
           out.Append(g_Uninst.LogPath.view()) && out.Append('"');
}

bool SetStringValue(HKEY key, const char* name, std::string_view value) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.data()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}
}  // namespace

int RegisterUninstallEntry() {
    KeyPathText keyPath;
    FormProductKeyPath(keyPath);
    CommandText command;
    if (!FormUninstallString(command)) return 0;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return 0;
    bool written = SetStringValue(key, "DisplayName", g_Setup.PRODUCTNAME.view()) &&
                   SetStringValue(key, "UninstallString", command.view());
    RegCloseKey(key);
    return written ? 1 : 0;
}

void RemoveUninstallEntry() {
    KeyPathText keyPath;
    FormProductKeyPath(keyPath);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, keyPath.c_str());
}
