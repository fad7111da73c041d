// Section and key names of SETUP.INF, as the script author writes them.
#pragma once

namespace ScriptName {
inline constexpr char SetupFile[] = "SETUP.INF";

inline constexpr char SetupSection[] = "SETUP";
inline constexpr char Product[] = "Product";
inline constexpr char ProductDefault[] = "product";
inline constexpr char RequireMajorVersion[] = "RequireMajorVersion";
inline constexpr char InitialPrompt[] = "InitialPrompt";
inline constexpr char UninstFile[] = "UninstFile";

inline constexpr char AddFiles[] = "AddFiles.WIN32";
inline constexpr char ExecFiles[] = "ExecFiles.WIN32";
inline constexpr char RegisterFiles[] = "RegisterFiles.WIN32";
inline constexpr char SetEnv[] = "SetEnv.WIN32";

// File, execution and registration sections
inline constexpr char SourceFilename[] = "SourceFilename";
inline constexpr char TargetFilename[] = "TargetFilename";
inline constexpr char TargetDir[] = "TargetDir";
inline constexpr char RequiredCopy[] = "RequiredCopy";
// A file other products may install too: counted in SharedDLLs once per installation.
inline constexpr char SharedFile[] = "SharedFile";
inline constexpr char ExecParam[] = "ExecParam";
inline constexpr char RequiredExec[] = "RequiredExec";
inline constexpr char UninstExecParam[] = "UninstExecParam";
inline constexpr char RequiredRegister[] = "RequiredRegister";

// Variable sections
inline constexpr char DataFrom[] = "DataFrom";
inline constexpr char EndWithBackslash[] = "EndWithBackslash";
inline constexpr char RegistryRootKey[] = "RegistryRootKey";
inline constexpr char RegistryMidKey[] = "RegistryMidKey";
inline constexpr char RegistryMid2Key[] = "RegistryMid2Key";
inline constexpr char RegistryEndKey[] = "RegistryEndKey";
inline constexpr char RegistryInstallPathKey[] = "RegistryInstallPathKey";
inline constexpr char EnvironmentValue[] = "EnvironmentValue";
inline constexpr char INIFile[] = "INIFile";
inline constexpr char INIFileSect[] = "INIFileSect";
inline constexpr char INIFileKey[] = "INIFileKey";

// Browser plug-in
inline constexpr char PluginFileSection[] = "PLUGINFILE";
inline constexpr char PluginFileName[] = "PluginFileName";
inline constexpr char PluginFileDefault[] = "PLUGINFILE";
inline constexpr char NetscapeDir[] = "NETSCAPEDIR";
inline constexpr char NetscapeDirEx[] = "NETSCAPEDIREX";

// Uninstall log
inline constexpr char UninstSection[] = "UNINST";
inline constexpr char UninstFiles[] = "UninstFiles";
inline constexpr char UninstExec[] = "UninstExec";
inline constexpr char UninstRegister[] = "UninstRegister";
// Added sections: files present that the person chose to keep (another product's
// newer file), and the directories this setup created itself.
inline constexpr char UninstKeptFiles[] = "UninstKeptFiles";
inline constexpr char UninstCreatedDirs[] = "UninstCreatedDirs";
// Files whose SharedDLLs count this setup raised (SharedFile=1): the remover lowers it.
inline constexpr char UninstSharedFiles[] = "UninstSharedFiles";

// Staging on the Windows 95 family
inline constexpr char WininitFile[] = "wininit.ini";
inline constexpr char RenameSection[] = "rename";
}  // namespace ScriptName
