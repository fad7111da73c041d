// The AddFiles.WIN32 phase: version-checked copies, staged for the next restart when
// the file present is in use.
#pragma once

struct PluginHost;

int RunFilePhase(const char* listSection, const PluginHost* host);
int InstallFileEntry(const char* section, const PluginHost* host);
int InstallCurrentFile();
