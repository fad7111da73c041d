// How the profile (INI) functions behave, as rows: the file before the call, the call,
// and what it returns, leaves in the buffer and leaves in the file. Plain C++ with no
// test framework and no fake machine, so that the same rows can be run against the
// fake and against the real functions.
//
// Running a row: write `fileText` (none when null) as the profile file, fill a buffer
// of `size` bytes (plus guard bytes) with '*', make the call on that file by full
// path, then compare the result, the first expectedBuffer.size() bytes of the buffer
// (NULs included), and for writes the whole file text.
//
// A cut key or section list is expected to end with two NULs (at size-2 and size-1),
// as Windows documents it. Wine 8.0 agrees with every other row but writes only the
// NUL at size-2 and leaves the last byte as it was, so a caller must not walk a list
// that came back cut (the call returned size-2).
#pragma once

#include <string_view>

namespace profile_cases {

using namespace std::string_view_literals;

enum class Call { GetString, GetInt, GetSection, Write };

struct Case {
    const char* name;      // the behaviour the row shows
    const char* fileText;  // the file before the call; nullptr: no file
    Call call;
    const char* section;  // nullptr allowed
    const char* key;      // nullptr allowed
    const char* text;     // GetString: the default; Write: the value (nullptr deletes)
    int intDefault;       // GetInt: the default
    unsigned size;        // GetString, GetSection: the buffer size passed
    unsigned long expectedResult;
    std::string_view expectedBuffer;  // GetString, GetSection: leading bytes of the buffer
    const char* expectedFile;         // Write: the file after the call; nullptr: no file
};

constexpr Case GetString(const char* name, const char* file, const char* section, const char* key, const char* def,
                         unsigned size, unsigned long result, std::string_view buffer) {
    return Case{name, file, Call::GetString, section, key, def, 0, size, result, buffer, nullptr};
}

constexpr Case GetInt(const char* name, const char* file, const char* section, const char* key, int def,
                      unsigned long result) {
    return Case{name, file, Call::GetInt, section, key, nullptr, def, 0, result, {}, nullptr};
}

constexpr Case GetSection(const char* name, const char* file, const char* section, unsigned size, unsigned long result,
                          std::string_view buffer) {
    return Case{name, file, Call::GetSection, section, nullptr, nullptr, 0, size, result, buffer, nullptr};
}

constexpr Case Write(const char* name, const char* file, const char* section, const char* key, const char* value,
                     unsigned long result, const char* fileAfter) {
    return Case{name, file, Call::Write, section, key, value, 0, 0, result, {}, fileAfter};
}

inline constexpr Case kCases[] = {
    // Finding a value.
    GetString("value of a key", "[SETUP]\r\nProduct=Sample Viewer\r\n", "SETUP", "Product", "product", 260, 13,
              "Sample Viewer\0"sv),
    GetString("section and key names ignore case", "[Setup]\r\nPRODUCT=Sample\r\n", "sETUP", "product", "x", 260, 6,
              "Sample\0"sv),
    GetString("first of two equal keys wins", "[S]\r\nKey=one\r\nKEY=two\r\n", "S", "key", "x", 260, 3, "one\0"sv),
    GetString("only the first of two equal sections is searched", "[S]\r\nA=1\r\n[s]\r\nB=2\r\n", "S", "B", "none", 260,
              4, "none\0"sv),
    GetString("blanks around key name and value are trimmed", "[S]\r\n  Key \t=   spaced  value \t \r\n", "S", "Key",
              "x", 260, 13, "spaced  value\0"sv),
    GetString("blanks inside the brackets are trimmed", "[ S ]\r\nK=v\r\n", "S", "K", "x", 260, 1, "v\0"sv),
    GetString("matching double quotes are stripped", "[S]\r\nK=\"quoted value\"\r\n", "S", "K", "x", 260, 12,
              "quoted value\0"sv),
    GetString("matching single quotes are stripped", "[S]\r\nK='quoted'\r\n", "S", "K", "x", 260, 6, "quoted\0"sv),
    GetString("unmatched quotes are kept", "[S]\r\nK=\"open'\r\n", "S", "K", "x", 260, 6, "\"open'\0"sv),
    GetString("a semicolon inside a value is kept", "[S]\r\nK=a;b ; c\r\n", "S", "K", "x", 260, 7, "a;b ; c\0"sv),
    GetString("a comment line is no key", "[S]\r\n;K=commented\r\nK=real\r\n", "S", "K", "x", 260, 4, "real\0"sv),
    GetString("a commented-out key gives the default", "[S]\r\n; K=commented\r\n", "S", "K", "dflt", 260, 4,
              "dflt\0"sv),
    GetString("an empty value is returned, not the default", "[S]\r\nK=\r\n", "S", "K", "dflt", 260, 0, "\0"sv),
    // A line "=" is a key with an empty name: an empty key name finds it, a key list
    // leaves it out, a section block shows it.
    GetString("an empty key name finds the line '='", "[S]\r\n=\r\n", "S", "", "dflt", 260, 0, "\0"sv),
    GetString("an empty key name finds the value of '=v'", "[S]\r\n=v\r\n", "S", "", "dflt", 260, 1, "v\0"sv),
    GetString("a missing key gives the default", "[S]\r\nOther=1\r\n", "S", "K", "dflt", 260, 4, "dflt\0"sv),
    GetString("a missing section gives the default", "[T]\r\nK=1\r\n", "S", "K", "dflt", 260, 4, "dflt\0"sv),
    GetString("a missing file gives the default", nullptr, "S", "K", "dflt", 260, 4, "dflt\0"sv),
    GetString("the default loses its trailing blanks", "[S]\r\n", "S", "K", "dflt  ", 260, 4, "dflt\0"sv),
    GetString("a key line without '=' gives the default", "[S]\r\nK\r\n", "S", "K", "dflt", 260, 4, "dflt\0"sv),
    // A whole section comes back with such a line in it: it must hide the key after it
    // there as it does in the file.
    GetString("a key line without '=' hides a later key of that name", "[S]\r\nK\r\nK=later\r\n", "S", "K", "dflt", 260,
              4, "dflt\0"sv),
    // In a whole section the value is split from its name at the first '=' too.
    GetString("a value may hold '='", "[S]\r\nK = a=b \r\n", "S", "K", "x", 260, 3, "a=b\0"sv),
    GetString("lines before the first section belong to no section", "K=top\r\n[S]\r\nK=inner\r\n", "S", "K", "x", 260,
              5, "inner\0"sv),
    GetString("LF-only line ends are read", "[S]\nA=1\nK=lf\n", "S", "K", "x", 260, 2, "lf\0"sv),
    GetString("a long value is cut to size-1 characters", "[S]\r\nK=abcdefgh\r\n", "S", "K", "x", 4, 3, "abc\0"sv),
    GetString("a value that just fits is whole", "[S]\r\nK=abc\r\n", "S", "K", "x", 4, 3, "abc\0"sv),
    GetString("a long default is cut too", "[S]\r\n", "S", "K", "defaultvalue", 5, 4, "defa\0"sv),

    // Key lists (no key name).
    GetString("key list in file order", "[L]\r\nb.dll=\r\na.exe=x\r\nc.txt=1\r\n", "L", nullptr, "", 1024, 18,
              "b.dll\0a.exe\0c.txt\0\0"sv),
    GetString("key list skips comments and lines without '='", "[L]\r\n;note=1\r\nb.dll=\r\nplain\r\na.exe=\r\n", "l",
              nullptr, "", 1024, 12, "b.dll\0a.exe\0\0"sv),
    GetString("key list of the first of two equal sections", "[L]\r\na=\r\n[L]\r\nb=\r\n", "L", nullptr, "", 1024, 2,
              "a\0\0"sv),
    GetString("key list of a missing section is empty", "[M]\r\na=\r\n", "L", nullptr, "", 1024, 0, "\0"sv),
    GetString("cut key list returns size-2 and ends with two NULs", "[L]\r\nalpha=\r\nbeta=\r\n", "L", nullptr, "", 9,
              7, "alpha\0b\0\0"sv),
    GetString("cut key list may drop a whole name", "[L]\r\nabc=\r\nde=\r\n", "L", nullptr, "", 6, 4, "abc\0\0\0"sv),
    GetString("key list with room to spare is whole", "[L]\r\na=\r\nb=\r\n", "L", nullptr, "", 6, 4, "a\0b\0\0"sv),

    // Section lists (no section name).
    GetString("section list in file order", "[A]\r\nx=1\r\n[B]\r\n[C]\r\ny=2\r\n", nullptr, nullptr, "", 1024, 6,
              "A\0B\0C\0\0"sv),
    GetString("cut section list returns size-2 and ends with two NULs", "[Alpha]\r\n[Beta]\r\n", nullptr, nullptr, "",
              8, 6, "Alpha\0\0\0"sv),
    GetString("section list of a missing file is empty", nullptr, nullptr, nullptr, "", 1024, 0, "\0"sv),

    // Integers.
    GetInt("integer value", "[S]\r\nN=42\r\n", "S", "N", 7, 42),
    GetInt("integer from the leading digits", "[S]\r\nN=12abc\r\n", "S", "N", 7, 12),
    GetInt("text that does not start with digits gives 0", "[S]\r\nN=abc\r\n", "S", "N", 7, 0),
    GetInt("a missing integer key gives the default", "[S]\r\nM=1\r\n", "S", "N", 7, 7),
    GetInt("an integer from a missing file is the default", nullptr, "S", "N", 7, 7),
    GetInt("an empty integer value gives the default", "[S]\r\nN=\r\n", "S", "N", 7, 7),
    GetInt("a negative number", "[S]\r\nN=-5\r\n", "S", "N", 7, 0xFFFFFFFBul),
    GetInt("blanks around the number are trimmed", "[S]\r\nN =  4 \r\n", "S", "N", 7, 4),

    // Whole sections (GetPrivateProfileSectionA): the lines as name=value, for reading
    // several keys of one section at once.
    GetSection("section lines in file order, blanks trimmed, quotes kept",
               "[S]\r\n A = 1 \r\nplain\r\nB=\"q\"\r\n[T]\r\nC=2\r\n", "s", 1024, 16, "A=1\0plain\0B=\"q\"\0\0"sv),
    GetSection("a section of the first of two equal sections", "[S]\r\na=1\r\n[s]\r\nb=2\r\n", "S", 1024, 4,
               "a=1\0\0"sv),
    GetSection("a line '=' is in the block", "[S]\r\n=\r\n", "S", 1024, 2, "=\0\0"sv),
    GetSection("a missing section is an empty block", "[T]\r\na=1\r\n", "S", 1024, 0, "\0"sv),
    GetSection("a cut section returns size-2", "[S]\r\nalpha=1\r\nbeta=2\r\n", "S", 10, 8, "alpha=1\0\0"sv),

    // Writing.
    Write("a write creates a missing file", nullptr, "UNINST", "Product", "Sample", 1,
          "[UNINST]\r\nProduct=Sample\r\n"),
    Write("a new key goes to the end of its section", "[A]\r\nx=1\r\n[B]\r\ny=2\r\n", "A", "z", "3", 1,
          "[A]\r\nx=1\r\nz=3\r\n[B]\r\ny=2\r\n"),
    Write("a new section goes to the end of the file", "[A]\r\nx=1\r\n", "C", "k", "v", 1,
          "[A]\r\nx=1\r\n[C]\r\nk=v\r\n"),
    Write("an existing key gets the new value in its place", "[A]\r\nKey=old\r\nother=1\r\n", "a", "KEY", "new", 1,
          "[A]\r\nKey=new\r\nother=1\r\n"),
    Write("an empty value writes key=", "[A]\r\nx=1\r\n", "A", "k", "", 1, "[A]\r\nx=1\r\nk=\r\n"),
    Write("no value deletes the key", "[A]\r\nx=1\r\ny=2\r\n", "A", "x", nullptr, 1, "[A]\r\ny=2\r\n"),
    Write("no key deletes the section", "[A]\r\nx=1\r\n[B]\r\ny=2\r\n", "A", nullptr, nullptr, 1, "[B]\r\ny=2\r\n"),
    Write("the file is rewritten with CRLF and key=value", "[A]\nx = 1\n\n[B]\ny  =  2\n", "B", "z", "3", 1,
          "[A]\r\nx=1\r\n[B]\r\ny=2\r\nz=3\r\n"),
    Write("comments stay in the rewritten file", "[A]\r\n; note\r\nx=1\r\n", "A", "y", "2", 1,
          "[A]\r\n; note\r\nx=1\r\ny=2\r\n"),
    Write("writing the value a key has leaves the file as it is", "[A]\n x = 1 \n", "A", "x", "1", 1, "[A]\n x = 1 \n"),
    Write("deleting a missing key creates no file", nullptr, "A", "x", nullptr, 1, nullptr),
    // Writing names with an empty value, as the uninstall log does.
    Write("a name given again in other case is not added", "[A]\r\nC:\\APP\\X.DLL=\r\n", "A", "c:\\app\\x.dll", "",
          1, "[A]\r\nC:\\APP\\X.DLL=\r\n"),
    Write("an empty value replaces a value", "[A]\r\nk=old\r\n", "A", "k", "", 1, "[A]\r\nk=\r\n"),
    Write("a name standing without '=' gets one", "[A]\r\nx\r\n", "A", "x", "", 1, "[A]\r\nx=\r\n"),
    Write("a new name goes into the first of two sections of a name", "[A]\r\nx=\r\n[B]\r\n[A]\r\ny=\r\n", "A", "z",
          "", 1, "[A]\r\nx=\r\nz=\r\n[B]\r\n[A]\r\ny=\r\n"),
    Write("a name with '=' is written whole", "[A]\r\n", "A", "a=b.dat", "", 1, "[A]\r\na=b.dat=\r\n"),
    Write("a value with '%' and ';' is written as it is", "[rename]\r\n", "rename", "C:\\APP\\A.DLL",
          "C:\\APP\\A.DL~;100%", 1, "[rename]\r\nC:\\APP\\A.DLL=C:\\APP\\A.DL~;100%\r\n"),
};

}  // namespace profile_cases
