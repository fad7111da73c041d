#include "uninstlog/log_image.h"

#include "platform/fixed_text.h"
#include "script/profile_rules.h"
#include "script/script_names.h"
#include "script/script_reader.h"
#include "uninstlog/log_file.h"

namespace {
// One held line of the log: where its text lies in the image's text block.
struct ImageLine {
    DWORD Start, Length;
    DWORD Header;  // line number + 1 of its section's header; 0 before any section
    BYTE Kind;     // a ProfileLineKind
    BYTE Gone;     // handled: left out of the next checkpoint
    BYTE First;    // a header: the first section of its name; a key: in such a section
};

struct LogImage {
    int Loaded;
    char* Text;
    DWORD TextUsed, TextCapacity;
    ImageLine* Lines;
    DWORD LineCount, LineCapacity;
    // The passes ask for the same section for every entry: the last answer (the line
    // of its header, -1: none) holds until a line is added.
    FixedText<32> FoundSection;  // empty: no answer kept
    long FoundLine;
};

LogImage g_Image;

// Grows a heap block to hold `need` bytes, doubling; 0 when there is no memory.
int Reserve(void** block, DWORD* capacity, DWORD need) {
    if (need <= *capacity) return 1;
    DWORD bigger = need * 2;
    HANDLE heap = GetProcessHeap();
    void* grown = *block ? HeapReAlloc(heap, 0, *block, bigger) : HeapAlloc(heap, 0, bigger);
    if (grown == nullptr) return 0;
    *block = grown;
    *capacity = bigger;
    return 1;
}

std::string_view LineText(const ImageLine& line) {
    return std::string_view(g_Image.Text + line.Start, line.Length);
}

// The profile rules' reading of one stored line.
ProfileLine ReadLine(const ImageLine& line) {
    ProfileCursor cursor;
    StartProfileLines(cursor, LineText(line));
    ProfileLine read{};
    ReadNextProfileLine(cursor, read);
    return read;
}

bool IsEntry(const ImageLine& line) {
    if (line.Gone || !line.First || line.Kind != ProfileKeyLine) return false;
    ProfileLine read = ReadLine(line);
    return !read.Name.empty() && !IsProfileComment(read);
}

// The name of an entry line: up to its last '=', blanks around it trimmed.
std::string_view EntryNameOf(const ImageLine& line) {
    std::string_view text = LineText(line);
    size_t cut = text.rfind('=');
    return TrimProfileBlanks(std::string_view(text.data(), cut == std::string_view::npos ? text.size() : cut));
}

// Any line added may be a header that the kept answer does not know.
void ForgetFoundHeader() {
    g_Image.FoundSection.Clear();
}

// Line number of the first header of that section, or -1.
long FindHeader(std::string_view section) {
    if (!g_Image.FoundSection.empty() && EqualsIgnoreCase(g_Image.FoundSection.view(), section))
        return g_Image.FoundLine;
    long header = -1;
    for (DWORD i = 0; i < g_Image.LineCount && header < 0; ++i) {
        const ImageLine& line = g_Image.Lines[i];
        if (line.Kind == ProfileSectionLine && line.First && EqualsIgnoreCase(ReadLine(line).Name, section))
            header = static_cast<long>(i);
    }
    g_Image.FoundLine = header;
    if (!g_Image.FoundSection.Assign(section)) ForgetFoundHeader();
    return header;
}

// Stores a line of text at `at` (moving the later ones down).
int InsertLine(DWORD at, std::string_view text, DWORD header, BYTE kind) {
    if (!Reserve(reinterpret_cast<void**>(&g_Image.Text), &g_Image.TextCapacity,
                 g_Image.TextUsed + static_cast<DWORD>(text.size())) ||
        !Reserve(reinterpret_cast<void**>(&g_Image.Lines), &g_Image.LineCapacity,
                 (g_Image.LineCount + 1) * static_cast<DWORD>(sizeof(ImageLine))))
        return 0;
    for (size_t i = 0; i < text.size(); ++i) g_Image.Text[g_Image.TextUsed + i] = text[i];
    ForgetFoundHeader();
    for (DWORD i = g_Image.LineCount; i > at; --i) {
        g_Image.Lines[i] = g_Image.Lines[i - 1];
        if (g_Image.Lines[i].Header > at) ++g_Image.Lines[i].Header;
    }
    g_Image.Lines[at] = ImageLine{g_Image.TextUsed, static_cast<DWORD>(text.size()), header, kind, 0, 1};
    g_Image.TextUsed += static_cast<DWORD>(text.size());
    ++g_Image.LineCount;
    return 1;
}

void FreeImage() {
    HANDLE heap = GetProcessHeap();
    if (g_Image.Text) HeapFree(heap, 0, g_Image.Text);
    if (g_Image.Lines) HeapFree(heap, 0, g_Image.Lines);
    g_Image = LogImage{};
}

// The new file beside the log: the same name with its last character replaced.
bool NewFileName(const char* log, PathText& name) {
    if (!name.Assign(std::string_view(log, TextLength(log))) || name.empty()) return false;
    char& last = name.text[name.length() - 1];
    last = last == '$' ? '#' : '$';
    return true;
}

// Only a file that is a log is taken for the new log: a file of that name that is
// not is someone else's.
bool IsLogFile(const char* file) {
    char product[2];
    return ReadScriptValue(file, ScriptName::UninstSection, ScriptName::Product, "", product, sizeof product) != 0;
}

// A new log that a cut left beside the log: empty, or beginning with the log's first
// line (which no checkpoint changes). Anything else is someone else's file.
bool IsCutCheckpoint(const char* file, const char* log) {
    DWORD freshSize = 0, logSize = 0;
    int missing = 0;
    char* fresh = ReadLogFile(file, &freshSize, &missing);
    char* old = ReadLogFile(log, &logSize, &missing);
    // The log's first line, as far as the new file got.
    DWORD n = 0;
    while (old != nullptr && n < logSize && n < freshSize && old[n] != '\r' && old[n] != '\n') ++n;
    bool cut = fresh != nullptr && old != nullptr && (freshSize == 0 || n > 0);
    for (DWORD i = 0; cut && i < n; ++i) cut = fresh[i] == old[i];
    HANDLE heap = GetProcessHeap();
    if (fresh) HeapFree(heap, 0, fresh);
    if (old) HeapFree(heap, 0, old);
    return cut;
}
}  // namespace

