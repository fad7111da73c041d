// The registry: keys by full path, handles for opened keys.
#include <string.h>

#include <iterator>

#include "machine/machine_internal.h"

namespace {

bool IsRoot(HKEY key) {
    return key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE || key == HKEY_USERS;
}

// The full path of a root or open handle; "" for a handle the machine does not know.
std::string PathOf(HKEY key) {
    if (IsRoot(key)) return machine::RootName(key);
    auto it = machine::M().openKeys.find(key);
    return it == machine::M().openKeys.end() ? std::string() : it->second;
}

// The key a handle names; roots exist even when nothing was put under them.
const machine::Machine::Key* KeyOf(HKEY handle) {
    static const machine::Machine::Key kEmpty;
    std::string path = PathOf(handle);
    if (path.empty()) return nullptr;
    auto it = machine::M().registry.find(path);
    if (it != machine::M().registry.end()) return &it->second;
    return IsRoot(handle) ? &kEmpty : nullptr;
}

uintptr_t g_NextKeyHandle = 0x1000;

}  // namespace

using namespace machine;

LSTATUS RegOpenKeyExA(HKEY root, LPCSTR subKey, DWORD, REGSAM, PHKEY result) {
    LogCall("RegOpenKeyExA " + RootName(root) + " " + Text(subKey));
    if (result) *result = nullptr;
    if (ShouldFail("RegOpenKeyExA")) return ERROR_ACCESS_DENIED;
    if (!result) return 87;  // ERROR_INVALID_PARAMETER
    std::string path = PathOf(root);
    if (path.empty()) return 6;  // ERROR_INVALID_HANDLE
    std::string sub = Text(subKey);
    while (!sub.empty() && sub.back() == '\\') sub.pop_back();
    if (!sub.empty()) {
        if (sub[0] == '\\') return ERROR_FILE_NOT_FOUND;  // Windows refuses a leading backslash
        path += "\\" + sub;
        // Doubled separators name no key.
        if (path.find("\\\\") != std::string::npos) return ERROR_FILE_NOT_FOUND;
    }
    if (!sub.empty() && !M().registry.count(path)) return ERROR_FILE_NOT_FOUND;
    HKEY handle = reinterpret_cast<HKEY>(g_NextKeyHandle);
    g_NextKeyHandle += 4;
    M().openKeys[handle] = path;
    ++M().keysOpened;
    *result = handle;
    return ERROR_SUCCESS;
}

LSTATUS RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size) {
    LogCall("RegQueryValueExA " + PathOf(key) + " " + Text(name));
    if (ShouldFail("RegQueryValueExA")) return ERROR_ACCESS_DENIED;
    if (reserved != nullptr) return 87;
    if (data != nullptr && size == nullptr) return 998;  // ERROR_NOACCESS
    const Machine::Key* k = KeyOf(key);
    if (!k) return 6;
    auto it = k->values.find(Text(name));  // NULL and "" both name the default value
    if (it == k->values.end()) return ERROR_FILE_NOT_FOUND;
    const std::string& bytes = it->second.second;
    if (type) *type = it->second.first;
    if (size == nullptr) return ERROR_SUCCESS;
    DWORD needed = static_cast<DWORD>(bytes.size());
    if (data != nullptr && *size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    if (data != nullptr) memcpy(data, bytes.data(), bytes.size());
    *size = needed;
    return ERROR_SUCCESS;
}

LSTATUS RegEnumKeyA(HKEY key, DWORD index, LPSTR name, DWORD size) {
    LogCall("RegEnumKeyA " + PathOf(key) + " " + std::to_string(index));
    if (ShouldFail("RegEnumKeyA")) return ERROR_ACCESS_DENIED;
    const Machine::Key* k = KeyOf(key);
    if (!k) return 6;
    if (index >= k->subkeys.size()) return ERROR_NO_MORE_ITEMS;
    const std::string& child = k->subkeys[index];
    if (name == nullptr || child.size() + 1 > size) return ERROR_MORE_DATA;
    memcpy(name, child.c_str(), child.size() + 1);
    return ERROR_SUCCESS;
}

LSTATUS RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD size, LPDWORD reserved, LPSTR className,
                      LPDWORD classSize, PFILETIME) {
    LogCall("RegEnumKeyExA " + PathOf(key) + " " + std::to_string(index));
    if (ShouldFail("RegEnumKeyExA")) return ERROR_ACCESS_DENIED;
    if (reserved != nullptr || size == nullptr) return 87;
    const Machine::Key* k = KeyOf(key);
    if (!k) return 6;
    if (index >= k->subkeys.size()) return ERROR_NO_MORE_ITEMS;
    const std::string& child = k->subkeys[index];
    if (name == nullptr || child.size() + 1 > *size) return ERROR_MORE_DATA;
    memcpy(name, child.c_str(), child.size() + 1);
    *size = static_cast<DWORD>(child.size());
    if (className != nullptr && classSize != nullptr && *classSize > 0) className[0] = '\0';
    if (classSize != nullptr) *classSize = 0;
    return ERROR_SUCCESS;
}

