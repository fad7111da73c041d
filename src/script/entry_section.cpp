#include "script/entry_section.h"

#include "script/profile_rules.h"
#include "script/script_reader.h"

namespace {
// One key out of the block, by the rules GetPrivateProfileStringA applies to the file.
DWORD TakeFromBlock(const EntrySection& section, const char* key, const char* fallback, char* out, DWORD capacity) {
    return ReadSectionString(std::string_view(section.Block, section.Length), key, fallback, out, capacity);
}
}  // namespace

void ReadEntrySection(const char* script, const char* name, EntrySection& section) {
    section.Script = script;
    section.Name = name;
    DWORD got = GetPrivateProfileSectionA(name, section.Block, kEntrySectionBytes, script);
    // A block cut to fit comes back as size-2; one that only just fits looks the same,
    // so both are read key by key. So is an empty block: a missing section and a read
    // that failed look the same, and only the keys themselves can tell them apart.
    section.Whole = got > 0 && got < kEntrySectionBytes - 2;
    section.Length = got < kEntrySectionBytes ? got : 0;
    section.Read = 1;
}

void UseEntryKeysOneByOne(const char* script, const char* name, EntrySection& section) {
    section.Script = script;
    section.Name = name;
    section.Length = 0;
    section.Whole = 0;
    section.Read = 0;
}

void TakeEntryText(const EntrySection& section, const char* key, const char* defaultValue, PathText& out) {
    if (!section.Whole) {
        ReadScriptText(section.Script, section.Name, key, out, defaultValue);
        return;
    }
    TakeFromBlock(section, key, defaultValue, out.data(), PathText::Capacity);
}

namespace {
// Whether the block read holds the key, with its value in `out`.
int BlockHoldsKey(const EntrySection& section, const char* key, PathText& out) {
    if (TakeFromBlock(section, key, "", out.data(), PathText::Capacity) > 0) return 1;
    // "Key=" gives "" whatever the fallback; only a missing key gives the fallback.
    char probe[2];
    return TakeFromBlock(section, key, "?", probe, sizeof probe) == 0 ? 1 : 0;
}
}  // namespace

int TakeEntryPresentText(const EntrySection& section, const char* key, PathText& out) {
    if (!section.Whole) return ReadPresentScriptText(section.Script, section.Name, key, out);
    return BlockHoldsKey(section, key, out);
}

int TakeEntryFlag(const EntrySection& section, const char* key, int fallback) {
    // The block says whether the key is there; its number is the profile function's
    // to read, so only a section that holds the key costs a call.
    PathText value;
    if (section.Read && !BlockHoldsKey(section, key, value)) return fallback;
    return ReadScriptFlag(section.Script, section.Name, key, fallback);
}
