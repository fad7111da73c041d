// The plan: what SETUP.EXE would do on a described machine, found by running SETUP.EXE's
// own core (WinMain and its phases) against the described machine, which answers from
// the description and records instead of acting.
#pragma once

#include <string>
#include <vector>

#include "setupcheck/medium.h"

struct PlanMachine {
    std::string Windows = "nt4";  // 95, 98, nt4, 2000, xp
    std::string WindowsDir = "C:\\WINDOWS";
    std::string SystemDir;                   // empty: as the version names it, in WindowsDir
    std::string Root;                        // a folder standing for drive C:
    std::vector<std::string> RegistryFiles;  // regedit format
    std::vector<std::string> Environment;    // NAME=VALUE
    std::vector<std::string> InUse;          // paths on the described machine
    std::vector<std::string> Answers;        // yes/no, for the questions in the order asked
    bool Silent = false;                     // as SETUP.EXE /S: every box answered by its default button
};

// The medium lies in this directory of the described machine.
constexpr const char* kPlanMediumDir = "D:\\";

// Runs the plan. Returns 0 when it ran; otherwise 2 with the reason in `problem` (a bad
// description: unknown Windows, unreadable file, malformed registry file, bad answer).
int RunPlan(const PlanMachine& machine, const Medium& medium, bool json, std::string& out, std::string& problem);
