// The keys SETUP.EXE reads from each kind of section, with the buffer each is read
// into: a longer value is cut to the limit by the profile function.
#pragma once

#include "script/script_names.h"

enum KeyKind { StringKey, NumberKey };

struct KeyRule {
    const char* Name;
    KeyKind Kind;
    unsigned Limit;  // most characters kept (string keys)
    bool Expanded;   // %NAME% references are replaced
};

namespace KeyRules {
using namespace ScriptName;

inline constexpr KeyRule Setup[] = {
    {Product, StringKey, 127, false},     {RequireMajorVersion, NumberKey, 0, false},
    {InitialPrompt, NumberKey, 0, false}, {UninstFile, StringKey, 259, false},
    {nullptr, StringKey, 0, false},
};
inline constexpr KeyRule FileEntry[] = {
    {SourceFilename, StringKey, 259, false}, {TargetFilename, StringKey, 259, false}, {TargetDir, StringKey, 259, true},
    {RequiredCopy, NumberKey, 0, false},     {SharedFile, NumberKey, 0, false},       {nullptr, StringKey, 0, false},
};
inline constexpr KeyRule ExecEntry[] = {
    {TargetFilename, StringKey, 259, false},  {TargetDir, StringKey, 259, true},
    {ExecParam, StringKey, 127, false},       {RequiredExec, NumberKey, 0, false},
    {UninstExecParam, StringKey, 127, false}, {nullptr, StringKey, 0, false},
};
inline constexpr KeyRule RegisterEntry[] = {
    {TargetFilename, StringKey, 259, false},
    {TargetDir, StringKey, 259, true},
    {RequiredRegister, NumberKey, 0, false},
    {nullptr, StringKey, 0, false},
};
inline constexpr KeyRule Variable[] = {
    {DataFrom, StringKey, 39, false},        {EndWithBackslash, NumberKey, 0, false},
    {RegistryRootKey, StringKey, 79, false}, {RegistryMidKey, StringKey, 255, false},
    {RegistryEndKey, StringKey, 255, false}, {EnvironmentValue, StringKey, 259, true},
    {INIFile, StringKey, 259, true},         {INIFileSect, StringKey, 79, true},
    {INIFileKey, StringKey, 79, true},       {nullptr, StringKey, 0, false},
};
inline constexpr KeyRule PluginFile[] = {
    {PluginFileName, StringKey, 259, false},
    {nullptr, StringKey, 0, false},
};
inline constexpr KeyRule NetscapeDir[] = {
    {RegistryRootKey, StringKey, 79, false},
    {RegistryMidKey, StringKey, 255, false},
    {RegistryEndKey, StringKey, 255, false},
    {nullptr, StringKey, 0, false},
};
inline constexpr KeyRule NetscapeDirEx[] = {
    {RegistryRootKey, StringKey, 79, false},         {RegistryMidKey, StringKey, 255, false},
    {RegistryMid2Key, StringKey, 255, false},        {RegistryEndKey, StringKey, 255, false},
    {RegistryInstallPathKey, StringKey, 255, false}, {nullptr, StringKey, 0, false},
};
}  // namespace KeyRules
