// Profile (INI) files, read and written in the fake's file map as the Windows
// profile functions treat them.
#include <string.h>

#include <vector>

#include "fake/fake_internal.h"

namespace {

using fake::SameText;

// A profile file as the profile functions hold it: section headers and key lines in
// file order. Empty lines are dropped; a comment (';' first) is a key line whose name
// starts with ';', kept when the file is rewritten and never listed or matched.
struct IniLine {
    bool isSection;
    std::string name;   // section: the text between '[' and the last ']'; key: blanks trimmed
    std::string value;  // blanks trimmed, quotes kept
    bool hasValue;      // false for a key line without '='
};

// Blanks as the profile functions skip them: white space, CR and ^Z.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f' || c == 0x1a;
}

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

// Lines end at CR or LF; a section header is '[' up to the last ']' on the line.
std::vector<IniLine> ParseIni(const std::string& text) {
    std::vector<IniLine> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        std::string line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty()) continue;
        if (line[0] == '[') {
            size_t close = line.rfind(']');
            if (close != std::string::npos && close > 0) {
                lines.push_back({true, Trim(line.substr(1, close - 1)), "", false});
                continue;
            }
        }
        size_t eq = line.find('=');
        std::string name = Trim(line.substr(0, eq));
        // A line with an empty name is kept only after a named key or at a section start.
        bool previousNamed = lines.empty() || lines.back().isSection || !lines.back().name.empty();
        if (name.empty() && !previousNamed) continue;
        if (eq == std::string::npos)
            lines.push_back({false, name, "", false});
        else
            lines.push_back({false, name, Trim(line.substr(eq + 1)), true});
    }
    return lines;
}

std::string FormatIni(const std::vector<IniLine>& lines) {
    std::string text;
    for (const IniLine& line : lines) {
        if (line.isSection)
            text += "[" + line.name + "]";
        else
            text += line.hasValue ? line.name + "=" + line.value : line.name;
        text += "\r\n";
    }
    return text;
}

// Index of the first section of that name (blanks around the asked name ignored), or -1.
long FindSection(const std::vector<IniLine>& lines, const std::string& name) {
    std::string wanted = Trim(name);
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].isSection && !lines[i].name.empty() && SameText(lines[i].name, wanted))
            return static_cast<long>(i);
    return -1;
}

// One past the last line of the section whose header is at `header`.
size_t SectionEnd(const std::vector<IniLine>& lines, size_t header) {
    size_t i = header + 1;
    while (i < lines.size() && !lines[i].isSection) ++i;
    return i;
}

// The first key of that name in the section at `header` only.
long FindKey(const std::vector<IniLine>& lines, long header, const std::string& key) {
    if (header < 0) return -1;
    std::string wanted = Trim(key);
    size_t end = SectionEnd(lines, header);
    for (size_t i = header + 1; i < end; ++i)
        if (SameText(lines[i].name, wanted)) return static_cast<long>(i);
    return -1;
}

// Matching single or double quotes around a value are not part of it.
std::string Unquote(const std::string& v) {
    if (v.size() > 1 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0]) return v.substr(1, v.size() - 2);
    return v;
}

// A bare file name (no backslash, slash or colon) names a file in the Windows directory.
std::string ProfilePath(LPCSTR file) {
    std::string f = fake::Text(file);
    if (f.find_first_of("\\/:") == std::string::npos) return fake::JoinFakePath(fake::M().windowsDirectory, f);
    return fake::NormalisePath(f);
}

// Copies a single value: at most size-1 characters, terminated; returns the count.
DWORD CopyValue(const std::string& v, LPSTR out, DWORD size) {
    if (out == nullptr || size == 0) return 0;
    size_t n = v.size() < size - 1 ? v.size() : size - 1;
    memcpy(out, v.data(), n);
    out[n] = '\0';
    return static_cast<DWORD>(n);
}

// Copies a list of names, each terminated, the whole ended by a further NUL. A list
// that does not fit, or only just fits, comes back cut at size-2 characters with two
// NULs after them, and the call returns size-2.
DWORD CopyList(const std::vector<std::string>& names, LPSTR out, DWORD size) {
    if (out == nullptr || size == 0) return 0;
    std::string block;
    for (const std::string& n : names) block += n + std::string(1, '\0');
    if (block.size() + 2 <= size) {
        memcpy(out, block.data(), block.size());
        out[block.size()] = '\0';
        return static_cast<DWORD>(block.size());
    }
    if (size < 2) {
        out[0] = '\0';
        return 0;
    }
    memcpy(out, block.data(), size - 2);
    out[size - 2] = '\0';
    out[size - 1] = '\0';
    return size - 2;
}

}  // namespace

