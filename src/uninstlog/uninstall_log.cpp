#include "uninstlog/uninstall_log.h"

#include "script/script_names.h"
#include "setup/setup_context.h"

namespace {
// One key with an empty value ("" writes "key=", it does not delete). The result is
// not looked at: logging never makes an installation fail.
void AddLogEntry(const char* section, const char* key) {
    if (g_Setup.UninstallLogEnabled != 1) return;
    WritePrivateProfileStringA(section, key, "", g_Setup.UninstLogPath.c_str());
}
}  // namespace

void OpenUninstallLog() {
    ReadScriptText(g_Setup.INFFILE.c_str(), ScriptName::SetupSection, ScriptName::UninstFile, g_Setup.UninstLogPath);
    if (!g_Setup.UninstLogPath.empty()) g_Setup.UninstallLogEnabled = 1;
    if (g_Setup.UninstallLogEnabled)
        WritePrivateProfileStringA(ScriptName::UninstSection, ScriptName::Product, g_Setup.PRODUCTNAME.c_str(),
                                   g_Setup.UninstLogPath.c_str());
}

void LogInstalledFile(const char* path) { AddLogEntry(ScriptName::UninstFiles, path); }

void LogRegisteredComponent(const char* path) { AddLogEntry(ScriptName::UninstRegister, path); }

void LogUninstallCommand(const char* command) { AddLogEntry(ScriptName::UninstExec, command); }

void LogKeptFile(const char* path) { AddLogEntry(ScriptName::UninstKeptFiles, path); }

void LogCreatedDirectory(const char* directory) { AddLogEntry(ScriptName::UninstCreatedDirs, directory); }
