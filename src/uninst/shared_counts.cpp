#include "uninst/shared_counts.h"

#include "platform/fixed_text.h"
#include "script/registry_reader.h"
#include "uninst/identity_set.h"
#include "uninst/log_paths.h"
#include "uninst/registry_values.h"
#include "uninst/uninst_state.h"

namespace {
// A value that says "shared" without saying how often.
constexpr DWORD kSharedUncounted = 1;

// Calls `visit` with each value's name, its identity and the count it says, until a
// visit answers true. 0 when the key is there but cannot be read.
using CountVisit = bool (*)(const PathText& name, const PathText& identity, DWORD count, void* context);

struct CountWalk {
    CountVisit Visit;
    void* Context;
};

int ForEachCount(CountVisit visit, void* context) {
    CountWalk walk{visit, context};
    return ForEachWindowsValue(
        HKEY_LOCAL_MACHINE, "SharedDLLs",
        [](const PathText& name, DWORD type, const BYTE* data, DWORD size, void* context) {
            const CountWalk& w = *static_cast<CountWalk*>(context);
            PathText identity;
            // A value in a form that says no number counts as shared all the same.
            DWORD count = kSharedUncounted;
            ReadCountData(type, data, size, &count);
            return FormPathIdentity(name.view(), identity) && w.Visit(name, identity, count, w.Context);
        },
        &walk);
}

struct CountQuery {
    const char* Path;
    DWORD* Count;
    PathText* Name;
};
}  // namespace

int ReadCountedFiles() {
    if (g_Uninst.CountsRead) return 1;
    int read = ForEachCount(
        [](const PathText&, const PathText& identity, DWORD count, void*) {
            g_Uninst.CountsRead |= count > 0 && !AddIdentity(g_Uninst.CountedFiles, identity.view());
            return false;
        },
        nullptr);
    // CountsRead was set when there was no memory for a file: that is a failure too.
    read = read && !g_Uninst.CountsRead;
    g_Uninst.CountsRead = read;
    return read;
}

bool IsCountedFile(const char* path) {
    return HasIdentity(g_Uninst.CountedFiles, std::string_view(path, TextLength(path)));
}

int ReadSharedCount(const char* path, DWORD* count, PathText* name) {
    *count = 0;
    CountQuery query{path, count, name};
    return ForEachCount(
        [](const PathText& valueName, const PathText& identity, DWORD found, void* context) {
            CountQuery& q = *static_cast<CountQuery*>(context);
            if (!EqualsIgnoreCase(identity.view(), q.Path)) return false;
            *q.Count = found;
            if (q.Name != nullptr) *q.Name = valueName;
            return true;
        },
        &query);
}

int LowerSharedCount(const char* path, DWORD from, DWORD* left) {
    PathText name;
    if (!ReadSharedCount(path, left, &name)) return 0;
    if (*left + 1 == from || (from <= 1 && *left == 0)) return 1;  // lowered by a run that was cut
    if (*left != from) return 0;
    FixedText<256> keyPath;
    FormWindowsKeyPath(keyPath, "SharedDLLs");
    HKEY key = OpenRegistryKey(HKEY_LOCAL_MACHINE, keyPath.c_str(), KEY_SET_VALUE);
    if (key == nullptr) return 0;
    DWORD lowered = from - 1;
    LSTATUS status = lowered == 0 ? RegDeleteValueA(key, name.c_str())
                                  : RegSetValueExA(key, name.c_str(), 0, REG_DWORD,
                                                   reinterpret_cast<const BYTE*>(&lowered), sizeof lowered);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return 0;
    *left = lowered;
    return 1;
}

