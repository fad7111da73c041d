// Browser installations found in the registry that are offered the plug-in.
#pragma once

#include "platform/fixed_text.h"
#include "platform/platform.h"

struct PluginHost {
    PathText PluginDir;
    PathText InstallPath;
    FixedText<80> SubkeyName;
    PluginHost* Next;
};

HKEY OpenHostEnumKey(const char* section);
void ReadNetscapeDefaultDir(const char* section, PathText& out);
int ReadPluginHost(PluginHost* host, const char* section);
// Offers the plug-in to every host found and runs the file phase for each accepted
// one, storing each run's result in *addFilesResult.
void RunPluginHostPhase(int* addFilesResult);
