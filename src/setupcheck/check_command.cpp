#include "setupcheck/check_command.h"

#include "setupcheck/diagnostics.h"
#include "setupcheck/medium.h"
#include "setupcheck/plan.h"
#include "setupcheck/plan_findings.h"
#include "setupcheck/report.h"
#include "setupcheck/script_text.h"

namespace {
const char kUsage[] =
    "usage: setupcheck [--json] [--werror] MEDIUM\n"
    "       setupcheck --plan [--json] [machine options] MEDIUM\n"
    "  MEDIUM  the directory holding SETUP.INF, or the script's own path\n"
    "  --json    findings (or the plan) as JSON\n"
    "  --werror  warnings count as errors for the exit code\n"
    "  --plan    what SETUP.EXE would do on the described machine (the medium in D:\\):\n"
    "    --windows 95|98|nt351|nt4|2000|xp|10  a fresh installation of it (default nt4)\n"
    "    --windows-dir DIR            (default C:\\WINDOWS)\n"
    "    --system-dir DIR             (default SYSTEM32 in it on NT, SYSTEM on 95 and 98)\n"
    "    --root DIR                   a folder standing for drive C:\n"
    "    --registry FILE.reg          registry values (repeatable)\n"
    "    --env NAME=VALUE             an environment variable (repeatable)\n"
    "    --in-use PATH                a file held open (repeatable)\n"
    "    --register-fails FILE        a component whose DllRegisterServer fails: its name on the\n"
    "                                 medium or its path on the machine (repeatable)\n"
    "    --answers yes,no,ok,...      answers to the boxes in the order shown (ok: a box with OK only)\n"
    "    --silent                     as SETUP.EXE /S: no box shown, each answered by its\n"
    "                                 default button, no restart; prints the exit code\n"
    "  A check also plans the run on Windows 95, NT 4.0 and XP (those RequireMajorVersion allows):\n"
    "  an entry that fails there is an error.\n"
    "exit code of a check: 0 no errors, 1 errors (or warnings with --werror), 2 bad command line\n"
    "  or unreadable medium\n"
    "exit code of --plan: 0 the planned run succeeds (or the person declines), 1 it fails (the\n"
    "  failure box, no SETUP.INF, Windows too old), 2 bad command line, unreadable medium or\n"
    "  machine description\n"
    "exit code of --help: 0\n";

std::vector<std::string> SplitAtCommas(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma - start));
        if (comma == std::string::npos) return parts;
        start = comma + 1;
    }
}
// The plan's exit code is the planned run's outcome.
int PlanAndPrint(const PlanMachine& machine, const Medium& medium, bool json, std::string& out, std::string& err) {
    std::string problem;
    int code = RunPlan(machine, medium, json, out, problem);
    if (code == 2) {
        err += "setupcheck: " + problem + "\n";
        return CheckBadUse;
    }
    return code == 0 ? CheckClean : CheckFoundErrors;
}

}  // namespace

int RunSetupCheck(const std::vector<std::string>& arguments, std::string& out, std::string& err) {
    bool json = false, werror = false, plan = false, machineOptions = false;
    PlanMachine machine;
    std::string mediumArgument;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        // The machine options, each with its value.
        std::vector<std::string>* list = nullptr;
        std::string* single = nullptr;
        if (a == "--windows") single = &machine.Windows;
        if (a == "--windows-dir") single = &machine.WindowsDir;
        if (a == "--system-dir") single = &machine.SystemDir;
        if (a == "--root") single = &machine.Root;
        if (a == "--registry") list = &machine.RegistryFiles;
        if (a == "--env") list = &machine.Environment;
        if (a == "--in-use") list = &machine.InUse;
        if (a == "--answers") list = &machine.Answers;
        if (a == "--register-fails") list = &machine.RegisterFails;
        if (single != nullptr || list != nullptr) {
            if (i + 1 >= arguments.size()) {
                err += "setupcheck: " + a + " needs a value\n" + kUsage;
                return CheckBadUse;
            }
            const std::string& value = arguments[++i];
            if (single != nullptr) *single = value;
            if (a == "--answers")
                for (const std::string& answer : SplitAtCommas(value)) list->push_back(answer);
            else if (list != nullptr)
                list->push_back(value);
            machineOptions = true;
            continue;
        }
        if (a == "--silent") {
            machine.Silent = true;
            machineOptions = true;
        } else if (a == "--plan") {
            plan = true;
        } else if (a == "--json") {
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
    if (machineOptions && !plan) {
        err += "setupcheck: the machine options describe the machine of a --plan\n" + std::string(kUsage);
        return CheckBadUse;
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
            // The run shows its box about the missing script: the plan says so too.
            if (plan) return PlanAndPrint(machine, medium, json, out, err);
            found.push_back({0, SeverityError, "no SETUP.INF on the medium: SETUP.EXE has nothing to do", "no-script"});
            break;
        case MediumRead: {
            if (plan) return PlanAndPrint(machine, medium, json, out, err);
            ScriptText script;
            LoadScriptText(script, text);
            found = CheckScript(script, &medium, CheckMachine());
            AddPlannedFailures(script, medium, found);
            break;
        }
    }
    out += json ? FormatDiagnosticsJson(medium.ScriptShown, found) : FormatDiagnostics(medium.ScriptShown, found);
    for (const Diagnostic& d : found)
        if (d.Level == SeverityError || (werror && d.Level == SeverityWarning)) return CheckFoundErrors;
    return CheckClean;
}
