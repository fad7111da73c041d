#include "uninst/shared_counts.h"

#include "platform/fixed_text.h"
#include "script/registry_reader.h"
#include "uninst/uninst_state.h"

namespace {
// A value that says "shared" without saying how often.
constexpr DWORD kSharedUncounted = 1;

LSTATUS OpenSharedDlls(REGSAM access, HKEY* key) {
    FixedText<256> path;
    FormWindowsKeyPath(path, "SharedDLLs");
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, access, key);
}

// The count a value's data says.
DWORD ReadCountData(DWORD type, const BYTE* data, DWORD size) {
    DWORD count = 0;
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        DWORD at = 0;
        while (at < size && data[at] == ' ') ++at;
        DWORD digits = 0;
        for (; at < size && data[at] >= '0' && data[at] <= '9' && digits < 9; ++at, ++digits)
            count = count * 10 + (data[at] - '0');
        while (at < size && (data[at] == '\0' || data[at] == ' ')) ++at;
        return digits == 0 || at != size ? kSharedUncounted : count;
    }
    if ((type == REG_DWORD && size == 4) || (type == REG_BINARY && size >= 1 && size <= 4)) {
        for (DWORD i = size; i > 0; --i) count = (count << 8) | data[i - 1];
        return count;
    }
    return kSharedUncounted;
}

// The key, opened once for the reads of a run.
int OpenCounts() {
    if (g_Uninst.SharedCountsAbsent || g_Uninst.SharedCounts != nullptr) return 1;
    LSTATUS status = OpenSharedDlls(KEY_QUERY_VALUE, &g_Uninst.SharedCounts);
    if (status == ERROR_SUCCESS) return 1;
    g_Uninst.SharedCounts = nullptr;
    // Only an absent key is remembered: any other failure is asked again.
    g_Uninst.SharedCountsAbsent = status == ERROR_FILE_NOT_FOUND;
    return g_Uninst.SharedCountsAbsent;
}

// 1 read (0 when there is no such value), 0 unreadable.
int ReadNamedCount(const char* name, DWORD* count) {
    BYTE data[16];
    DWORD type = 0, size = sizeof data;
    LSTATUS status = RegQueryValueExA(g_Uninst.SharedCounts, name, nullptr, &type, data, &size);
    *count = 0;
    if (status == ERROR_FILE_NOT_FOUND) return 1;
    if (status == ERROR_MORE_DATA) status = ERROR_SUCCESS, type = 0;  // too long for a count: of no form that says one
    if (status != ERROR_SUCCESS) return 0;
    *count = ReadCountData(type, data, size);
    return 1;
}
}  // namespace

int ReadSharedCount(const char* path, DWORD* count, PathText* name) {
    *count = 0;
    if (!OpenCounts()) return 0;
    if (g_Uninst.SharedCountsAbsent) return 1;
    PathText shortName;
    DWORD n = GetShortPathNameA(path, shortName.data(), PathText::Capacity);
    bool hasShort = n > 0 && n < PathText::Capacity && !EqualsIgnoreCase(shortName.view(), path);
    if (!ReadNamedCount(path, count)) return 0;
    const char* found = path;
    if (*count == 0 && hasShort) {
        if (!ReadNamedCount(shortName.c_str(), count)) return 0;
        found = shortName.c_str();
    }
    if (name != nullptr) name->Assign(std::string_view(found, TextLength(found)));
    return 1;
}

int LowerSharedCount(const char* path, DWORD from, DWORD* left) {
    PathText name;
    if (!ReadSharedCount(path, left, &name)) return 0;
    if (*left + 1 == from || (from <= 1 && *left == 0)) return 1;  // lowered by a run that was cut
    if (*left != from) return 0;
    HKEY key = nullptr;
    if (OpenSharedDlls(KEY_SET_VALUE, &key) != ERROR_SUCCESS) return 0;
    DWORD lowered = from - 1;
    LSTATUS status = lowered == 0 ? RegDeleteValueA(key, name.c_str())
                                  : RegSetValueExA(key, name.c_str(), 0, REG_DWORD,
                                                   reinterpret_cast<const BYTE*>(&lowered), sizeof lowered);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return 0;
    *left = lowered;
    return 1;
}

void CloseSharedCounts() {
    if (g_Uninst.SharedCounts != nullptr) RegCloseKey(g_Uninst.SharedCounts);
    g_Uninst.SharedCounts = nullptr;
    g_Uninst.SharedCountsAbsent = 0;
}
