// setupcheck's command line and what it prints, apart from the process: so that the
// tests run exactly what the program runs.
#pragma once

#include <string>
#include <vector>

enum CheckExit { CheckClean = 0, CheckFoundErrors = 1, CheckBadUse = 2 };

// Runs setupcheck with `arguments` (without the program name). Returns the exit code;
// `out` gets what goes to standard output, `err` what goes to standard error.
int RunSetupCheck(const std::vector<std::string>& arguments, std::string& out, std::string& err);
