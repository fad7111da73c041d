#include "script/profile_rules.h"

#include <string.h>

#include "platform/fixed_text.h"

namespace {

// Part of a text, clamped to it: string_view's own substr may throw, and SETUP.EXE has
// nothing to throw to.
constexpr std::string_view Slice(std::string_view s, size_t pos, size_t n = std::string_view::npos) {
    if (pos > s.size()) pos = s.size();
    if (n > s.size() - pos) n = s.size() - pos;
    return std::string_view(s.data() + pos, n);
}

// Copies a single value: at most size-1 characters, terminated; returns the count.
unsigned CopyValue(std::string_view v, char* out, unsigned size) {
    if (out == nullptr || size == 0) return 0;
    size_t n = v.size() < size - 1 ? v.size() : size - 1;
    if (n != 0) memcpy(out, v.data(), n);  // an empty view may have no data at all
    out[n] = '\0';
    return static_cast<unsigned>(n);
}

// Writes a list of NUL-terminated entries ended by a further NUL. A list that does
// not fit, or only just fits, comes back cut at size-2 characters with two NULs after
// them, and the call returns size-2. Bytes are written as they come, only inside the
// buffer; Finish() places the final terminators.
struct ListWriter {
    char* Out;
    unsigned Size;
    size_t Count;  // bytes of the whole list so far, terminators included

    void Add(std::string_view part) {
        for (char c : part) Add(c);
    }
    void Add(char c) {
        if (Out != nullptr && Count < Size) Out[Count] = c;
        ++Count;
    }
    unsigned Finish() {
        if (Out == nullptr || Size == 0) return 0;
        if (Count + 2 <= Size) {
            Out[Count] = '\0';
            return static_cast<unsigned>(Count);
        }
        if (Size < 2) {
            Out[0] = '\0';
            return 0;
        }
        Out[Size - 2] = '\0';
        Out[Size - 1] = '\0';
        return Size - 2;
    }
};

std::string_view ViewOf(const char* s) {
    return s ? std::string_view(s, TextLength(s)) : std::string_view();
}

// The default of a single value loses its trailing blanks, then its quotes.
std::string_view ValueDefault(const char* defaultValue) {
    std::string_view d = ViewOf(defaultValue);
    while (!d.empty() && d.back() == ' ') d.remove_suffix(1);
    return StripMatchingQuotes(d);
}

// An empty key list gives the default, with the byte after its first one cleared.
unsigned CopyEmptyListDefault(const char* defaultValue, char* out, unsigned size) {
    if (out != nullptr && size > 1) out[1] = '\0';
    return CopyValue(StripMatchingQuotes(ViewOf(defaultValue)), out, size);
}

// Key names that a key list shows: no comments, no empty names, no lines without '='.
bool IsListedKey(const ProfileLine& line) {
    return line.Kind == ProfileKeyLine && !line.Name.empty() && !IsProfileComment(line);
}

// What GetPrivateProfileIntA makes of a value found: the text as the string function
// gives it into 30 characters; an empty one gives the default.
unsigned ConvertFoundValue(std::string_view value, int defaultValue) {
    std::string_view v = Slice(StripMatchingQuotes(value), 0, 29);
    if (v.empty()) return static_cast<unsigned>(defaultValue);
    return ConvertProfileNumber(v);
}

// One entry of a GetPrivateProfileSectionA block: "name=value" or a name alone.
struct SectionEntry {
    std::string_view Name, Value;
    bool HasValue;
};

// The next entry of the block at `pos`; 0 at the end (an empty entry ends the block).
int ReadNextSectionEntry(std::string_view block, size_t& pos, SectionEntry& entry) {
    if (pos >= block.size() || block[pos] == '\0') return 0;
    size_t end = pos;
    while (end < block.size() && block[end] != '\0') ++end;
    std::string_view text = Slice(block, pos, end - pos);
    pos = end + 1;
    size_t eq = 0;
    while (eq < text.size() && text[eq] != '=') ++eq;
    entry.HasValue = eq < text.size();
    entry.Name = TrimProfileBlanks(Slice(text, 0, eq));
    entry.Value = entry.HasValue ? TrimProfileBlanks(Slice(text, eq + 1)) : std::string_view();
    return 1;
}

// The first entry of the block named `key`; 0 when there is none.
int FindSectionEntry(std::string_view block, const char* key, SectionEntry& entry) {
    std::string_view wanted = TrimProfileBlanks(ViewOf(key));
    size_t pos = 0;
    while (ReadNextSectionEntry(block, pos, entry))
        if (EqualsIgnoreCase(entry.Name, wanted)) return 1;
    return 0;
}

}  // namespace

