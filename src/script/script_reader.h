// Values of an INI-format file: the setup script, an INI file that a script names, or
// an uninstall log. Every reader takes the file's path: a full path is read as it is,
// a bare name is looked for in the Windows directory (the profile functions' rule).
//
// Who frees what: a text goes into the caller's buffer, always terminated and cut to
// its capacity; a key list is a heap block that the caller owns and gives back with
// FreeSectionKeys. A missing file, section or key gives the fallback the caller names.
#pragma once

#include "platform/fixed_text.h"
#include "platform/platform.h"

// Reads the value into out[capacity], cut to capacity - 1 characters; a missing key
// gives `fallback` (which must not be `out` itself). Returns the characters stored.
DWORD ReadScriptValue(const char* file, const char* section, const char* key, const char* fallback, char* out,
                      DWORD capacity);

// The same into a FixedText; a missing key gives `fallback`, by default "".
template <size_t N>
DWORD ReadScriptText(const char* file, const char* section, const char* key, FixedText<N>& out,
                     const char* fallback = "") {
    return ReadScriptValue(file, section, key, fallback, out.data(), static_cast<DWORD>(N));
}

// Reads the value like ReadScriptText and says whether the key is there at all: 1
// with its value (which may be empty, "Key="), or 0 with `out` empty when the key,
// its section or the file is missing.
int ReadPresentScriptValue(const char* file, const char* section, const char* key, char* out, DWORD capacity);
template <size_t N>
int ReadPresentScriptText(const char* file, const char* section, const char* key, FixedText<N>& out) {
    return ReadPresentScriptValue(file, section, key, out.data(), static_cast<DWORD>(N));
}

// The value's leading decimal number; a missing key or an empty value gives `fallback`,
// text that does not start with a digit gives 0.
UINT ReadScriptNumber(const char* file, const char* section, const char* key, int fallback);

// 1 when the value's number is not zero, 0 when it is; a missing key or an empty
// value gives `fallback`.
int ReadScriptFlag(const char* file, const char* section, const char* key, int fallback);

// A key list: the key names of one section, each NUL-terminated, ended by an empty
// name.
struct SectionKeys {
    char* Names;
};

// Reads the whole key list of `section` (a missing section gives an empty list). 1
// with `out` owning a heap block; 0 when no memory was left, with nothing to free.
int ReadSectionKeys(const char* file, const char* section, SectionKeys* out);
// The same with the section's lines as GetPrivateProfileSectionA gives them: "name=value"
// or a name alone, comments left out.
int ReadSectionLines(const char* file, const char* section, SectionKeys* out);
// Frees the list's block and leaves it empty; an empty list is left as it is.
void FreeSectionKeys(SectionKeys* keys);
// The name after `name` in a key list: an empty name when `name` was the last.
inline const char* NextKeyName(const char* name) {
    return name + TextLength(name) + 1;
}
