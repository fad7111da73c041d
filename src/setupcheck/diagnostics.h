// What setupcheck finds wrong in a script before the medium ships: each finding with
// the line it is about, how bad it is and a short code naming the kind of mistake.
#pragma once

#include <functional>
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

// The machine that values are expanded against to measure them: the default machine
// of the plan (Windows NT 4 in C:\WINDOWS, the medium in drive D:).
struct CheckMachine {
    std::string WindowsDir = "C:\\WINDOWS\\";
    std::string SystemDir = "C:\\WINDOWS\\SYSTEM32\\";
    std::string SourceDir = "D:\\";
};

// Every finding about the script, in line order. `medium` null: files are not looked for.
std::vector<Diagnostic> CheckScript(const ScriptText& script, const Medium* medium, const CheckMachine& machine);

const char* SeverityName(Severity level);

// SETUP.EXE's expansion of %NAME% references (one pass from the left, "%%" is '%', a lone
// '%' dropped, values never scanned again), without its 259-character cut, so that a
// value that would not fit can be measured. `lookUp` gives a name's value, or false.
std::string ExpandLikeSetup(std::string_view text,
                            const std::function<bool(std::string_view name, std::string& value)>& lookUp);
