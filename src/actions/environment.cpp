#include "actions/environment.h"

#include "script/macros.h"
#include "script/script_names.h"
#include "setup/setup_context.h"
#include "ui/run_trace.h"

namespace {

using DataFromText = FixedText<40>;
using RootKeyText = FixedText<80>;
using RegistryPathText = FixedText<256>;
using IniNameText = FixedText<80>;

// The value of one variable. Not a path: it is as long as its expansion (up to
// kVariableValueChars), in a heap block of its own size with room for one more
// character (the backslash of EndWithBackslash). Empty when `Text` is null.
struct VariableValue {
    char* Text;
};

// What reading a variable's value came to.
enum ValueOutcome {
    ValueNone = 0,     // no value: the variable is removed
    ValueFound = 1,    // set the variable to it
    ValueRefused = 2,  // a path in the source did not fit, or memory ran out: the
                       // variable is left as it was
};

// Reads a script value and expands it into `value`'s own block.
int ReadExpandedValue(std::string_view text, VariableValue& value) {
    if (text.empty()) return ValueNone;
    if (!ExpandMacrosToBlock(text, kVariableValueChars, &value.Text)) return ValueRefused;
    return value.Text != nullptr ? ValueFound : ValueNone;
}

// A name or path of the other INI file, expanded in its own buffer: 0 when nothing is
// left, -1 when the expansion did not fit.
template <size_t N>
int ReadExpandedName(const char* section, const char* key, FixedText<N>& out) {
    ReadScriptText(g_Setup.INFFILE.c_str(), section, key, out);
    if (out.empty()) return 0;
    int whole = ExpandMacros(out);
    if (out.empty()) return 0;
    return whole ? 1 : -1;
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

// Reads the registry data a variable section names into `value`, emptied first; 1
// with the value filled, or 0 with it left empty.
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

// Frees the value's block, if it has one, and leaves it empty.
void FreeVariableValue(VariableValue& value) {
    if (value.Text != nullptr) HeapFree(GetProcessHeap(), 0, value.Text);
    value.Text = nullptr;
}

// Each source reader empties `value` first and fills it only with ValueFound.
int ReadEnvironmentValue(const char* section, VariableValue& value) {
    FreeVariableValue(value);
    PathText text;
    ReadScriptText(g_Setup.INFFILE.c_str(), section, ScriptName::EnvironmentValue, text);
    return ReadExpandedValue(text.view(), value);
}

int ReadIniFileValue(const char* section, VariableValue& value) {
    FreeVariableValue(value);
    PathText file;
    IniNameText fileSection, fileKey;
    // The file's path is refused, never cut, when its expansion does not fit: a cut
    // path names another file. The section and key names are cut to their buffers.
    int fileRead = ReadExpandedName(section, ScriptName::INIFile, file);
    if (fileRead < 0) return ValueRefused;
    if (fileRead == 0) return ValueNone;
    if (ReadExpandedName(section, ScriptName::INIFileSect, fileSection) == 0) return ValueNone;
    if (ReadExpandedName(section, ScriptName::INIFileKey, fileKey) == 0) return ValueNone;
    // A bare file name is found in the Windows directory by the profile functions.
    PathText text;
    ReadScriptText(file.c_str(), fileSection.c_str(), fileKey.c_str(), text);
    return ReadExpandedValue(text.view(), value);
}

// The registry's data, as read (never expanded), in a block of its own.
int ReadRegistryVariable(const char* section, VariableValue& value) {
    FreeVariableValue(value);
    PathText data;
    if (!ReadRegistryValue(section, data)) return ValueNone;
    size_t length = data.length();
    value.Text = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, length + 2));
    if (value.Text == nullptr) return ValueRefused;
    CopyBounded(value.Text, length + 2, data.view());
    return ValueFound;
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
    TraceEvent("set %s", entry);
    HeapFree(heap, 0, entry);
    return 1;
}

}  // namespace

int RunEnvironmentPhase() {
    SectionKeys keys = {nullptr};
    if (!ReadSectionKeys(g_Setup.INFFILE.c_str(), ScriptName::SetEnv, &keys)) return 1;
    for (const char* name = keys.Names; *name != '\0'; name = NextKeyName(name)) {
        VariableValue value = {nullptr};
        int outcome = ValueNone;
        switch (ReadDataFrom(name)) {
            case DataFromRegistry:
                outcome = ReadRegistryVariable(name, value);
                break;
            case DataFromEnvironment:
                outcome = ReadEnvironmentValue(name, value);
                break;
            case DataFromIniFile:
                outcome = ReadIniFileValue(name, value);
                break;
            default:
                break;
        }
        if (outcome == ValueRefused) {
            FreeVariableValue(value);
            continue;
        }
        // The block has room for the backslash; only a value at the variable limit
        // stays without it.
        if (value.Text != nullptr &&
            ReadScriptFlag(g_Setup.INFFILE.c_str(), name, ScriptName::EndWithBackslash, 0)) {
            size_t length = TextLength(value.Text);
            if (value.Text[length - 1] != '\\' && length < kVariableValueChars) {
                value.Text[length] = '\\';
                value.Text[length + 1] = '\0';
            }
        }
        PutEnvironmentVariable(name, value.Text != nullptr ? value.Text : "");
        FreeVariableValue(value);
    }
    FreeSectionKeys(&keys);
    return 1;
}
