// SETUP.INF as setupcheck sees it: every line with its number, grouped into sections,
// and the lookups SETUP.EXE's profile reads make (first section of a name, first key
// of a name in it), all by the product's own profile rules.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "script/profile_rules.h"

struct ScriptSection {
    std::string Name;
    unsigned HeaderLine;
    std::vector<ProfileLine> Lines;  // the held lines after the header, up to the next header
    bool First;                      // the first section of its name: the only one read
};

// Holds views into its own text: filled in place, never copied or moved.
struct ScriptText {
    ScriptText() = default;
    ScriptText(const ScriptText&) = delete;
    ScriptText& operator=(const ScriptText&) = delete;

    std::string Text;                   // the file's bytes; every view below points into it
    std::vector<ProfileLine> AllLines;  // every non-empty line, held or not
    std::vector<ScriptSection> Sections;
};

// Reads the script's text into lines and sections. The text is moved into the result.
void LoadScriptText(ScriptText& script, std::string text);
// The section SETUP.EXE reads for `name`, or nullptr.
const ScriptSection* FindScriptSection(const ScriptText& script, std::string_view name);
// The line SETUP.EXE finds for `key` in `section` (a name without '=' included), or
// nullptr.
const ProfileLine* FindScriptKey(const ScriptSection* section, std::string_view key);
// What GetPrivateProfileStringA gives SETUP.EXE for the key into a buffer of `limit`
// characters and a terminator: quotes stripped, cut to the limit, `fallback` when absent.
std::string ReadScriptValue(const ScriptText& script, const std::string& section, const char* key,
                            const std::string& fallback, size_t limit);
// What GetPrivateProfileIntA gives SETUP.EXE for the key.
unsigned ReadScriptNumber(const ScriptText& script, const std::string& section, const char* key, int fallback);
// The entry names of a list section, in file order, as the key-list read gives them.
std::vector<const ProfileLine*> ReadListEntries(const ScriptSection* list);