LSTATUS RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPDWORD type, LPBYTE data,
                      LPDWORD dataSize) {
    LogCall("RegEnumValueA " + PathOf(key) + " " + std::to_string(index));
    if (ShouldFail("RegEnumValueA")) return ERROR_ACCESS_DENIED;
    if (reserved != nullptr || nameSize == nullptr) return 87;
    const Machine::Key* k = KeyOf(key);
    if (!k) return 6;
    if (index >= k->values.size()) return ERROR_NO_MORE_ITEMS;
    auto it = k->values.begin();
    std::advance(it, index);
    if (name == nullptr || it->first.size() + 1 > *nameSize) return ERROR_MORE_DATA;
    if (data != nullptr && (dataSize == nullptr || it->second.second.size() > *dataSize)) {
        if (dataSize != nullptr) *dataSize = static_cast<DWORD>(it->second.second.size());
        return ERROR_MORE_DATA;
    }
    memcpy(name, it->first.c_str(), it->first.size() + 1);
    *nameSize = static_cast<DWORD>(it->first.size());
    if (type != nullptr) *type = it->second.first;
    if (data != nullptr) memcpy(data, it->second.second.data(), it->second.second.size());
    if (dataSize != nullptr) *dataSize = static_cast<DWORD>(it->second.second.size());
    return ERROR_SUCCESS;
}

LSTATUS RegCloseKey(HKEY key) {
    LogCall("RegCloseKey " + PathOf(key));
    if (ShouldFail("RegCloseKey")) return 6;
    if (IsRoot(key)) return ERROR_SUCCESS;
    auto it = M().openKeys.find(key);
    if (it == M().openKeys.end()) return 6;  // ERROR_INVALID_HANDLE
    M().openKeys.erase(it);
    ++M().keysClosed;
    return ERROR_SUCCESS;
}

LSTATUS RegCreateKeyExA(HKEY root, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY result,
                        LPDWORD disposition) {
    LogCall("RegCreateKeyExA " + RootName(root) + " " + Text(subKey));
    if (result) *result = nullptr;
    if (ShouldFail("RegCreateKeyExA")) return ERROR_ACCESS_DENIED;
    if (!result) return 87;
    std::string path = PathOf(root);
    if (path.empty()) return 6;
    std::string sub = Text(subKey);
    if (sub.empty() || sub[0] == '\\' || sub.find("\\\\") != std::string::npos) return 87;
    bool existed = M().registry.count(path + "\\" + sub) != 0;
    // Every missing level is created; CreateRegistryKey takes the root by handle.
    if (IsRoot(root)) {
        CreateRegistryKey(root, sub);
    } else {
        return 6;  // the remover only creates keys under a root
    }
    if (disposition) *disposition = existed ? 2 : 1;  // REG_OPENED_EXISTING_KEY, REG_CREATED_NEW_KEY
    HKEY handle = reinterpret_cast<HKEY>(g_NextKeyHandle);
    g_NextKeyHandle += 4;
    M().openKeys[handle] = path + "\\" + sub;
    ++M().keysOpened;
    *result = handle;
    return ERROR_SUCCESS;
}

LSTATUS RegSetValueExA(HKEY key, LPCSTR name, DWORD, DWORD type, const BYTE* data, DWORD size) {
    LogCall("RegSetValueExA " + PathOf(key) + " " + Text(name));
    if (ShouldFail("RegSetValueExA")) return ERROR_ACCESS_DENIED;
    std::string path = PathOf(key);
    if (path.empty() || !M().registry.count(path)) return 6;
    M().registry[path].values[Text(name)] = {type, std::string(reinterpret_cast<const char*>(data), size)};
    return ERROR_SUCCESS;
}

// Deletes a key without subkeys, as Windows NT does.
LSTATUS RegDeleteKeyA(HKEY root, LPCSTR subKey) {
    LogCall("RegDeleteKeyA " + RootName(root) + " " + Text(subKey));
    if (ShouldFail("RegDeleteKeyA")) return ERROR_ACCESS_DENIED;
    std::string parent = PathOf(root);
    std::string sub = Text(subKey);
    if (parent.empty() || sub.empty()) return 87;
    std::string path = parent + "\\" + sub;
    auto it = M().registry.find(path);
    if (it == M().registry.end()) return ERROR_FILE_NOT_FOUND;
    if (!it->second.subkeys.empty()) return ERROR_ACCESS_DENIED;
    M().registry.erase(it);
    size_t cut = path.rfind('\\');
    auto up = M().registry.find(path.substr(0, cut));
    if (up != M().registry.end()) {
        auto& names = up->second.subkeys;
        for (auto n = names.begin(); n != names.end(); ++n)
            if (SameText(*n, path.substr(cut + 1))) {
                names.erase(n);
                break;
            }
    }
    return ERROR_SUCCESS;
}

LSTATUS RegDeleteValueA(HKEY key, LPCSTR name) {
    LogCall("RegDeleteValueA " + PathOf(key) + " " + Text(name));
    if (ShouldFail("RegDeleteValueA")) return ERROR_ACCESS_DENIED;
    std::string path = PathOf(key);
    auto it = M().registry.find(path);
    if (path.empty() || it == M().registry.end()) return ERROR_FILE_NOT_FOUND;
    return it->second.values.erase(Text(name)) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}
