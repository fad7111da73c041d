#include "uninstlog/log_writer.h"

#include "script/script_reader.h"
#include "uninstlog/log_file.h"

namespace {
struct LogWriter {
    int Loaded;       // what follows describes the file as it is
    int Started;      // the run has written one new entry (through the profile function)
    int ProfileUsed;  // a profile function had the file since the last flush
    int AtEnd;        // the section is the file's last one (or not in it yet)
    int Present;      // the section is in the file
    const char* Section;
    PathText File;  // the log for the file functions
    // The section's lines, each terminated, as GetPrivateProfileSectionA gives them,
    // then "name=" for each name added since.
    SectionKeys List;
    DWORD Used, Capacity;
    // The lines of List by the hash of their names: each slot holds a line's offset
    // plus one (0: empty), only the first line of a name. Without it (no memory) the
    // lines are searched one by one.
    DWORD* Slots;
    DWORD SlotCount;  // a power of two, or 0
    DWORD Indexed;    // lines in the slots
};

LogWriter g_Log;

// Whether the line names `name` (before its first '=', as the functions read it), and
// is exactly "name=". Logged paths share their beginnings, so comparing from the end
// of the name rejects sooner.
int CompareLine(const char* line, std::string_view name) {
    size_t n = name.size();
    for (size_t i = 0; i < n; ++i)
        if (line[i] == '\0' || line[i] == '=') return 0;
    if (line[n] != '\0' && line[n] != '=') return 0;
    while (n > 0 && AsciiLower(line[n - 1]) == AsciiLower(name[n - 1])) --n;
    if (n != 0) return 0;
    return line[name.size()] == '=' && line[name.size() + 1] == '\0' ? 2 : 1;
}

// The length of a line's name: the profile functions read it up to the first '='.
size_t NameLength(const char* line) {
    size_t n = 0;
    while (line[n] != '\0' && line[n] != '=') ++n;
    return n;
}

DWORD HashName(std::string_view name) {
    DWORD hash = 2166136261u;
    for (char c : name) hash = (hash ^ static_cast<unsigned char>(AsciiLower(c))) * 16777619u;
    return hash;
}

// Adds the line at `at` unless a line of the same name is in already (the first one
// is the one the profile functions find).
void IndexLine(DWORD at) {
    const char* line = g_Log.List.Names + at;
    std::string_view name(line, NameLength(line));
    DWORD mask = g_Log.SlotCount - 1;
    for (DWORD slot = HashName(name) & mask;; slot = (slot + 1) & mask) {
        DWORD held = g_Log.Slots[slot];
        if (held == 0) {
            g_Log.Slots[slot] = at + 1;
            ++g_Log.Indexed;
            return;
        }
        const char* other = g_Log.List.Names + held - 1;
        if (EqualsIgnoreCase(std::string_view(other, NameLength(other)), name)) return;
    }
}

void DropIndex() {
    if (g_Log.Slots != nullptr) HeapFree(GetProcessHeap(), 0, g_Log.Slots);
    g_Log.Slots = nullptr;
    g_Log.SlotCount = g_Log.Indexed = 0;
}

// Indexes the line at `at`, first growing the slots to stay at most half full.
void IndexNewLine(DWORD at) {
    if (g_Log.Slots == nullptr && g_Log.SlotCount != 0) return;  // no memory: searched line by line
    if ((g_Log.Indexed + 1) * 2 > g_Log.SlotCount) {
        DWORD count = g_Log.SlotCount ? g_Log.SlotCount * 2 : 64;
        DropIndex();
        g_Log.SlotCount = count;
        g_Log.Slots = static_cast<DWORD*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, count * sizeof(DWORD)));
        if (g_Log.Slots == nullptr) return;
        for (DWORD line = 0; line < at; line += static_cast<DWORD>(TextLength(g_Log.List.Names + line)) + 1)
            IndexLine(line);
    }
    IndexLine(at);
}

// 0: not in the section; 1: there, but not as "name="; 2: there as "name=".
int FindName(std::string_view name) {
    if (g_Log.Slots == nullptr) {
        for (DWORD at = 0; at < g_Log.Used; at += TextLength(g_Log.List.Names + at) + 1)
            if (int found = CompareLine(g_Log.List.Names + at, name)) return found;
        return 0;
    }
    DWORD mask = g_Log.SlotCount - 1;
    for (DWORD slot = HashName(name) & mask; g_Log.Slots[slot] != 0; slot = (slot + 1) & mask)
        if (int found = CompareLine(g_Log.List.Names + g_Log.Slots[slot] - 1, name)) return found;
    return 0;
}

