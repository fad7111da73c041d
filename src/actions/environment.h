// The SetEnv.WIN32 phase: environment variables for the setup process, from the
// registry, from the script or from another INI file.
#pragma once

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

// Runs once at start-up; never fails and never shows anything. Returns 1, leaving
// each listed variable set, removed, or (when its value was refused) as it was, and
// RegistryValueMissing set when a registry key or value was not found.
int RunEnvironmentPhase();
