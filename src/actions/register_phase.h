// The RegisterFiles.WIN32 phase: self-registering components.
#pragma once

int RunRegisterPhase(const char* listSection);
int RegisterEntry(const char* section);
