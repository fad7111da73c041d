#include "actions/entry_list.h"

#include "script/macros.h"
#include "script/script_names.h"
#include "setup/setup_context.h"

int RunEntryList(const char* listSection, int (*runEntry)(const char* section)) {
    SectionKeys keys{nullptr};
    // Without the list nothing of the phase was done: that must not be reported as
    // a finished installation.
    if (!ReadSectionKeys(g_Setup.INFFILE.c_str(), listSection, &keys)) return 0;
    int result = 1;
    for (const char* name = keys.Names; *name != '\0'; name += TextLength(name) + 1) {
        if (!runEntry(name)) {
            result = 0;
            break;
        }
    }
    FreeSectionKeys(&keys);
    return result;
}

void ReadEntryTargetDir(const char* section) {
    const char* script = g_Setup.INFFILE.c_str();
    PathText directory;
    directory.Clear();
    GetPrivateProfileStringA(section, ScriptName::TargetDir, "", directory.data(), PathText::Capacity, script);
    if (directory.empty()) {
        // "TargetDir=" gives "" whatever the default; only a missing key gives the
        // default back.
        char probe[2] = "";
        GetPrivateProfileStringA(section, ScriptName::TargetDir, "?", probe, sizeof probe, script);
        if (probe[0] != '\0') return;
    }
    directory.text[PathText::Capacity - 1] = '\0';
    ExpandMacros(directory);
    g_Setup.TARGETDIR = directory;
}

void ReadEntryTarget(const char* section) {
    GetPrivateProfileStringA(section, ScriptName::TargetFilename, section, g_Setup.TARGETFILE.data(),
                             PathText::Capacity, g_Setup.INFFILE.c_str());
    ReadEntryTargetDir(section);
}
