// One entry's section of the script, read with one profile call instead of one call
// per key. The profile functions open and parse the script again on every call, so an
// entry whose texts come out of one block costs one parse instead of three.
//
// The keys are taken out of the block by exactly the rules the profile functions
// apply to the file (script/profile_rules.h). A section too large for the block, and
// one that came back empty, is read key by key.
#pragma once

#include "platform/fixed_text.h"
#include "platform/platform.h"

// Room for a file entry's keys at their limits (four of 259 characters and their
// names) and some more; a larger section is read key by key.
constexpr unsigned kEntrySectionBytes = 2048;

struct EntrySection {
    const char* Script;  // the script's path
    const char* Name;    // the section's name
    unsigned Length;     // bytes of Block that the read gave, the final NUL excluded
    int Whole;           // 1: Block holds the whole section; 0: keys are read one by one
    int Read;            // 1: Block holds what the read gave: all, its start, or nothing
    char Block[kEntrySectionBytes];
};

// Reads section `name` of `script` into `section`, which keeps both pointers.
void ReadEntrySection(const char* script, const char* name, EntrySection& section);
// Prepares `section` for reading its keys one by one, without a section read.
void UseEntryKeysOneByOne(const char* script, const char* name, EntrySection& section);
// The value of one key of the section into `out`, always terminated, cut to its
// capacity; a missing key gives `defaultValue`, which must not be out's own text.
void TakeEntryText(const EntrySection& section, const char* key, const char* defaultValue, PathText& out);
// Like TakeEntryText, and says whether the key is there at all: 1 with its value
// (which may be empty, "Key="), 0 with `out` empty when the key or section is missing.
int TakeEntryPresentText(const EntrySection& section, const char* key, PathText& out);
// A key's number as ReadScriptFlag reads it: 1 when it is not zero. A key that the
// block read does not show gives `fallback` without a read of its own, so that a
// script without the key makes no call for it: a missing section (or a read that
// failed) has no keys, and of a section too large for the block only the keys in
// its first kEntrySectionBytes are seen.
int TakeEntryFlag(const EntrySection& section, const char* key, int fallback);
