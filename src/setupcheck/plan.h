// The plan: what SETUP.EXE would do on a described machine, found by running SETUP.EXE's
// own core (WinMain and its phases) against the described machine, which answers from
// the description and records instead of acting.
#pragma once

#include <string>
#include <vector>

#include "setupcheck/medium.h"

struct PlanMachine {
    std::string Windows = "nt4";  // 95, 98, nt351, nt4, 2000, xp, 10
    std::string WindowsDir = "C:\\WINDOWS";
    std::string SystemDir;                   // empty: as the version names it, in WindowsDir
    std::string Root;                        // a folder standing for drive C:
    std::vector<std::string> RegistryFiles;  // regedit format
    std::vector<std::string> Environment;    // NAME=VALUE
    std::vector<std::string> InUse;          // paths on the described machine
    std::vector<std::string> Answers;        // yes/no, for the questions in the order asked
    std::vector<std::string> RegisterFails;  // components whose DllRegisterServer fails
    bool Silent = false;                     // as SETUP.EXE /S: every box answered by its default button
};

// One thing the run did, with the entry of the script it did it for.
struct PlanEvent {
    std::string Kind;  // box, environment, copy, shared, start, register, refused, staged, restart
    std::string Text;  // the event on one line
    std::vector<std::pair<std::string, std::string>> Fields;  // its parts, for JSON
    std::string List, Entry;  // the list section and entry being run ("" outside the entries)
    std::string Failure;      // why the entry failed here, in the words of the run; "" when it did not
};

struct PlanResult {
    std::vector<PlanEvent> Events;
    std::string LogPath, LogText;  // the uninstall log as the run left it
    bool RestartOffered = false;
    bool Failed = false;  // the run ends without installing the product: the failure box or no script
    int ExitCode = 0;     // SETUP.EXE's own exit code for the run
};

// The medium lies in this directory of the described machine.
constexpr const char* kPlanMediumDir = "D:\\";

// Runs SETUP.EXE's core on the described machine. Returns 0 when it ran; otherwise 2 with
// the reason in `problem` (a bad description: unknown Windows, unreadable file,
// malformed registry file, bad answer). A medium without a script runs as such.
int PlanMedium(const PlanMachine& machine, const Medium& medium, PlanResult& result, std::string& problem);

// Runs the plan and prints it. Returns 0 when the planned run succeeds, 1 when it fails,
// 2 for a bad description (the reason in `problem`).
int RunPlan(const PlanMachine& machine, const Medium& medium, bool json, std::string& out, std::string& problem);
