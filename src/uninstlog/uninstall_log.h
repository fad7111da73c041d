// The uninstall log: an INI file that is only ever added to.
#pragma once

// Reads UninstFile into UninstLogPath; when it names a log, enables logging and
// writes the product's name into the log's [UNINST] section.
void OpenUninstallLog();
// Each adds one key with an empty value to its section of the log when logging is
// enabled; failures are not reported, since logging never fails an installation.
void LogInstalledFile(const char* path);
void LogRegisteredComponent(const char* path);
void LogUninstallCommand(const char* command);
// A file present that the person kept: the remover leaves it alone. Written before the
// file's own entry, so that a cut between the two never leaves it unprotected.
void LogKeptFile(const char* path);
// A directory this setup created, written before the first file goes into it: the
// remover removes only directories recorded so (and only when they are empty).
void LogCreatedDirectory(const char* directory);
// A file whose SharedDLLs count this installation raises (SharedFile=1): whether the
// log lists it already (an earlier entry or run raised it), and adding it, before the
// count is raised. 1 when the log holds the line.
bool IsSharedFileLogged(const char* path);
int LogSharedFile(const char* path);
