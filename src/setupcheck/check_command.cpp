#include "setupcheck/check_command.h"

#include "setupcheck/diagnostics.h"
#include "setupcheck/medium.h"
#include "setupcheck/report.h"
#include "setupcheck/script_text.h"

namespace {
const char kUsage[] =
    "usage: setupcheck [--json] [--werror] MEDIUM\n"
    "  MEDIUM  the directory holding SETUP.INF, or the script's own path\n"
    "  --json    findings as JSON\n"
    "  --werror  warnings count as errors for the exit code\n"
    "exit code: 0 no errors, 1 errors (or warnings with --werror), 2 bad command line or unreadable medium\n";
}  // namespace

int RunSetupCheck(const std::vector<std::string>& arguments, std::string& out, std::string& err) {
    bool json = false, werror = false;
    std::string mediumArgument;
    for (const std::string& a : arguments) {
        if (a == "--json") {
            json = true;
        } else if (a == "--werror") {
            werror = true;
        } else if (a == "--help" || a == "-h") {
            out += kUsage;
            return CheckClean;
        } else if (!a.empty() && a[0] == '-') {
            err += "setupcheck: unknown option " + a + "\n" + kUsage;
            return CheckBadUse;
        } else if (mediumArgument.empty()) {
            mediumArgument = a;
        } else {
            err += "setupcheck: more than one medium\n" + std::string(kUsage);
            return CheckBadUse;
        }
    }
    if (mediumArgument.empty()) {
        err += kUsage;
        return CheckBadUse;
    }

    Medium medium;
    std::string text;
    std::vector<Diagnostic> found;
    switch (OpenMedium(mediumArgument, medium, text)) {
        case MediumUnreadable:
            err += "setupcheck: cannot read the medium " + mediumArgument + "\n";
            return CheckBadUse;
        case MediumWithoutScript:
            found.push_back({0, SeverityError, "no SETUP.INF on the medium: SETUP.EXE has nothing to do", "no-script"});
            break;
        case MediumRead: {
            ScriptText script;
            LoadScriptText(script, text);
            found = CheckScript(script, &medium, CheckMachine());
            break;
        }
    }
    out += json ? FormatDiagnosticsJson(medium.ScriptShown, found) : FormatDiagnostics(medium.ScriptShown, found);
    for (const Diagnostic& d : found)
        if (d.Level == SeverityError || (werror && d.Level == SeverityWarning)) return CheckFoundErrors;
    return CheckClean;
}