using namespace fake;

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR out, DWORD size, LPCSTR file) {
    LogCall("GetPrivateProfileStringA " + Text(section) + " " + Text(key) + " " + Text(file));
    if (ShouldFail("GetPrivateProfileStringA")) return CopyValue(std::string(), out, size);
    // The default loses its quotes like a value; for a single value it first loses its
    // trailing blanks.
    std::string def = Text(defaultValue);

    const FileData* data = FindFile(ProfilePath(file));
    std::vector<IniLine> lines = data ? ParseIni(data->content) : std::vector<IniLine>();

    if (section == nullptr) {
        std::vector<std::string> names;
        for (const IniLine& line : lines)
            if (line.isSection && !line.name.empty()) names.push_back(line.name);
        return CopyList(names, out, size);
    }
    if (key == nullptr) {
        if (section[0] == '\0') return CopyValue(std::string(), out, size);
        std::vector<std::string> names;
        long header = FindSection(lines, section);
        if (header >= 0) {
            size_t end = SectionEnd(lines, header);
            // Comments, empty names and lines without '=' are no keys.
            for (size_t i = header + 1; i < end; ++i)
                if (!lines[i].name.empty() && lines[i].name[0] != ';' && lines[i].hasValue)
                    names.push_back(lines[i].name);
        }
        // An empty list gives the default.
        if (names.empty()) {
            if (out && size > 1) out[1] = '\0';
            return CopyValue(Unquote(def), out, size);
        }
        return CopyList(names, out, size);
    }
    while (!def.empty() && def.back() == ' ') def.pop_back();
    def = Unquote(def);
    long at = FindKey(lines, FindSection(lines, section), key);
    if (at < 0 || !lines[at].hasValue) return CopyValue(def, out, size);
    return CopyValue(Unquote(lines[at].value), out, size);
}

UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT defaultValue, LPCSTR file) {
    LogCall("GetPrivateProfileIntA " + Text(section) + " " + Text(key) + " " + Text(file));
    if (ShouldFail("GetPrivateProfileIntA")) return static_cast<UINT>(defaultValue);
    const FileData* data = FindFile(ProfilePath(file));
    if (!data || !section || !key || !key[0]) return static_cast<UINT>(defaultValue);
    std::vector<IniLine> lines = ParseIni(data->content);
    long at = FindKey(lines, FindSection(lines, section), key);
    if (at < 0 || !lines[at].hasValue) return static_cast<UINT>(defaultValue);
    // The text as the string function gives it into 30 characters; an empty value
    // gives the default too.
    std::string v = Unquote(lines[at].value).substr(0, 29);
    if (v.empty()) return static_cast<UINT>(defaultValue);
    // Leading blanks, a sign, then the digits that follow ("0x", "0o", "0b" select a
    // base); conversion stops at the first character that is not a digit.
    size_t i = 0;
    while (i < v.size() && IsBlank(v[i])) ++i;
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
    UINT result = 0;
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

BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR file) {
    LogCall("WritePrivateProfileStringA " + Text(section) + " " + Text(key) + " " +
            (value ? std::string(value) : std::string("(null)")) + " " + Text(file));
    if (ShouldFail("WritePrivateProfileStringA")) return Fail(kErrorAccessDenied, FALSE);
    // (NULL, NULL, NULL) only flushes the cache, which the fake does not have.
    if (section == nullptr && key == nullptr && value == nullptr) return FALSE;
    if (section == nullptr) return Fail(kErrorInvalidParameter, FALSE);
    std::string path = ProfilePath(file);
    if (!IsDirectory(ParentOf(path))) return Fail(kErrorPathNotFound, FALSE);
    if (IsDirectory(path)) return Fail(kErrorAccessDenied, FALSE);
    FileData* data = FindFile(path);
    if (data && data->inUse) return Fail(kErrorSharingViolation, FALSE);
    if (data && data->readOnly) return Fail(kErrorAccessDenied, FALSE);

    std::vector<IniLine> lines = data ? ParseIni(data->content) : std::vector<IniLine>();
    bool changed = false;
    if (key == nullptr) {
        // The first section of that name goes, with its keys.
        for (size_t i = 0; i < lines.size() && !changed; ++i)
            if (lines[i].isSection && SameText(lines[i].name, section)) {
                lines.erase(lines.begin() + static_cast<long>(i),
                            lines.begin() + static_cast<long>(SectionEnd(lines, i)));
                changed = true;
            }
    } else if (value == nullptr) {
        // The first key of that name goes, from the first section of that name that has it.
        for (size_t i = 0; i < lines.size() && !changed; ++i) {
            if (!lines[i].isSection || !SameText(lines[i].name, section)) continue;
            size_t end = SectionEnd(lines, i);
            for (size_t k = i + 1; k < end; ++k)
                if (SameText(lines[k].name, key)) {
                    lines.erase(lines.begin() + static_cast<long>(k));
                    changed = true;
                    break;
                }
        }
    } else {
        std::string v = value;  // leading blanks go; trailing ones stay in the file
        size_t lead = 0;
        while (lead < v.size() && IsBlank(v[lead])) ++lead;
        v.erase(0, lead);
        long header = FindSection(lines, section);
        if (header < 0) {
            lines.push_back({true, Trim(section), "", false});
            lines.push_back({false, Trim(key), v, true});
            changed = true;
        } else {
            long at = FindKey(lines, header, key);
            if (at < 0) {
                lines.insert(lines.begin() + static_cast<long>(SectionEnd(lines, header)),
                             IniLine{false, Trim(key), v, true});
                changed = true;
            } else if (!lines[at].hasValue || lines[at].value != v) {
                lines[at].value = v;
                lines[at].hasValue = true;
                changed = true;
            }
        }
    }
    // An unchanged profile is not rewritten; a changed one is written whole at once.
    if (!changed) return TRUE;
    M().files[path].content = FormatIni(lines);
    return TRUE;
}

