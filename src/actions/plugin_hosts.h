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
// What reading one host's directories came to.
enum PluginHostOutcome {
    PluginHostRead = 0,     // PluginDir (and InstallPath) read from the host's key
    PluginHostSkipped = 1,  // no such key or plug-in directory: PluginDir is empty
    PluginHostStop = 2,     // the root-key name is unknown: no host can be read
};

int ReadPluginHost(PluginHost* host, const char* section);
// Offers the plug-in to every host found and runs the file phase for each accepted
// one, storing each run's result in *addFilesResult.
void RunPluginHostPhase(int* addFilesResult);
