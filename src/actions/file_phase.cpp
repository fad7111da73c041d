// The file phase: every file section of the list, in list order.
#include "actions/entry_list.h"
#include "actions/file_install.h"
#include "actions/plugin_hosts.h"
#include "script/script_names.h"
#include "setup/setup_context.h"
#include "ui/messages.h"
#include "ui/progress_window.h"

namespace {
void ReadScriptString(const char* section, const char* key, const char* defaultValue, PathText& out) {
    out.Clear();
    GetPrivateProfileStringA(section, key, defaultValue, out.data(), PathText::Capacity, g_Setup.INFFILE.c_str());
    out.text[PathText::Capacity - 1] = '\0';
}

// In a host run the plug-in file goes into the host's plug-in directory, taken as it
// is: no TargetDir, no macros.
bool IsPluginFileOfHost(const char* section, const PluginHost* host) {
    if (host == nullptr) return false;
    PathText pluginFile;
    ReadScriptString(ScriptName::PluginFileSection, ScriptName::PluginFileName, ScriptName::PluginFileDefault,
                     pluginFile);
    return EqualsIgnoreCase(pluginFile.view(), section);
}

void ChooseTargetDir(const char* section, const PluginHost* host) {
    if (IsPluginFileOfHost(section, host)) {
        g_Setup.TARGETDIR = host->PluginDir;
        return;
    }
    // Without TargetDir the entry keeps the directory of the entry before it.
    ReadEntryTargetDir(section);
}
}  // namespace

int InstallFileEntry(const char* section, const PluginHost* host) {
    UINT required = GetPrivateProfileIntA(section, ScriptName::RequiredCopy, 1, g_Setup.INFFILE.c_str());
    ReadScriptString(section, ScriptName::SourceFilename, section, g_Setup.SRCFILE);
    ReadScriptString(section, ScriptName::TargetFilename, section, g_Setup.TARGETFILE);
    ChooseTargetDir(section, host);

    ShowProgressFile();
    if (InstallCurrentFile()) return 1;

    // The copy-error box has told the user; an optional file needs no second box.
    if (required == 0) return 1;
    MessageText caption;
    LoadCatalogueText(IDS_CAPTION_FILE_COPY_FAILED, caption);
    ShowMessageBox(g_Setup.TARGETFILE.c_str(), caption.c_str(), MB_OK);
    return 0;
}

int RunFilePhase(const char* listSection, const PluginHost* host) {
    SectionKeys keys{nullptr};
    if (!ReadSectionKeys(g_Setup.INFFILE.c_str(), listSection, &keys)) return 0;
    CreateProgressWindow();
    int reachedEnd = 1;
    for (const char* name = keys.Names; *name != '\0'; name += TextLength(name) + 1) {
        if (!InstallFileEntry(name, host)) {
            reachedEnd = 0;
            break;
        }
    }
    DestroyProgressWindow();
    FreeSectionKeys(&keys);
    return reachedEnd;
}