// Without memory the name is not kept: later entries then go to the profile function.
void KeepName(std::string_view name) {
    DWORD need = g_Log.Used + static_cast<DWORD>(name.size()) + 2;
    if (need > g_Log.Capacity) {
        DWORD capacity = need * 2;
        HANDLE heap = GetProcessHeap();
        char* grown = static_cast<char*>(g_Log.List.Names ? HeapReAlloc(heap, 0, g_Log.List.Names, capacity)
                                                          : HeapAlloc(heap, 0, capacity));
        if (grown == nullptr) {
            g_Log.AtEnd = 0;
            return;
        }
        g_Log.List.Names = grown;
        g_Log.Capacity = capacity;
    }
    CopyBounded(g_Log.List.Names + g_Log.Used, name.size() + 1, name);
    g_Log.List.Names[need - 2] = '=';
    g_Log.List.Names[need - 1] = '\0';
    IndexNewLine(g_Log.Used);
    g_Log.Used = need;
}

// The section's names, and whether it is the last section of the file. The profile
// functions search the first section of a name only, so a name that stands twice is
// not the place to append.
void LoadSection(const char* path, const char* section) {
    FreeSectionKeys(&g_Log.List);
    DropIndex();
    g_Log.Loaded = 1;
    g_Log.Section = section;
    g_Log.Used = g_Log.Capacity = 0;
    g_Log.Present = g_Log.AtEnd = 0;  // until the file says otherwise
    g_Log.ProfileUsed = 1;
    FlushProfileCache(path);
    SectionKeys list{nullptr};
    if (!ResolveLogFile(path, g_Log.File) || !ReadSectionKeys(path, nullptr, &list)) return;
    int seen = 0;
    const char* last = "";
    for (const char* name = list.Names; *name; name = NextKeyName(name)) {
        if (EqualsIgnoreCase(name, section)) ++seen;
        last = name;
    }
    g_Log.Present = seen != 0;
    g_Log.AtEnd = seen == 0 || (seen == 1 && EqualsIgnoreCase(last, section));
    FreeSectionKeys(&list);
    if (!ReadSectionLines(path, section, &g_Log.List)) {
        g_Log.AtEnd = 0;
        return;
    }
    for (const char* name = g_Log.List.Names; *name; name = NextKeyName(name)) {
        IndexNewLine(g_Log.Used);
        g_Log.Used += TextLength(name) + 1;
    }
    g_Log.Capacity = g_Log.Used + 1;
}

// Whether a kept line is exactly `name=`, whatever the name holds, line by line: the
// index knows plain names only, and the sections asked so are short.
bool HoldsLine(std::string_view name) {
    for (DWORD at = 0; at < g_Log.Used; at += TextLength(g_Log.List.Names + at) + 1) {
        const char* line = g_Log.List.Names + at;
        if (TextLength(line) == name.size() + 1 && line[name.size()] == '=' &&
            EqualsIgnoreCase(std::string_view(line, name.size()), name))
            return true;
    }
    return false;
}

// A name the profile functions write as given and compare by ASCII case alone.
bool IsPlainName(std::string_view name) {
    if (name.empty() || name[0] == '[' || name[0] == ';' || name[0] == ' ' || name.back() == ' ') return false;
    for (char c : name)
        if (c < ' ' || c == '=' || c == 0x7f) return false;
    return true;
}

// "name=" in one write at the end of the file.
int AppendName(std::string_view name) {
    FixedText<kPathChars * 4> line;
    line.Assign(name);
    if (!line.Append("=\r\n")) return 0;
    if (g_Log.ProfileUsed) FlushProfileCache(g_Log.File.c_str());
    g_Log.ProfileUsed = 0;
    return AppendToLogFile(g_Log.File.c_str(), line.c_str(), static_cast<DWORD>(line.length()));
}
}  // namespace

void ResetLogWriter() {
    // The block is not freed: a new process (or the test machine's reset) starts here.
    g_Log = LogWriter{};
}

int AddLogKey(const char* path, const char* section, const char* key) {
    if (!g_Log.Loaded || g_Log.Section != section) LoadSection(path, section);
    std::string_view name(key, TextLength(key));
    bool plain = IsPlainName(name);
    int found = plain ? FindName(name) : 0;
    if (found == 2) return LogKeyAlreadyThere;
    if (found == 0 && plain && g_Log.Started && g_Log.Present && g_Log.AtEnd && AppendName(name)) {
        KeepName(name);
        return LogKeyWritten;
    }
    g_Log.Started = g_Log.ProfileUsed = 1;
    // A plain name leaves the file's sections where they were; after anything else
    // the section is read again.
    BOOL written = WritePrivateProfileStringA(section, key, "", path);
    if (!written || !plain) {
        g_Log.Loaded = 0;
        return written ? LogKeyWritten : LogKeyNotWritten;
    }
    if (!g_Log.Present) g_Log.AtEnd = g_Log.Present = 1;
    KeepName(name);
    return LogKeyWritten;
}

bool HasLogKey(const char* path, const char* section, const char* key) {
    if (!g_Log.Loaded || g_Log.Section != section) LoadSection(path, section);
    return HoldsLine(std::string_view(key, TextLength(key)));
}
