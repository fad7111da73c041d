// How the Windows profile (INI) functions read a profile file's text, as pure
// functions over that text: no file access and no platform call.
//
// SETUP.EXE itself reads its script through the profile functions; these rules are
// what those functions do, for the places that must agree with them without calling
// them: the described machine of the tests and of the plan, setupcheck's diagnostics and plan, and reading
// keys out of a section block fetched at once with GetPrivateProfileSectionA.
//
// The rules: a line ends at CR or LF; blanks (white space, CR and ^Z) around names
// and values are trimmed; a section header is '[' up to the last ']' on the line; a
// key line is name '=' value (split at the first '='); a line without '=' is a name
// without value, which is no key; a line starting with ';' is a comment; names match
// without regard to ASCII case; only the first section of a name is searched and the
// first key of a name in it wins; a value in matching single or double quotes loses
// them; values are cut to the buffer.
//
// No C/C++ runtime: SETUP.EXE has none, so nothing here allocates or throws.
#pragma once

#include <stddef.h>

#include <string_view>

constexpr bool IsProfileBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f' || c == 0x1a;
}

std::string_view TrimProfileBlanks(std::string_view s);
// Matching single or double quotes around a value are not part of it.
std::string_view StripMatchingQuotes(std::string_view value);

enum ProfileLineKind {
    ProfileSectionLine,  // [name]
    ProfileKeyLine,      // name=value (the name may start with ';': a comment)
    ProfileNameOnlyLine  // text without '=': never a key
};

// One non-empty line of a profile file.
struct ProfileLine {
    ProfileLineKind Kind;
    std::string_view Name;   // section: between '[' and the last ']', trimmed; key: left of '=', trimmed
    std::string_view Value;  // right of the first '=', trimmed, quotes kept
    std::string_view Text;   // the whole line, trimmed
    unsigned Number;         // 1-based line number in the file (CR LF is one line end)
    // False for a line with an empty name that does not follow a named key or a
    // section header: the profile functions drop it as if it were not there.
    bool Held;
};

inline bool IsProfileComment(const ProfileLine& line) {
    return line.Kind != ProfileSectionLine && !line.Name.empty() && line.Name[0] == ';';
}

// Walks the lines of a profile text in file order.
struct ProfileCursor {
    std::string_view Text;
    size_t Position;
    unsigned NextNumber;
    bool PreviousNamed;  // the last held line was a section or a named key line
};

void StartProfileLines(ProfileCursor& cursor, std::string_view text);
// The next non-empty line (held or not); 0 at the end of the text.
int ReadNextProfileLine(ProfileCursor& cursor, ProfileLine& line);
// The next line the profile functions hold; 0 at the end of the text.
int ReadNextHeldLine(ProfileCursor& cursor, ProfileLine& line);

// Finds the first section of that name (blanks around `name` ignored); the cursor is
// left after its header. Returns 0 when there is none.
int FindProfileSection(std::string_view text, std::string_view name, ProfileCursor& body);
// The next held line of a section body; 0 at the section's end.
int ReadNextSectionLine(ProfileCursor& body, ProfileLine& line);
// The first line named `key` in the first section named `section`. Returns 0 when there
// is none; a line found may be a name without value (then the key counts as absent).
int FindProfileKey(std::string_view text, std::string_view section, std::string_view key, ProfileLine& line);

// GetPrivateProfileStringA over a file's text (`text` null: no such file), with its
// four forms: a value, the key names of a section (key null), the section names
// (section null), and the default. Writes at most `size` bytes.
unsigned ReadProfileString(const std::string_view* text, const char* section, const char* key, const char* defaultValue,
                           char* out, unsigned size);
// GetPrivateProfileIntA over a file's text (`text` null: no such file).
unsigned ReadProfileInt(const std::string_view* text, const char* section, const char* key, int defaultValue);
// GetPrivateProfileSectionA over a file's text: the held lines of the first section of
// that name as NUL-separated "name=value" entries (values as written, quotes kept;
// comments and empty names left out), ended by a further NUL.
unsigned ReadProfileSection(const std::string_view* text, const char* section, char* out, unsigned size);

// The number in a value as GetPrivateProfileIntA converts it: leading blanks, a sign,
// then digits ("0x", "0o", "0b" select a base) up to the first non-digit.
unsigned ConvertProfileNumber(std::string_view value);

// Reading one key out of a section block that GetPrivateProfileSectionA returned
// (`block` is its first `length` bytes, the count the call returned), by the rules of
// GetPrivateProfileStringA and GetPrivateProfileIntA on the file itself.
unsigned ReadSectionString(std::string_view block, const char* key, const char* defaultValue, char* out, unsigned size);
unsigned ReadSectionInt(std::string_view block, const char* key, int defaultValue);
