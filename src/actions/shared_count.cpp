#include "actions/shared_count.h"

#include "script/registry_reader.h"
#include "setup/setup_context.h"
#include "ui/run_trace.h"
#include "uninstlog/uninstall_log.h"

namespace {
constexpr char kSharedDllsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

// One more than the count there. Without one (or with 0, which nobody lowers
// further) a file that was there is counted for its earlier owner too, as other
// installers count it; a count that a missing file left is raised all the same.
DWORD RaisedCount(int found, DWORD count, bool existedBefore) {
    if (found == RegistryCountRead && count > 0) return count == 0xFFFFFFFFu ? count : count + 1;
    return existedBefore ? 2 : 1;
}

// Raises the count of `name` in the open SharedDLLs key: the trace line of what became
// of it, with *number for its %u (the count, or the registry's status).
const char* RaiseCount(HKEY key, const char* name, bool existedBefore, DWORD* number) {
    DWORD count = 0;
    int found = ReadRegistryCount(key, name, &count);
    // Another program's value that is no count is left as it is.
    if (found == RegistryCountUnreadable) return "shared %s: not counted (count unreadable)";
    // The registry says it before the log does: a cut in between leaves a count that no
    // log lowers again (the file is kept for good), never a line that would have the
    // remover lower a count that another product raised and this one did not.
    DWORD raised = RaisedCount(found, count, existedBefore);
    *number = static_cast<DWORD>(
        RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&raised), sizeof raised));
    if (*number != ERROR_SUCCESS) return "shared %s: not counted (registry %u)";
    if (!LogSharedFile(name)) return "shared %s: counted, not logged (log not written)";
    *number = raised;
    return "shared %s: count %u";
}
}  // namespace

void CountSharedFile(const PathText& destination, bool existedBefore) {
    // Named as other installers name it, whichever way the script spelt the directory.
    PathText path = destination;
    FoldPath(path);
    const char* name = path.c_str();
    const char* outcome = "shared %s: counted already";
    DWORD number = 0;
    if (g_Setup.UninstallLogEnabled != 1) {
        // A count that no log records could never be lowered again.
        outcome = "shared %s: not counted (no log)";
    } else if (!IsSharedFileLogged(name)) {
        // Once per installation: a second entry or a second run finds its line. The key
        // is opened for writing and the count read before anything is written.
        HKEY key = nullptr;
        number =
            static_cast<DWORD>(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSharedDllsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                               KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, nullptr));
        outcome = "shared %s: not counted (registry %u)";
        if (number == ERROR_SUCCESS) {
            outcome = RaiseCount(key, name, existedBefore, &number);
            RegCloseKey(key);
        }
    }
    TraceEvent(outcome, name, number);
}
