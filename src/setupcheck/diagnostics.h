// What setupcheck finds wrong in a script before the medium ships: each finding with
// the line it is about, how bad it is and a short code naming the kind of mistake.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "setupcheck/medium.h"
#include "setupcheck/script_text.h"

enum Severity { SeverityError, SeverityWarning, SeverityNote };

struct Diagnostic {
    unsigned Line;  // 0: the script as a whole
    Severity Level;
    std::string Text;
    std::string Code;
};

// The machine SETUP.EXE's core answers the check on, described as the plan describes
// its default one (Windows NT 4 in C:\WINDOWS, the medium in drive D:), but with no
// environment of its own.
struct CheckMachine {
    std::string WindowsDir = "C:\\WINDOWS\\";
    std::string SystemDir = "C:\\WINDOWS\\SYSTEM32\\";
    std::string SourceDir = "D:\\";
};

// Where the check took a file, program or component entry to go, as SETUP.EXE's core
// took it at that entry: its running directory and file name, and the path joined
// ("" where the core refuses the path).
struct CheckedPath {
    std::string List, Entry;
    std::string Directory, File, Path;
};

// Every finding about the script, in line order. `medium` null: files are not looked
// for. `paths`, when given, receives each entry's path in the order of the run.
std::vector<Diagnostic> CheckScript(const ScriptText& script, const Medium* medium, const CheckMachine& machine,
                                    std::vector<CheckedPath>* paths = nullptr);

const char* SeverityName(Severity level);
