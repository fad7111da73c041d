// The AddFiles.WIN32 phase: version-checked copies, staged for the next restart when
// the file present is in use.
#pragma once

struct PluginHost;

// Installs every file entry of the list with the progress window open; in a host run
// the plug-in file goes to the host's plug-in directory. 1 when every entry was
// done, 0 when the list could not be read or a required file failed.
int RunFilePhase(const char* listSection, const PluginHost* host);
// Reads one entry into SRCFILE, TARGETFILE and TARGETDIR (which stay for the next
// entry) and installs it. 1, or 0 when a required file failed (after its boxes).
int InstallFileEntry(const char* section, const PluginHost* host);
// Copies SRCFILE in SRCDIR to TARGETFILE in TARGETDIR, version-checked, staging it
// when the file present is in use. 1 with the file logged (and, for a `sharedFile`,
// counted in SharedDLLs), or 0 after the copy-error box; no temporary copy is left
// behind either way.
int InstallCurrentFile(int sharedFile = 0);
