// Browser installations found in the registry that are offered the plug-in.
#pragma once

#include "platform/fixed_text.h"
#include "platform/platform.h"

// One host: a record on the process heap, linked to the next host found.
struct PluginHost {
    PathText PluginDir;
    PathText InstallPath;
    FixedText<80> SubkeyName;
    PluginHost* Next;
};

// Opens the key below which the section's hosts are listed, for enumeration: the
// key, which the caller closes, or nullptr when the root name or the key is unknown.
HKEY OpenHostEnumKey(const char* section);
// Reads the default installation's directory into `out`; leaves it empty when the
// key, the value or a whole directory text cannot be had.
void ReadNetscapeDefaultDir(const char* section, PathText& out);
// What reading one host's directories came to.
enum PluginHostOutcome {
    PluginHostRead = 0,     // PluginDir (and InstallPath) read from the host's key
    PluginHostSkipped = 1,  // no such key or plug-in directory: PluginDir is empty
    PluginHostStop = 2,     // the root-key name is unknown: no host can be read
};

// Reads the plug-in and installation directories of the host named by its
// SubkeyName; an unreadable installation directory becomes the plug-in directory.
// Returns a PluginHostOutcome and leaves no key open.
int ReadPluginHost(PluginHost* host, const char* section);
// Offers the plug-in to every host found and runs the file phase for each accepted
// one, storing each run's result in *addFilesResult (left as it was when no host
// was accepted). Sets NetscapeDefaultDir; leaves no key open and no record behind.
void RunPluginHostPhase(int* addFilesResult);
