#include "actions/entry_list.h"

#include "script/macros.h"
#include "script/script_names.h"
#include "setup/setup_context.h"
#include "ui/progress_window.h"

int RunEntryList(const char* listSection, EntryRunner runEntry, const void* context, int showProgress) {
    SectionKeys keys{nullptr};
    // Without the list nothing of the phase was done: that must not be reported as
    // a finished installation.
    if (!ReadSectionKeys(g_Setup.INFFILE.c_str(), listSection, &keys)) return 0;
    if (showProgress) CreateProgressWindow();
    int result = 1;
    for (const char* name = keys.Names; *name != '\0'; name = NextKeyName(name)) {
        if (!runEntry(name, context)) {
            result = 0;
            break;
        }
    }
    if (showProgress) DestroyProgressWindow();
    FreeSectionKeys(&keys);
    return result;
}

void ReadEntryTarget(const char* section, const PathText* directory) {
    const char* script = g_Setup.INFFILE.c_str();
    ReadScriptText(script, section, ScriptName::TargetFilename, g_Setup.TARGETFILE, section);
    if (directory != nullptr) {
        g_Setup.TARGETDIR = *directory;
        return;
    }
    // Without TargetDir the entry keeps the directory of the entry before, as it is:
    // it was expanded once already, and a second expansion would change it
    // (C:\100%\ would become C:\100\).
    PathText read;
    if (!ReadPresentScriptText(script, section, ScriptName::TargetDir, read)) return;
    ExpandMacros(read);
    g_Setup.TARGETDIR = read;
}
