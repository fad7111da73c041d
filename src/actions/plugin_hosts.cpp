// Browser installations recorded in the registry: every one the user accepts gets
// the plug-in through one more run of the file phase.
#include "actions/plugin_hosts.h"

#include "actions/file_install.h"
#include "script/script_names.h"
#include "setup/setup_context.h"
#include "ui/messages.h"

namespace {

using RootKeyName = FixedText<80>;
using RegistryText = FixedText<256>;  // key paths and value names
using SubkeyText = FixedText<80>;
// Question 244 carries one directory of up to 259 characters.
using HostQuestionText = FixedText<520>;

template <size_t N>
void ReadScriptText(const char* section, const char* key, FixedText<N>& out) {
    out.Clear();
    GetPrivateProfileStringA(section, key, "", out.data(), static_cast<DWORD>(N), g_Setup.INFFILE.c_str());
    out.text[N - 1] = '\0';
}

// Reads a value's data as directory text into `out`. The type is not looked at, and
// the data need not end with a terminator; data that fills the whole buffer without
// one is refused, since a cut directory would name another directory.
int ReadDirectoryValue(HKEY key, const char* valueName, PathText& out) {
    PathText data;
    DWORD size = PathText::Capacity;
    if (RegQueryValueExA(key, valueName, nullptr, nullptr, reinterpret_cast<LPBYTE>(data.data()), &size) !=
        ERROR_SUCCESS)
        return 0;
    if (size > PathText::Capacity) return 0;
    size_t end = 0;
    while (end < size && data.text[end] != '\0') ++end;
    if (end == PathText::Capacity) return 0;
    out.Assign(std::string_view(data.text, end));
    return 1;
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
        host->SubkeyName.text[SubkeyText::Capacity - 1] = '\0';
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
    RootKeyName rootName;
    RegistryText midKey;
    ReadScriptText(section, ScriptName::RegistryRootKey, rootName);
    ReadScriptText(section, ScriptName::RegistryMidKey, midKey);
    HKEY root = LookupRootKey(rootName.view());
    if (root == nullptr) return nullptr;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, midKey.c_str(), 0, KEY_ENUMERATE_SUB_KEYS, &key) != ERROR_SUCCESS) return nullptr;
    return key;
}

void ReadNetscapeDefaultDir(const char* section, PathText& out) {
    RootKeyName rootName;
    RegistryText midKey;
    RegistryText endKey;
    ReadScriptText(section, ScriptName::RegistryRootKey, rootName);
    ReadScriptText(section, ScriptName::RegistryMidKey, midKey);
    ReadScriptText(section, ScriptName::RegistryEndKey, endKey);
    out.Clear();
    HKEY root = LookupRootKey(rootName.view());
    if (root == nullptr) return;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, midKey.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return;
    if (!ReadDirectoryValue(key, endKey.c_str(), out)) out.Clear();
    RegCloseKey(key);
}

int ReadPluginHost(PluginHost* host, const char* section) {
    RootKeyName rootName;
    RegistryText midKey;
    RegistryText mid2Key;
    RegistryText endKey;
    RegistryText installPathKey;
    ReadScriptText(section, ScriptName::RegistryRootKey, rootName);
    ReadScriptText(section, ScriptName::RegistryMidKey, midKey);
    ReadScriptText(section, ScriptName::RegistryMid2Key, mid2Key);
    ReadScriptText(section, ScriptName::RegistryEndKey, endKey);
    ReadScriptText(section, ScriptName::RegistryInstallPathKey, installPathKey);

    host->PluginDir.Clear();
    host->InstallPath.Clear();

    // Both separators always go in: an empty RegistryMid2Key leaves a final backslash.
    // Every part must fit: with an empty last part a path cut earlier would still
    // look whole, and would open another host's key.
    RegistryText keyPath;
    bool pathFits = keyPath.Assign(midKey.view());
    pathFits = keyPath.Append('\\') && pathFits;
    pathFits = keyPath.Append(host->SubkeyName.view()) && pathFits;
    pathFits = keyPath.Append('\\') && pathFits;
    pathFits = keyPath.Append(mid2Key.view()) && pathFits;

    HKEY root = LookupRootKey(rootName.view());
    if (root == nullptr) return 1;
    // A cut key path would name another key: such a host is skipped.
    if (!pathFits) return 0;

    HKEY key = nullptr;
    if (RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return 0;
    if (!ReadDirectoryValue(key, endKey.c_str(), host->PluginDir)) {
        RegCloseKey(key);
        host->PluginDir.Clear();
        return 0;
    }
    if (!ReadDirectoryValue(key, installPathKey.c_str(), host->InstallPath)) host->InstallPath = host->PluginDir;
    RegCloseKey(key);
    return 0;
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
        if (ReadPluginHost(host, ScriptName::NetscapeDirEx) == 1) break;
        if (UserAcceptsHost(host)) *addFilesResult = RunFilePhase(ScriptName::AddFiles, host);
        PluginHost* next = host->Next;
        ReleaseHostRecord(host);
        host = next;
    }
    ReleaseHostList(host);
    RegCloseKey(enumKey);
}
