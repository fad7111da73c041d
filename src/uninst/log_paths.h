// Which logged paths the remover may hand to a file function at all.
#pragma once

#include <string_view>

#include "platform/fixed_text.h"

enum class PathVerdict {
    Usable,      // a full local path X:\... naming a file
    TooLong,     // longer than a Windows path may be
    NotLocal,    // relative, UNC, another drive form, a stream, or a forward slash
    Wildcard,    // * ? and the other characters no file name holds
    ParentPart,  // "." or ".." parts, or a part Windows would trim (trailing dot or blank)
    DeviceName,  // CON, NUL, AUX, COM1 ... anywhere in the path
    Protected,   // a drive root, the Windows, system, Program Files or Common Files directory
};

// Part of a text, clamped to it (string_view::substr would throw, and the remover
// links no exception support).
constexpr std::string_view TextSlice(std::string_view text, size_t position, size_t count = std::string_view::npos) {
    if (position > text.size()) position = text.size();
    if (count > text.size() - position) count = text.size() - position;
    return std::string_view(text.data() + position, count);
}

PathVerdict ClassifyLogPath(std::string_view path);
// The entry as Windows reads it: '/' as '\\' and each run of backslashes as one, except
// the leading pair of a network path, so that "C:\\WINDOWS\\\\SAMPLE" is judged and
// compared as the directory it names. 0 when it does not fit.
int FoldLogPath(std::string_view entry, PathText& out);
// The one form every judgement is made on: folded, and each existing part in its long
// form (C:\PROGRA~1 is C:\Program Files). 0 when it does not fit.
int FormPathIdentity(std::string_view entry, PathText& out);
// A directory's path without its trailing backslash (a drive root keeps it).
std::string_view WithoutTrailingBackslash(std::string_view path);
// A directory that is never removed: a drive root, the Windows, the system, the
// Program Files or the Common Files directory (with or without a trailing backslash).
bool IsProtectedDirectory(std::string_view directory);
// Whether two directories are the same, with or without a trailing backslash.
bool IsSameDirectory(std::string_view a, std::string_view b);
// The directory part of a path, without its trailing backslash ("C:\A\B" -> "C:\A",
// "C:\A" -> "C:\"); empty when there is none.
std::string_view ParentDirectory(std::string_view path);
