// The SetEnv.WIN32 phase: environment variables for the setup process, from the
// registry, from the script or from another INI file.
#pragma once

#include "platform/fixed_text.h"
#include "platform/platform.h"

enum DataSource { DataFromNone = 0, DataFromRegistry = 1, DataFromEnvironment = 2, DataFromIniFile = 3 };

struct DataFromRow {
    const char* Name;
    int Code;
};

// The sources a variable section may name in DataFrom, in lookup order; the last row
// has no name.
inline constexpr DataFromRow DataFromTable[] = {
    {"REGISTRY", DataFromRegistry},
    {"ENVIRONMENT", DataFromEnvironment},
    {"INIFILE", DataFromIniFile},
    {nullptr, DataFromNone},
};

// Runs once at start-up. Never fails and never shows anything.
int RunEnvironmentPhase();
// The source code of a variable section: 0 when DataFrom is missing or unknown.
int ReadDataFrom(const char* section);
// Each empties `value` first; 1 with the value filled, or 0 with it left empty.
int ReadRegistryValue(const char* section, PathText& value);
int ReadEnvironmentValue(const char* section, PathText& value);
int ReadIniFileValue(const char* section, PathText& value);
// Sets the variable, or removes it when `value` is empty. 0 when no memory was left
// for its string; the variable is then left as it was.
int PutEnvironmentVariable(const char* name, const char* value);
