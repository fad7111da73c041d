#include "script/registry_reader.h"

const RootKeyRow RootKeyTable[] = {
    {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {"HKEY_USERS", HKEY_USERS},
    {nullptr, nullptr},
};

HKEY LookupRootKey(std::string_view name) {
    for (const RootKeyRow* row = RootKeyTable; row->Name != nullptr; ++row)
        if (EqualsIgnoreCase(row->Name, name)) return row->Key;
    return nullptr;
}

HKEY OpenRegistryKey(HKEY root, const char* path, REGSAM access) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, access, &key) != ERROR_SUCCESS) return nullptr;
    return key;
}

void FormWindowsKeyPath(FixedText<256>& out, const char* subKey) {
    out.Assign("Software\\Microsoft\\Windows\\CurrentVersion");
    if (*subKey != '\0') {
        out.Append('\\');
        out.Append(std::string_view(subKey, TextLength(subKey)));
    }
}

HKEY CreateRegistryKey(HKEY root, const char* path, REGSAM access) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return nullptr;
    return key;
}

int ReadRegistryText(HKEY key, const char* name, PathText& out) {
    DWORD size = PathText::Capacity;
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<LPBYTE>(out.data()), &size) != ERROR_SUCCESS ||
        size > PathText::Capacity) {
        out.Clear();
        return RegistryTextMissing;
    }
    size_t length = 0;
    while (length < size && out.text[length] != '\0') ++length;
    if (length == PathText::Capacity) {
        out.Terminate();
        return RegistryTextCut;
    }
    out.text[length] = '\0';
    return RegistryTextWhole;
}

int ReadRegistryKeyText(HKEY root, const char* path, const char* name, PathText& out) {
    HKEY key = OpenRegistryKey(root, path, KEY_QUERY_VALUE);
    if (key == nullptr) {
        out.Clear();
        return RegistryTextMissing;
    }
    int result = ReadRegistryText(key, name, out);
    RegCloseKey(key);
    return result;
}

int ReadRegistryNumber(HKEY key, const char* name, DWORD* out) {
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(value))
        return 0;
    *out = value;
    return 1;
}

int ReadCountData(DWORD type, const BYTE* data, DWORD size, DWORD* out) {
    DWORD count = 0;
    if (type == REG_SZ) {
        // One to nine decimal digits up to the terminator, if any; no sign, no blanks.
        DWORD digits = 0;
        for (; digits < size && data[digits] != 0; ++digits) {
            DWORD digit = data[digits] - static_cast<DWORD>('0');
            if (digit > 9 || digits == 9) return RegistryCountUnreadable;
            count = count * 10 + digit;
        }
        if (digits == 0) return RegistryCountUnreadable;
    } else if ((type == REG_DWORD && size == 4) || (type == REG_BINARY && size >= 1 && size <= 4)) {
        for (DWORD i = size; i > 0; --i) count = (count << 8) | data[i - 1];
    } else {
        return RegistryCountUnreadable;
    }
    *out = count;
    return RegistryCountRead;
}

int ReadRegistryCount(HKEY key, const char* name, DWORD* out) {
    DWORD type = 0;
    BYTE data[16];
    DWORD size = sizeof data;
    LSTATUS status = RegQueryValueExA(key, name, nullptr, &type, data, &size);
    if (status == ERROR_FILE_NOT_FOUND) return RegistryCountMissing;
    if (status != ERROR_SUCCESS || size > sizeof data) return RegistryCountUnreadable;
    return ReadCountData(type, data, size, out);
}
