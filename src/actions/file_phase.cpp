// The file phase: every file section of the list, in list order.
#include "actions/entry_list.h"
#include "actions/file_install.h"
#include "actions/plugin_hosts.h"
#include "script/script_names.h"
#include "setup/setup_context.h"
#include "ui/messages.h"
#include "ui/progress_window.h"

namespace {
// In a host run the plug-in file goes into the host's plug-in directory, taken as it
// is: no TargetDir, no macros.
const PathText* HostDirectoryFor(const char* section, const PluginHost* host) {
    if (host == nullptr) return nullptr;
    PathText pluginFile;
    ReadScriptText(g_Setup.INFFILE.c_str(), ScriptName::PluginFileSection, ScriptName::PluginFileName, pluginFile,
                   ScriptName::PluginFileDefault);
    return EqualsIgnoreCase(pluginFile.view(), section) ? &host->PluginDir : nullptr;
}

int InstallListedFile(const char* section, const void* host) {
    return InstallFileEntry(section, static_cast<const PluginHost*>(host));
}
}  // namespace

int InstallFileEntry(const char* section, const PluginHost* host) {
    const char* script = g_Setup.INFFILE.c_str();
    EntrySection entry;
    ReadEntrySection(script, section, entry);
    TakeEntryText(entry, ScriptName::SourceFilename, section, g_Setup.SRCFILE);
    TakeEntryTarget(entry, HostDirectoryFor(section, host));

    // From the block already read: a script without the key makes no call for it.
    int shared = TakeEntryFlag(entry, ScriptName::SharedFile, 0);

    ShowProgressFile();
    if (InstallCurrentFile(shared)) return 1;

    // The copy-error box has told the user; an optional file needs no second box.
    // Asked only of a file that failed, so it is one profile call of its own.
    if (ReadScriptFlag(script, section, ScriptName::RequiredCopy, 1) == 0) return 1;
    MessageText caption;
    LoadCatalogueText(IDS_CAPTION_FILE_COPY_FAILED, caption);
    ShowMessageBox(g_Setup.TARGETFILE.c_str(), caption.c_str(), MB_OK);
    return 0;
}

int RunFilePhase(const char* listSection, const PluginHost* host) {
    return RunEntryList(listSection, InstallListedFile, host, 1);
}
