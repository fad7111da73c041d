#include "uninst/registry_values.h"

#include "script/registry_reader.h"

int ForEachWindowsValue(HKEY root, const char* subKey, ValueVisit visit, void* context) {
    FixedText<256> path;
    FormWindowsKeyPath(path, subKey);
    HKEY key = nullptr;
    LSTATUS status = RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, &key);
    if (status != ERROR_SUCCESS) return status == ERROR_FILE_NOT_FOUND;
    for (DWORD index = 0;; ++index) {
        PathText name;
        BYTE data[kPathChars];
        DWORD nameSize = PathText::Capacity, type = 0, size = sizeof data;
        status = RegEnumValueA(key, index, name.data(), &nameSize, nullptr, &type, data, &size);
        if (status == ERROR_MORE_DATA) {
            // More data than a path holds: visited without it. A name too long for
            // the buffer names no path, and is passed over.
            nameSize = PathText::Capacity;
            type = size = 0;
            status = RegEnumValueA(key, index, name.data(), &nameSize, nullptr, nullptr, nullptr, nullptr);
            if (status == ERROR_MORE_DATA) continue;
        }
        if (status != ERROR_SUCCESS) break;
        name.Terminate();
        if (visit(name, type, data, size, context)) break;
    }
    RegCloseKey(key);
    return status != ERROR_NO_MORE_ITEMS && status != ERROR_SUCCESS ? 0 : 1;
}
