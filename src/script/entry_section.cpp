#include "script/entry_section.h"

#include "script/profile_rules.h"

void ReadEntrySection(const char* script, const char* name, EntrySection& section) {
    section.Script = script;
    section.Name = name;
    DWORD got = GetPrivateProfileSectionA(name, section.Block, kEntrySectionBytes, script);
    // A block cut to fit comes back as size-2; one that only just fits looks the same,
    // so both are read key by key. So is an empty block: a missing section and a read
    // that failed look the same, and only the keys themselves can tell them apart.
    section.Whole = got > 0 && got < kEntrySectionBytes - 2;
    section.Length = section.Whole ? got : 0;
}

void UseEntryKeysOneByOne(const char* script, const char* name, EntrySection& section) {
    section.Script = script;
    section.Name = name;
    section.Length = 0;
    section.Whole = 0;
}

void TakeEntryText(const EntrySection& section, const char* key, const char* defaultValue, PathText& out) {
    out.Clear();
    if (section.Whole)
        ReadSectionString(std::string_view(section.Block, section.Length), key, defaultValue, out.data(),
                          PathText::Capacity);
    else
        GetPrivateProfileStringA(section.Name, key, defaultValue, out.data(), PathText::Capacity, section.Script);
    out.text[PathText::Capacity - 1] = '\0';
}
