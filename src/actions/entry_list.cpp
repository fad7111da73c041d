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
    for (const char* name = keys.Names; *name != '\0'; name = NextKeyName(name)) {
        if (!runEntry(name)) {
            result = 0;
            break;
        }
    }
    FreeSectionKeys(&keys);
    return result;
}

void ReadEntryTarget(const char* section) {
    const char* script = g_Setup.INFFILE.c_str();
    ReadScriptText(script, section, ScriptName::TargetFilename, g_Setup.TARGETFILE, section);
    // Read into a buffer of its own: the default is the TARGETDIR text itself.
    PathText directory;
    ReadScriptText(script, section, ScriptName::TargetDir, directory, g_Setup.TARGETDIR.c_str());
    ExpandMacros(directory);
    g_Setup.TARGETDIR = directory;
}
