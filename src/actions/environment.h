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

// The longest value one environment variable may hold.
constexpr size_t kVariableValueChars = 32767;

// The value of one variable. Not a path: it is as long as its expansion (up to
// kVariableValueChars), in a heap block of its own size with room for one more
// character (the backslash of EndWithBackslash). Empty when `Text` is null.
struct VariableValue {
    char* Text;
};
void FreeVariableValue(VariableValue& value);

// What reading a variable's value came to.
enum ValueOutcome {
    ValueNone = 0,     // no value: the variable is removed
    ValueFound = 1,    // set the variable to it
    ValueRefused = 2,  // a path in the source did not fit, or memory ran out: the
                       // variable is left as it was
};

// Runs once at start-up. Never fails and never shows anything.
int RunEnvironmentPhase();
// The source code of a variable section: 0 when DataFrom is missing or unknown.
int ReadDataFrom(const char* section);
// Empties `value` first; 1 with the value filled, or 0 with it left empty.
int ReadRegistryValue(const char* section, PathText& value);
// Each empties `value` first and fills it only with ValueFound.
int ReadEnvironmentValue(const char* section, VariableValue& value);
int ReadIniFileValue(const char* section, VariableValue& value);
// Sets the variable, or removes it when `value` is empty. 0 when no memory was left
// for its string; the variable is then left as it was.
int PutEnvironmentVariable(const char* name, const char* value);
