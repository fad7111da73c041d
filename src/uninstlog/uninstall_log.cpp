#include "uninstlog/uninstall_log.h"

#include "script/script_names.h"
#include "setup/setup_context.h"
#include "uninstlog/log_writer.h"

namespace {
// Whether this run has made sure of [UNINST] Product.
int g_ProductChecked;

// One key with an empty value. Nothing is reported to the person: logging never
// makes an installation fail. A LogKeyResult for those that act on it.
int AddLogEntry(const char* section, const char* key) {
    if (g_Setup.UninstallLogEnabled != 1) return LogKeyNotWritten;
    if (!g_ProductChecked) {
        g_ProductChecked = 1;
        // A log whose directory did not exist at start-up lacks the product's name,
        // without which the remover does not accept the file. It is only added.
        char probe[2];
        const char* log = g_Setup.UninstLogPath.c_str();
        if (ReadScriptValue(log, ScriptName::UninstSection, ScriptName::Product, "", probe, sizeof probe) == 0)
            WritePrivateProfileStringA(ScriptName::UninstSection, ScriptName::Product, g_Setup.PRODUCTNAME.c_str(),
                                       log);
    }
    return AddLogKey(g_Setup.UninstLogPath.c_str(), section, key);
}
}  // namespace

void OpenUninstallLog() {
    ResetLogWriter();
    g_ProductChecked = 0;
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

bool IsSharedFileLogged(const char* path) {
    return g_Setup.UninstallLogEnabled == 1 &&
           HasLogKey(g_Setup.UninstLogPath.c_str(), ScriptName::UninstSharedFiles, path);
}

int LogSharedFile(const char* path) {
    return AddLogEntry(ScriptName::UninstSharedFiles, path) != LogKeyNotWritten;
}
