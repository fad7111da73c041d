// The RegisterFiles.WIN32 phase: self-registering components.
#pragma once

// Registers the component of every entry of the list, in list order; shows no box.
// 1 when every entry was done, 0 when the list could not be read or a required
// component could not be loaded or called.
int RunRegisterPhase(const char* listSection);
// Loads one entry's component, calls DllRegisterServer and logs the path. 1, or 0
// when a required component failed; TARGETDIR and TARGETFILE stay as read.
int RegisterEntry(const char* section);