// A section's lines as "key=value" (a line without '=' as it stands), each
// terminated, the whole ended by a further NUL; cut like a key list.
DWORD GetPrivateProfileSectionA(LPCSTR section, LPSTR out, DWORD size, LPCSTR file) {
    LogCall("GetPrivateProfileSectionA " + Text(section) + " " + Text(file));
    if (ShouldFail("GetPrivateProfileSectionA")) return CopyList({}, out, size);
    const FileData* data = FindFile(ProfilePath(file));
    std::vector<IniLine> lines = data ? ParseIni(data->content) : std::vector<IniLine>();
    std::vector<std::string> entries;
    long header = FindSection(lines, Text(section));
    if (header >= 0)
        for (size_t k = static_cast<size_t>(header) + 1; k < SectionEnd(lines, static_cast<size_t>(header)); ++k)
            if (lines[k].name.empty() || lines[k].name[0] != ';')
                entries.push_back(lines[k].hasValue ? lines[k].name + "=" + lines[k].value : lines[k].name);
    return CopyList(entries, out, size);
}

// Replaces a section's lines by the given ones (consecutive terminated lines ended
// by an empty one); duplicate keys are written as they are.
BOOL WritePrivateProfileSectionA(LPCSTR section, LPCSTR lines, LPCSTR file) {
    LogCall("WritePrivateProfileSectionA " + Text(section) + " " + Text(file));
    if (ShouldFail("WritePrivateProfileSectionA")) return Fail(kErrorAccessDenied, FALSE);
    if (section == nullptr) return Fail(kErrorInvalidParameter, FALSE);
    std::string path = ProfilePath(file);
    if (!IsDirectory(ParentOf(path))) return Fail(kErrorPathNotFound, FALSE);
    FileData* data = FindFile(path);
    if (data && (data->inUse || data->readOnly)) return Fail(kErrorAccessDenied, FALSE);
    std::vector<IniLine> all = data ? ParseIni(data->content) : std::vector<IniLine>();
    long header = FindSection(all, Text(section));
    if (header >= 0)
        all.erase(all.begin() + header + 1,
                  all.begin() + static_cast<long>(SectionEnd(all, static_cast<size_t>(header))));
    else {
        all.push_back({true, Trim(section), "", false});
        header = static_cast<long>(all.size()) - 1;
    }
    std::vector<IniLine> added;
    for (const char* p = lines; p && *p; p += strlen(p) + 1) {
        std::string line = p;
        size_t eq = line.find('=');
        if (eq == std::string::npos)
            added.push_back({false, Trim(line), "", false});
        else
            added.push_back({false, Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)), true});
    }
    all.insert(all.begin() + header + 1, added.begin(), added.end());
    M().files[path].content = FormatIni(all);
    return TRUE;
}
