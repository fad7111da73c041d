// Profile (INI) files in the machine's file map. Reading is the product's own profile
// rules over the file's text; writing rewrites the file as the profile functions do.
#include <string.h>

#include <vector>

#include "machine/machine_internal.h"
#include "script/profile_rules.h"

namespace {

using machine::SameText;

// A profile file as the functions rewrite it: the held lines in file order. A comment
// (';' first) is a key line whose name starts with ';', kept when the file is
// rewritten.
struct IniLine {
    bool isSection;
    std::string name;
    std::string value;  // quotes kept
    bool hasValue;      // false for a key line without '='
};

std::vector<IniLine> ParseIni(const std::string& text) {
    std::vector<IniLine> lines;
    ProfileCursor cursor;
    StartProfileLines(cursor, text);
    ProfileLine line;
    while (ReadNextHeldLine(cursor, line))
        lines.push_back({line.Kind == ProfileSectionLine, std::string(line.Name), std::string(line.Value),
                         line.Kind == ProfileKeyLine});
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

std::string Trim(const std::string& s) {
    return std::string(TrimProfileBlanks(s));
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

// A bare file name (no backslash, slash or colon) names a file in the Windows directory.
std::string ProfilePath(LPCSTR file) {
    std::string f = machine::Text(file);
    if (f.find_first_of("\\/:") == std::string::npos) return machine::JoinMachinePath(machine::M().windowsDirectory, f);
    return machine::NormalisePath(f);
}

// The file's text for the profile rules; false when there is no such file.
bool ProfileText(LPCSTR file, std::string_view& text) {
    const machine::FileData* data = machine::FindFile(ProfilePath(file));
    if (data == nullptr) return false;
    text = data->content;
    return true;
}

}  // namespace

using namespace machine;

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR out, DWORD size, LPCSTR file) {
    LogCall("GetPrivateProfileStringA " + Text(section) + " " + Text(key) + " " + Text(file));
    if (ShouldFail("GetPrivateProfileStringA")) return ReadProfileString(nullptr, "", "", "", out, size);
    std::string_view text;
    bool exists = ProfileText(file, text);
    return ReadProfileString(exists ? &text : nullptr, section, key, defaultValue, out, size);
}

UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT defaultValue, LPCSTR file) {
    LogCall("GetPrivateProfileIntA " + Text(section) + " " + Text(key) + " " + Text(file));
    if (ShouldFail("GetPrivateProfileIntA")) return static_cast<UINT>(defaultValue);
    std::string_view text;
    bool exists = ProfileText(file, text);
    return ReadProfileInt(exists ? &text : nullptr, section, key, defaultValue);
}

DWORD GetPrivateProfileSectionA(LPCSTR section, LPSTR out, DWORD size, LPCSTR file) {
    LogCall("GetPrivateProfileSectionA " + Text(section) + " " + Text(file));
    if (ShouldFail("GetPrivateProfileSectionA")) return ReadProfileSection(nullptr, nullptr, out, size);
    std::string_view text;
    bool exists = ProfileText(file, text);
    return ReadProfileSection(exists ? &text : nullptr, section, out, size);
}

BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR file) {
    LogCall("WritePrivateProfileStringA " + Text(section) + " " + Text(key) + " " +
            (value ? std::string(value) : std::string("(null)")) + " " + Text(file));
    if (ShouldFail("WritePrivateProfileStringA")) return Fail(kErrorAccessDenied, FALSE);
    // (NULL, NULL, NULL) only flushes the cache, which the machine does not have.
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
        while (lead < v.size() && IsProfileBlank(v[lead])) ++lead;
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
