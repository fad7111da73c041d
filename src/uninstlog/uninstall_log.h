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
