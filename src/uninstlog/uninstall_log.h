// The uninstall log: an INI file that is only ever added to.
#pragma once

void OpenUninstallLog();
void LogInstalledFile(const char* path);
void LogRegisteredComponent(const char* path);
void LogUninstallCommand(const char* command);