std::string_view TrimProfileBlanks(std::string_view s) {
    while (!s.empty() && IsProfileBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsProfileBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::string_view StripMatchingQuotes(std::string_view v) {
    if (v.size() > 1 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0]) return Slice(v, 1, v.size() - 2);
    return v;
}

void StartProfileLines(ProfileCursor& cursor, std::string_view text) {
    cursor.Text = text;
    cursor.Position = 0;
    cursor.NextNumber = 1;
    cursor.PreviousNamed = true;
}

int ReadNextProfileLine(ProfileCursor& cursor, ProfileLine& line) {
    std::string_view text = cursor.Text;
    while (cursor.Position < text.size()) {
        size_t start = cursor.Position;
        size_t end = start;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
        unsigned number = cursor.NextNumber++;
        // CR LF ends one line; a lone CR or LF ends one too.
        size_t next = end + 1;
        if (end < text.size() && text[end] == '\r' && next < text.size() && text[next] == '\n') ++next;
        cursor.Position = next;
        std::string_view trimmed = TrimProfileBlanks(Slice(text, start, end - start));
        if (trimmed.empty()) continue;

        line.Text = trimmed;
        line.Number = number;
        line.Value = std::string_view();
        line.Held = true;
        if (trimmed[0] == '[') {
            size_t close = trimmed.size() - 1;
            while (close > 0 && trimmed[close] != ']') --close;
            if (close > 0) {
                line.Kind = ProfileSectionLine;
                line.Name = TrimProfileBlanks(Slice(trimmed, 1, close - 1));
                cursor.PreviousNamed = true;
                return 1;
            }
        }
        size_t eq = 0;
        while (eq < trimmed.size() && trimmed[eq] != '=') ++eq;
        line.Name = TrimProfileBlanks(Slice(trimmed, 0, eq));
        if (eq < trimmed.size()) {
            line.Kind = ProfileKeyLine;
            line.Value = TrimProfileBlanks(Slice(trimmed, eq + 1));
            // The profile functions keep a value as a C string: it ends at a zero byte,
            // whether it is read alone or with its section.
            size_t nul = 0;
            while (nul < line.Value.size() && line.Value[nul] != '\0') ++nul;
            line.Value = TrimProfileBlanks(Slice(line.Value, 0, nul));
        } else {
            line.Kind = ProfileNameOnlyLine;
        }
        // A line with an empty name is kept only after a named key or a section start.
        if (line.Name.empty() && !cursor.PreviousNamed)
            line.Held = false;
        else
            cursor.PreviousNamed = !line.Name.empty();
        return 1;
    }
    return 0;
}

int ReadNextHeldLine(ProfileCursor& cursor, ProfileLine& line) {
    while (ReadNextProfileLine(cursor, line))
        if (line.Held) return 1;
    return 0;
}

int FindProfileSection(std::string_view text, std::string_view name, ProfileCursor& body) {
    std::string_view wanted = TrimProfileBlanks(name);
    StartProfileLines(body, text);
    ProfileLine line;
    while (ReadNextHeldLine(body, line))
        if (line.Kind == ProfileSectionLine && !line.Name.empty() && EqualsIgnoreCase(line.Name, wanted)) return 1;
    return 0;
}

int ReadNextSectionLine(ProfileCursor& body, ProfileLine& line) {
    if (!ReadNextHeldLine(body, line)) return 0;
    return line.Kind == ProfileSectionLine ? 0 : 1;
}

int FindProfileKey(std::string_view text, std::string_view section, std::string_view key, ProfileLine& line) {
    ProfileCursor body;
    if (!FindProfileSection(text, section, body)) return 0;
    std::string_view wanted = TrimProfileBlanks(key);
    while (ReadNextSectionLine(body, line))
        if (EqualsIgnoreCase(line.Name, wanted)) return 1;
    return 0;
}

unsigned ReadProfileString(const std::string_view* text, const char* section, const char* key, const char* defaultValue,
                           char* out, unsigned size) {
    std::string_view file = text ? *text : std::string_view();
    ProfileLine line;
    if (section == nullptr) {
        ListWriter list{out, size, 0};
        ProfileCursor cursor;
        StartProfileLines(cursor, file);
        while (ReadNextHeldLine(cursor, line))
            if (line.Kind == ProfileSectionLine && !line.Name.empty()) {
                list.Add(line.Name);
                list.Add('\0');
            }
        return list.Finish();
    }
    if (key == nullptr) {
        if (section[0] == '\0') return CopyValue(std::string_view(), out, size);
        ListWriter list{out, size, 0};
        ProfileCursor body;
        if (FindProfileSection(file, ViewOf(section), body))
            while (ReadNextSectionLine(body, line))
                if (IsListedKey(line)) {
                    list.Add(line.Name);
                    list.Add('\0');
                }
        if (list.Count == 0) return CopyEmptyListDefault(defaultValue, out, size);
        return list.Finish();
    }
    if (!FindProfileKey(file, ViewOf(section), ViewOf(key), line) || line.Kind != ProfileKeyLine)
        return CopyValue(ValueDefault(defaultValue), out, size);
    return CopyValue(StripMatchingQuotes(line.Value), out, size);
}

unsigned ReadProfileInt(const std::string_view* text, const char* section, const char* key, int defaultValue) {
    if (text == nullptr || section == nullptr || key == nullptr || key[0] == '\0')
        return static_cast<unsigned>(defaultValue);
    ProfileLine line;
    if (!FindProfileKey(*text, ViewOf(section), ViewOf(key), line) || line.Kind != ProfileKeyLine)
        return static_cast<unsigned>(defaultValue);
    return ConvertFoundValue(line.Value, defaultValue);
}

unsigned ReadProfileSection(const std::string_view* text, const char* section, char* out, unsigned size) {
    ListWriter list{out, size, 0};
    ProfileCursor body;
    ProfileLine line;
    if (text != nullptr && section != nullptr && FindProfileSection(*text, ViewOf(section), body))
        while (ReadNextSectionLine(body, line)) {
            if (IsProfileComment(line)) continue;
            list.Add(line.Name);
            if (line.Kind == ProfileKeyLine) {
                list.Add('=');
                list.Add(line.Value);
            }
            list.Add('\0');
        }
    return list.Finish();
}

unsigned ConvertProfileNumber(std::string_view v) {
    size_t i = 0;
    while (i < v.size() && IsProfileBlank(v[i])) ++i;
    bool negative = false;
    if (i < v.size() && (v[i] == '+' || v[i] == '-')) negative = v[i++] == '-';
    unsigned base = 10;
    if (i + 1 < v.size() && v[i] == '0') {
        char p = v[i + 1];
        if (p == 'x' || p == 'X') base = 16;
        if (p == 'o' || p == 'O') base = 8;
        if (p == 'b' || p == 'B') base = 2;
        if (base != 10) i += 2;
    }
    unsigned result = 0;
    for (; i < v.size(); ++i) {
        char c = v[i];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            break;
        if (digit >= base) break;
        result = result * base + digit;
    }
    return negative ? 0u - result : result;
}

unsigned ReadSectionString(std::string_view block, const char* key, const char* defaultValue, char* out,
                           unsigned size) {
    SectionEntry entry;
    if (key == nullptr) {
        ListWriter list{out, size, 0};
        size_t pos = 0;
        while (ReadNextSectionEntry(block, pos, entry))
            if (entry.HasValue && !entry.Name.empty() && entry.Name[0] != ';') {
                list.Add(entry.Name);
                list.Add('\0');
            }
        if (list.Count == 0) return CopyEmptyListDefault(defaultValue, out, size);
        return list.Finish();
    }
    if (!FindSectionEntry(block, key, entry) || !entry.HasValue)
        return CopyValue(ValueDefault(defaultValue), out, size);
    return CopyValue(StripMatchingQuotes(entry.Value), out, size);
}

unsigned ReadSectionInt(std::string_view block, const char* key, int defaultValue) {
    SectionEntry entry;
    if (key == nullptr || key[0] == '\0' || !FindSectionEntry(block, key, entry) || !entry.HasValue)
        return static_cast<unsigned>(defaultValue);
    return ConvertFoundValue(entry.Value, defaultValue);
}
