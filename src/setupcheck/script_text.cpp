#include "setupcheck/script_text.h"

#include "platform/fixed_text.h"

void LoadScriptText(ScriptText& script, std::string text) {
    script.Text = std::move(text);
    script.AllLines.clear();
    script.Sections.clear();
    ProfileCursor cursor;
    StartProfileLines(cursor, script.Text);
    ProfileLine line;
    while (ReadNextProfileLine(cursor, line)) {
        script.AllLines.push_back(line);
        if (!line.Held) continue;
        if (line.Kind == ProfileSectionLine) {
            bool first = !line.Name.empty() && FindScriptSection(script, line.Name) == nullptr;
            script.Sections.push_back({std::string(line.Name), line.Number, {}, first});
        } else if (!script.Sections.empty()) {
            script.Sections.back().Lines.push_back(line);
        }
    }
}

const ScriptSection* FindScriptSection(const ScriptText& script, std::string_view name) {
    std::string_view wanted = TrimProfileBlanks(name);
    for (const ScriptSection& section : script.Sections)
        if (!section.Name.empty() && EqualsIgnoreCase(section.Name, wanted)) return &section;
    return nullptr;
}

const ProfileLine* FindScriptKey(const ScriptSection* section, std::string_view key) {
    if (section == nullptr) return nullptr;
    std::string_view wanted = TrimProfileBlanks(key);
    for (const ProfileLine& line : section->Lines)
        if (EqualsIgnoreCase(line.Name, wanted)) return &line;
    return nullptr;
}

std::string ReadScriptValue(const ScriptText& script, const std::string& section, const char* key,
                            const std::string& fallback, size_t limit) {
    std::string_view text = script.Text;
    std::vector<char> buffer(limit + 1);
    unsigned n = ReadProfileString(&text, section.c_str(), key, fallback.c_str(), buffer.data(),
                                   static_cast<unsigned>(buffer.size()));
    return std::string(buffer.data(), n);
}

unsigned ReadScriptNumber(const ScriptText& script, const std::string& section, const char* key, int fallback) {
    std::string_view text = script.Text;
    return ReadProfileInt(&text, section.c_str(), key, fallback);
}

std::vector<const ProfileLine*> ReadListEntries(const ScriptSection* list) {
    std::vector<const ProfileLine*> entries;
    if (list == nullptr) return entries;
    for (const ProfileLine& line : list->Lines)
        if (line.Kind == ProfileKeyLine && !line.Name.empty() && !IsProfileComment(line)) entries.push_back(&line);
    return entries;
}
