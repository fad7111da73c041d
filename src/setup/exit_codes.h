// The exit codes of SETUP.EXE and UNINST.EXE, one table for both: the Windows
// Installer codes that deployment tools (start /wait, Group Policy scripts, package
// managers) already know how to read.
#pragma once

enum ExitCode : int {
    kExitSuccess = 0,               // installed / removed (or kept by rule or by choice)
    kExitBadCommandLine = 87,       // ERROR_INVALID_PARAMETER: the remover's command line
    kExitUserDeclined = 1602,       // ERROR_INSTALL_USEREXIT: No to the first question
    kExitFailed = 1603,             // ERROR_INSTALL_FAILURE: something required failed or stays
    kExitCannotOpen = 1619,         // ERROR_INSTALL_PACKAGE_OPEN_FAILED: SETUP.INF or the log
    kExitNotUninstallLog = 1620,    // ERROR_INSTALL_PACKAGE_INVALID: a file that is not a log
    kExitWindowsTooOld = 1633,      // ERROR_INSTALL_PLATFORM_UNSUPPORTED: RequireMajorVersion
    kExitRestartStarted = 1641,     // ERROR_SUCCESS_REBOOT_INITIATED: the restart was made
    kExitRestartRequired = 3010,    // ERROR_SUCCESS_REBOOT_REQUIRED: staged, restart not made
};