void RecoverLogCheckpoint(const char* log) {
    // Not freed: a run starts here in a new process (or on the test machine after its
    // reset, which took the blocks back).
    g_Image = LogImage{};
    PathText fresh;
    if (!NewFileName(log, fresh) || GetFileAttributesA(fresh.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    if (GetFileAttributesA(log) != INVALID_FILE_ATTRIBUTES) {
        if (IsCutCheckpoint(fresh.c_str(), log)) DeleteFileA(fresh.c_str());
    } else if (IsLogFile(fresh.c_str())) {
        MoveFileA(fresh.c_str(), log);
    }
}

int LoadLogImage(const char* log) {
    if (g_Image.Loaded) return 1;
    FreeImage();
    FlushProfileCache(log);
    DWORD size = 0;
    int missing = 0;
    char* text = ReadLogFile(log, &size, &missing);
    if (text == nullptr) return 0;
    g_Image.Text = text;
    g_Image.TextUsed = g_Image.TextCapacity = size;
    ProfileCursor cursor;
    StartProfileLines(cursor, std::string_view(text, size));
    ProfileLine line;
    DWORD header = 0;
    BYTE first = 0;
    while (ReadNextHeldLine(cursor, line)) {
        DWORD at = g_Image.LineCount;
        if (line.Kind == ProfileSectionLine) first = FindHeader(line.Name) < 0;
        if (!Reserve(reinterpret_cast<void**>(&g_Image.Lines), &g_Image.LineCapacity,
                     (at + 1) * static_cast<DWORD>(sizeof(ImageLine)))) {
            FreeImage();
            return 0;
        }
        if (line.Kind == ProfileSectionLine) header = at + 1;
        ForgetFoundHeader();
        g_Image.Lines[at] = ImageLine{static_cast<DWORD>(line.Text.data() - text),
                                      static_cast<DWORD>(line.Text.size()),
                                      line.Kind == ProfileSectionLine ? 0 : header,
                                      static_cast<BYTE>(line.Kind),
                                      0,
                                      first};
        ++g_Image.LineCount;
    }
    g_Image.Loaded = 1;
    return 1;
}

DWORD* ListLogEntries(const char* section, DWORD* count) {
    *count = 0;
    long header = FindHeader(std::string_view(section, TextLength(section)));
    // The section's own lines bound the list: a small section costs a small block.
    DWORD end = header < 0 ? 0 : static_cast<DWORD>(header) + 1;
    while (end < g_Image.LineCount && g_Image.Lines[end].Kind != ProfileSectionLine) ++end;
    DWORD* list = static_cast<DWORD*>(
        HeapAlloc(GetProcessHeap(), 0, (end - (header < 0 ? 0 : static_cast<DWORD>(header)) + 1) * sizeof(DWORD)));
    if (list == nullptr || header < 0) return list;
    for (DWORD i = static_cast<DWORD>(header) + 1; i < end; ++i)
        if (IsEntry(g_Image.Lines[i])) list[(*count)++] = i;
    return list;
}

bool ReadEntryName(DWORD line, EntryName& name) {
    return name.Assign(EntryNameOf(g_Image.Lines[line]));
}

void DropLogEntry(DWORD line) {
    g_Image.Lines[line].Gone = 1;
}

DWORD FindLogEntry(const char* section, const char* name) {
    long header = FindHeader(std::string_view(section, TextLength(section)));
    if (header < 0) return 0;
    for (DWORD i = static_cast<DWORD>(header) + 1; i < g_Image.LineCount; ++i) {
        if (g_Image.Lines[i].Kind == ProfileSectionLine) break;
        if (IsEntry(g_Image.Lines[i]) && EqualsIgnoreCase(EntryNameOf(g_Image.Lines[i]), name)) return i;
    }
    return 0;
}

int AddLogEntryLine(const char* section, const char* name) {
    std::string_view sectionName(section, TextLength(section));
    if (FindLogEntry(section, name) != 0) return 1;
    FixedText<4096> line;
    line.Assign(std::string_view(name, TextLength(name)));
    if (!line.Append('=')) return 0;
    long header = FindHeader(sectionName);
    if (header < 0) {
        FixedText<128> text;
        text.Assign("[");
        text.Append(sectionName);
        if (!text.Append(']') || !InsertLine(g_Image.LineCount, text.view(), 0, ProfileSectionLine)) return 0;
        header = static_cast<long>(g_Image.LineCount) - 1;
    }
    DWORD at = static_cast<DWORD>(header) + 1;
    while (at < g_Image.LineCount && g_Image.Lines[at].Kind != ProfileSectionLine) ++at;
    return InsertLine(at, line.view(), static_cast<DWORD>(header) + 1, ProfileKeyLine);
}

bool HasNoLogEntries(const char* section) {
    DWORD count = 0;
    DWORD* list = ListLogEntries(section, &count);
    if (list) HeapFree(GetProcessHeap(), 0, list);
    return list != nullptr && count == 0;
}

int WriteLogCheckpoint(const char* log, const char* omitEmptySection) {
    DWORD size = 0;
    for (DWORD i = 0; i < g_Image.LineCount; ++i) size += g_Image.Lines[i].Length + 2;
    HANDLE heap = GetProcessHeap();
    char* out = static_cast<char*>(HeapAlloc(heap, 0, size + 1));
    if (out == nullptr) return 0;
    bool omit = omitEmptySection != nullptr && HasNoLogEntries(omitEmptySection);
    long omitted = omit ? FindHeader(std::string_view(omitEmptySection, TextLength(omitEmptySection))) : -1;
    DWORD used = 0;
    for (DWORD i = 0; i < g_Image.LineCount; ++i) {
        const ImageLine& line = g_Image.Lines[i];
        // The remover's own notes leave no empty section behind.
        if (line.Gone ||
            (omitted >= 0 && (i == static_cast<DWORD>(omitted) || line.Header == static_cast<DWORD>(omitted) + 1)))
            continue;
        for (char c : LineText(line)) out[used++] = c;
        out[used++] = '\r';
        out[used++] = '\n';
    }
    PathText fresh;
    int done = 0;
    if (NewFileName(log, fresh) &&
        (GetFileAttributesA(fresh.c_str()) == INVALID_FILE_ATTRIBUTES || IsCutCheckpoint(fresh.c_str(), log))) {
        HANDLE file =
            CreateFileA(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            done = WriteFile(file, out, used, &written, nullptr) && written == used && FlushFileBuffers(file);
            CloseHandle(file);
        }
        // MOVEFILE_WRITE_THROUGH: the replace is on the disk when the call returns.
        // Where the replace in one step is not there (or fails), the old log goes first
        // and the new file takes its name; RecoverLogCheckpoint settles a cut between.
        if (done && !MoveFileExA(fresh.c_str(), log, MOVEFILE_REPLACE_EXISTING | 0x8))
            done = DeleteFileA(log) && MoveFileA(fresh.c_str(), log);
        if (!done) DeleteFileA(fresh.c_str());
    }
    HeapFree(heap, 0, out);
    // No cached copy of the old log may be written back over the new one.
    FlushProfileCache(log);
    return done;
}
