#include "actions/environment.h"

#include "script/macros.h"
#include "script/script_names.h"
#include "setup/setup_context.h"

namespace {

using DataFromText = FixedText<40>;
using RootKeyText = FixedText<80>;
using RegistryPathText = FixedText<256>;
using IniNameText = FixedText<80>;

// Reads a script value and expands it; 0 when nothing is left.
template <size_t N>
int ReadExpandedScriptText(const char* section, const char* key, FixedText<N>& out) {
    ReadScriptText(g_Setup.INFFILE.c_str(), section, key, out);
    if (out.empty()) return 0;
    ExpandMacros(out);
    return out.empty() ? 0 : 1;
}

// The source code of a variable section: 0 when DataFrom is missing or unknown.
int ReadDataFrom(const char* section) {
    DataFromText source;
    ReadScriptText(g_Setup.INFFILE.c_str(), section, ScriptName::DataFrom, source);
    if (source.empty()) return DataFromNone;
    for (const DataFromRow* row = DataFromTable; row->Name != nullptr; ++row)
        if (EqualsIgnoreCase(row->Name, source.view())) return row->Code;
    return DataFromNone;
}

// Each source reader empties `value` first; 1 with the value filled, or 0 with it
// left empty.
int ReadRegistryValue(const char* section, PathText& value) {
    value.Clear();
    // Registry names are used as written: no macros.
    RegistryPathText valueName, subkey;
    RootKeyText rootName;
    ReadScriptText(g_Setup.INFFILE.c_str(), section, ScriptName::RegistryEndKey, valueName);
    ReadScriptText(g_Setup.INFFILE.c_str(), section, ScriptName::RegistryMidKey, subkey);
    ReadScriptText(g_Setup.INFFILE.c_str(), section, ScriptName::RegistryRootKey, rootName);
    // An incomplete or misspelt source is the script's own business; only a lookup
    // that finds nothing on this machine stops the main file phase.
    if (valueName.empty() || subkey.empty() || rootName.empty()) return 0;
    HKEY root = LookupRootKey(rootName.view());
    if (root == nullptr) return 0;

    if (ReadRegistryKeyText(root, subkey.c_str(), valueName.c_str(), value) == RegistryTextMissing) {
        g_Setup.RegistryValueMissing = 1;
        return 0;
    }
    return value.empty() ? 0 : 1;
}

int ReadEnvironmentValue(const char* section, PathText& value) {
    value.Clear();
    return ReadExpandedScriptText(section, ScriptName::EnvironmentValue, value);
}

int ReadIniFileValue(const char* section, PathText& value) {
    value.Clear();
    PathText file;
    IniNameText fileSection, fileKey;
    if (!ReadExpandedScriptText(section, ScriptName::INIFile, file)) return 0;
    if (!ReadExpandedScriptText(section, ScriptName::INIFileSect, fileSection)) return 0;
    if (!ReadExpandedScriptText(section, ScriptName::INIFileKey, fileKey)) return 0;
    // A bare file name is found in the Windows directory by the profile functions.
    ReadScriptText(file.c_str(), fileSection.c_str(), fileKey.c_str(), value);
    if (value.empty()) return 0;
    ExpandMacros(value);
    return value.empty() ? 0 : 1;
}

// Sets the variable, or removes it when `value` is empty. 0 when no memory was left
// for its string; the variable is then left as it was.
int PutEnvironmentVariable(const char* name, const char* value) {
    size_t nameLength = TextLength(name);
    size_t valueLength = TextLength(value);
    size_t bytes = nameLength + 1 + valueLength + 1;
    HANDLE heap = GetProcessHeap();
    char* entry = static_cast<char*>(HeapAlloc(heap, 0, bytes));
    if (entry == nullptr) return 0;
    CopyBounded(entry, bytes, std::string_view(name, nameLength));
    AppendBounded(entry, bytes, "=");
    AppendBounded(entry, bytes, std::string_view(value, valueLength));
    // The process environment takes a copy, which both later lookups and the programs
    // started later see; an empty value removes the variable.
    const char* newValue = entry + nameLength + 1;
    SetEnvironmentVariableA(name, valueLength != 0 ? newValue : nullptr);
    HeapFree(heap, 0, entry);
    return 1;
}

}  // namespace

int RunEnvironmentPhase() {
    SectionKeys keys = {nullptr};
    if (!ReadSectionKeys(g_Setup.INFFILE.c_str(), ScriptName::SetEnv, &keys)) return 1;
    PathText value;
    for (const char* name = keys.Names; *name != '\0'; name = NextKeyName(name)) {
        value.Clear();
        switch (ReadDataFrom(name)) {
            case DataFromRegistry: ReadRegistryValue(name, value); break;
            case DataFromEnvironment: ReadEnvironmentValue(name, value); break;
            case DataFromIniFile: ReadIniFileValue(name, value); break;
            default: break;
        }
        // A full 259-character value stays as it is: there is no room for the backslash.
        if (!value.empty() && ReadScriptFlag(g_Setup.INFFILE.c_str(), name, ScriptName::EndWithBackslash, 0))
            AppendBackslash(value);
        PutEnvironmentVariable(name, value.c_str());
    }
    FreeSectionKeys(&keys);
    return 1;
}
