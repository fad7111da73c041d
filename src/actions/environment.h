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
extern const DataFromRow DataFromTable[];

int RunEnvironmentPhase();
int ReadDataFrom(const char* section);
int ReadRegistryValue(const char* section, PathText& value);
int ReadEnvironmentValue(const char* section, PathText& value);
int ReadIniFileValue(const char* section, PathText& value);
int PutEnvironmentVariable(const char* name, const char* value);
