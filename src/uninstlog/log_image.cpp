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
    if (!line.First || line.Kind != ProfileKeyLine) return false;
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

void FreeImage() {
    HANDLE heap = GetProcessHeap();
    if (g_Image.Text) HeapFree(heap, 0, g_Image.Text);
    if (g_Image.Lines) HeapFree(heap, 0, g_Image.Lines);
    g_Image = LogImage{};
}

}  // namespace

int ReserveBlock(void** block, DWORD* capacity, DWORD need) {
    if (need <= *capacity) return 1;
    DWORD bigger = need * 2;
    HANDLE heap = GetProcessHeap();
    void* grown = *block ? HeapReAlloc(heap, 0, *block, bigger) : HeapAlloc(heap, 0, bigger);
    if (grown == nullptr) return 0;
    *block = grown;
    *capacity = bigger;
    return 1;
}

void ForgetLogImage() {
    // Not freed: a run starts here in a new process (or on the test machine after its
    // reset, which took the blocks back).
    g_Image = LogImage{};
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
        if (!ReserveBlock(reinterpret_cast<void**>(&g_Image.Lines), &g_Image.LineCapacity,
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

void LogImageFingerprint(DWORD* size, DWORD* hash) {
    DWORD h = 2166136261u;
    for (DWORD i = 0; i < g_Image.TextUsed; ++i) h = (h ^ static_cast<unsigned char>(g_Image.Text[i])) * 16777619u;
    *size = g_Image.TextUsed;
    *hash = h;
}
