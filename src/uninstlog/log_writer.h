// Adding entries to the uninstall log in time proportional to the entries.
//
// The profile functions rewrite the whole file on every write, so a log written key
// by key costs the square of its entries. The phases fill their sections one after
// the other, so the log grows at its end: while the section being written is the
// file's last one, the writer appends the line there directly, which is what
// WritePrivateProfileStringA writes too. The first new entry of a run, and the first
// of a new section, still go through the profile function, which on the systems that
// rewrite the file puts it into their own form; a name that is not plain (blanks around it, '=', '[' or ';'
// first, other than printable ASCII, whose case only the code page knows) and an
// entry for an earlier section go through it always. The section's names are kept in
// memory to tell duplicates apart without case. Each entry is on disk when the call
// returns, as with the profile function.
#pragma once

// Forgets what the writer knows of the log; the next entry reads the file again.
void ResetLogWriter();

// What became of an entry given to AddLogKey. Only a plain name is compared by the
// writer itself; any other is given to the profile function whether it is there or
// not, and counts as written when that succeeds.
enum LogKeyResult { LogKeyNotWritten = 0, LogKeyWritten = 1, LogKeyAlreadyThere = 2 };

// Adds `key=` to the section of the log at `path` unless the section holds the key
// already.
int AddLogKey(const char* path, const char* section, const char* key);
// Whether the section holds the line `key=` (compared without regard to ASCII case),
// from the lines the writer keeps: asked just before an AddLogKey of the same
// section, it reads nothing the entry would not read anyway. Each line is compared,
// so it is for short sections.
bool HasLogKey(const char* path, const char* section, const char* key);
