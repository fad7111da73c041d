// Values of the registry, with the root names a script may use. Key paths and value
// names are used as written.
//
// Who closes what: a key that OpenRegistryKey returns is the caller's, closed with
// RegCloseKey. A text goes into the caller's PathText and is always terminated.
#pragma once

#include <string_view>

#include "platform/fixed_text.h"
#include "platform/platform.h"

// Registry root names a script may use, in lookup order; the last row has no name.
struct RootKeyRow {
    const char* Name;
    HKEY Key;
};
extern const RootKeyRow RootKeyTable[];

// The root key of a name from the table, without regard to case; nullptr for any
// other name.
HKEY LookupRootKey(std::string_view name);

// Opens root\path for `access`: the open key, or nullptr when it cannot be opened.
HKEY OpenRegistryKey(HKEY root, const char* path, REGSAM access);

// The path of a key below Software\Microsoft\Windows\CurrentVersion ("" for that key
// itself): the keys of Windows that the remover reads and writes, formed from one text.
void FormWindowsKeyPath(FixedText<256>& out, const char* subKey);

// The same, creating the key (and the keys above it) when it is missing.
HKEY CreateRegistryKey(HKEY root, const char* path, REGSAM access);

enum RegistryTextResult { RegistryTextMissing = 0, RegistryTextWhole = 1, RegistryTextCut = 2 };

// Reads a value's data as text, whatever its type: the text ends at the data's first
// NUL or at its size, since registry data need not be terminated. RegistryTextWhole;
// RegistryTextCut when the data filled `out` without a NUL (`out` keeps all but its
// last byte); RegistryTextMissing, with `out` empty, when the value is missing or its
// data is larger than `out`.
int ReadRegistryText(HKEY key, const char* name, PathText& out);

// The same for a value of the key root\path, opened for this one read and closed
// again; a key that cannot be opened gives RegistryTextMissing.
int ReadRegistryKeyText(HKEY root, const char* path, const char* name, PathText& out);

// Reads a REG_DWORD value: 1 with *out set, or 0 with *out left as it was when the
// value is missing or is not four bytes of type REG_DWORD.
int ReadRegistryNumber(HKEY key, const char* name, DWORD* out);

enum RegistryCountResult { RegistryCountMissing = 0, RegistryCountRead = 1, RegistryCountUnreadable = 2 };

// Reads a usage count as installers leave them: a REG_DWORD, a decimal REG_SZ of one
// to nine digits ("2"), or REG_BINARY of 1 to 4 bytes, least significant first.
// RegistryCountRead with *out set; RegistryCountMissing when there is no such value;
// RegistryCountUnreadable (*out left as it was) for a value that cannot be read or
// is no count of these forms.
int ReadRegistryCount(HKEY key, const char* name, DWORD* out);
// The count that a value's type and data say, in the same forms: RegistryCountRead
// with *out set, or RegistryCountUnreadable.
int ReadCountData(DWORD type, const BYTE* data, DWORD size, DWORD* out);
