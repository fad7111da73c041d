// Browser installations recorded in the registry: every one the user accepts gets
// the plug-in through one more run of the file phase.
#include "actions/plugin_hosts.h"

#include "actions/file_install.h"
#include "script/script_names.h"
#include "setup/setup_context.h"
#include "ui/messages.h"
#include "ui/run_trace.h"

namespace {

using RootKeyName = FixedText<80>;
using RegistryText = FixedText<256>;  // key paths and value names
using SubkeyText = FixedText<80>;
// IDS_PLUGIN_HOST_FOUND carries one directory of up to 259 characters.
using HostQuestionText = FixedText<520>;

// The registry names of a browser section, used as written: no macros.
struct HostKeyNames {
    RootKeyName Root;
    RegistryText Mid;
    RegistryText Mid2;
    RegistryText End;
    RegistryText InstallPath;
};

// Reads the names of `section` into `names`; a missing one is empty. The root key
// of its root name, or nullptr when that names no root.
HKEY ReadHostKeyNames(const char* section, HostKeyNames& names) {
    const char* script = g_Setup.INFFILE.c_str();
    ReadScriptText(script, section, ScriptName::RegistryRootKey, names.Root);
    ReadScriptText(script, section, ScriptName::RegistryMidKey, names.Mid);
    ReadScriptText(script, section, ScriptName::RegistryMid2Key, names.Mid2);
    ReadScriptText(script, section, ScriptName::RegistryEndKey, names.End);
    ReadScriptText(script, section, ScriptName::RegistryInstallPathKey, names.InstallPath);
    return LookupRootKey(names.Root.view());
}

// Reads a value's data as directory text into `out`. Data that fills the whole
// buffer without a terminator is refused, since a cut directory would name another
// directory.
int ReadDirectoryValue(HKEY key, const char* valueName, PathText& out) {
    if (ReadRegistryText(key, valueName, out) == RegistryTextWhole) return 1;
    out.Clear();
    return 0;
}

PluginHost* AllocateHostRecord() {
    return static_cast<PluginHost*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(PluginHost)));
}

void ReleaseHostRecord(PluginHost* host) {
    HeapFree(GetProcessHeap(), 0, host);
}

void ReleaseHostList(PluginHost* host) {
    while (host != nullptr) {
        PluginHost* next = host->Next;
        ReleaseHostRecord(host);
        host = next;
    }
}

// Reads the name of subkey `index` into the record. The Windows 95 family gets the
// older call; either one fails for the end of the list and for a name that does not
// fit the record.
LSTATUS EnumerateSubkeyName(HKEY enumKey, DWORD index, PluginHost* host) {
    if (g_Setup.NonNtPlatform == 0) {
        DWORD length = SubkeyText::Capacity;
        return RegEnumKeyExA(enumKey, index, host->SubkeyName.data(), &length, nullptr, nullptr, nullptr, nullptr);
    }
    return RegEnumKeyA(enumKey, index, host->SubkeyName.data(), SubkeyText::Capacity);
}

// Builds the list of hosts, each new one at the front, so that the subkey
// enumerated last is offered first. A record that cannot be allocated ends the
// enumeration: the hosts found so far are still offered.
PluginHost* FindPluginHosts(HKEY enumKey) {
    PluginHost* front = nullptr;
    for (DWORD index = 0;; ++index) {
        PluginHost* host = AllocateHostRecord();
        if (host == nullptr) break;
        if (EnumerateSubkeyName(enumKey, index, host) != ERROR_SUCCESS) {
            ReleaseHostRecord(host);
            break;
        }
        host->SubkeyName.Terminate();
        host->Next = front;
        front = host;
    }
    return front;
}

// Whether the user wants the plug-in in this installation. Hosts without a plug-in
// directory and the default installation are not offered.
bool UserAcceptsHost(const PluginHost* host) {
    if (host->PluginDir.empty()) return false;
    if (EqualsIgnoreCase(host->InstallPath.view(), g_Setup.NetscapeDefaultDir.view())) return false;
    HostQuestionText text;
    ComposeCatalogueText(text, IDS_PLUGIN_HOST_FOUND, host->InstallPath.c_str());
    return ShowMessageBox(text.c_str(), g_Setup.PRODUCTNAME.c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

}  // namespace

HKEY OpenHostEnumKey(const char* section) {
    HostKeyNames names;
    HKEY root = ReadHostKeyNames(section, names);
    if (root == nullptr) return nullptr;
    return OpenRegistryKey(root, names.Mid.c_str(), KEY_ENUMERATE_SUB_KEYS);
}

void ReadNetscapeDefaultDir(const char* section, PathText& out) {
    HostKeyNames names;
    HKEY root = ReadHostKeyNames(section, names);
    out.Clear();
    if (root == nullptr) return;
    if (ReadRegistryKeyText(root, names.Mid.c_str(), names.End.c_str(), out) != RegistryTextWhole) out.Clear();
}

int ReadPluginHost(PluginHost* host, const char* section) {
    HostKeyNames names;
    HKEY root = ReadHostKeyNames(section, names);

    host->PluginDir.Clear();
    host->InstallPath.Clear();

    // Both separators always go in: an empty RegistryMid2Key leaves a final backslash.
    // Every part must fit: with an empty last part a path cut earlier would still
    // look whole, and would open another host's key.
    RegistryText keyPath;
    bool pathFits = keyPath.Assign(names.Mid.view());
    pathFits = keyPath.Append('\\') && pathFits;
    pathFits = keyPath.Append(host->SubkeyName.view()) && pathFits;
    pathFits = keyPath.Append('\\') && pathFits;
    pathFits = keyPath.Append(names.Mid2.view()) && pathFits;

    if (root == nullptr) return PluginHostStop;
    // A cut key path would name another key: such a host is skipped.
    if (!pathFits) return PluginHostSkipped;

    HKEY key = OpenRegistryKey(root, keyPath.c_str(), KEY_QUERY_VALUE);
    if (key == nullptr) return PluginHostSkipped;
    if (!ReadDirectoryValue(key, names.End.c_str(), host->PluginDir)) {
        RegCloseKey(key);
        return PluginHostSkipped;
    }
    if (!ReadDirectoryValue(key, names.InstallPath.c_str(), host->InstallPath)) host->InstallPath = host->PluginDir;
    RegCloseKey(key);
    return PluginHostRead;
}

void RunPluginHostPhase(int* addFilesResult) {
    HKEY enumKey = OpenHostEnumKey(ScriptName::NetscapeDirEx);
    ReadNetscapeDefaultDir(ScriptName::NetscapeDir, g_Setup.NetscapeDefaultDir);
    if (enumKey == nullptr) return;

    // The enumeration key stays open while the hosts are visited and their file
    // phases run.
    PluginHost* host = FindPluginHosts(enumKey);
    while (host != nullptr) {
        // A root-key name that cannot be looked up ends the visits.
        int outcome = ReadPluginHost(host, ScriptName::NetscapeDirEx);
        if (outcome == PluginHostStop) break;
        if (outcome == PluginHostRead) {
            bool taken = UserAcceptsHost(host);
            TraceEvent("browser %s (plug-ins %s): %s", host->InstallPath.c_str(), host->PluginDir.c_str(),
                       taken ? "taken" : "not taken");
            if (taken) *addFilesResult = RunFilePhase(ScriptName::AddFiles, host);
        }
        PluginHost* next = host->Next;
        ReleaseHostRecord(host);
        host = next;
    }
    ReleaseHostList(host);
    RegCloseKey(enumKey);
}
