#include "uninst/removal_log.h"

#include "script/script_reader.h"
#include "setup/setup_context.h"
#include "uninst/uninst_state.h"

int RunLogSectionLastFirst(const char* section, EntryHandler handler) {
    SectionKeys keys{nullptr};
    if (!ReadSectionKeys(g_Uninst.LogPath.c_str(), section, &keys)) return 0;
    const char* first = keys.Names;
    const char* end = first;
    while (*end != '\0') end = NextKeyName(end);
    // `end` is the empty name closing the list; step back one name at a time.
    while (end > first) {
        const char* entry = end - 1;
        while (entry > first && entry[-1] != '\0') --entry;
        end = entry;
        if (handler(entry) == EntryOutcome::Handled) ForgetLogEntry(section, entry);
    }
    FreeSectionKeys(&keys);
    return 1;
}

void ForgetLogEntry(const char* section, const char* entry) {
    // A NULL value deletes the key. A write that fails leaves the entry; the next run
    // finds its file gone, which is not an error.
    WritePrivateProfileStringA(section, entry, nullptr, g_Uninst.LogPath.c_str());
}

void NoteLogEntry(const char* section, const char* entry) {
    WritePrivateProfileStringA(section, entry, "", g_Uninst.LogPath.c_str());
}

bool IsLogSectionEmpty(const char* section) {
    char first[4];
    // One byte of a name is enough to tell a non-empty list.
    ReadScriptValue(g_Uninst.LogPath.c_str(), section, nullptr, "", first, sizeof first);
    return first[0] == '\0';
}
