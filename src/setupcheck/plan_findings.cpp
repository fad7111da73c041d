#include "setupcheck/plan_findings.h"

#include <algorithm>
#include <map>

#include "platform/fixed_text.h"
#include "script/script_names.h"
#include "setupcheck/described_windows.h"
#include "setupcheck/plan.h"

namespace {

struct PlannedFailure {
    unsigned Line;
    std::string Text;
    std::vector<std::string> Windows;  // titles, in the order planned
};

// The line of the entry in its list, and the lines its own section spans.
struct EntryLines {
    unsigned ListLine = 0, First = 0, Last = 0;
};

EntryLines FindEntryLines(const ScriptText& script, const std::string& list, const std::string& entry) {
    EntryLines lines;
    for (const ProfileLine* line : ReadListEntries(FindScriptSection(script, list)))
        if (EqualsIgnoreCase(line->Name, entry)) {
            lines.ListLine = line->Number;
            break;
        }
    if (const ScriptSection* section = FindScriptSection(script, entry)) {
        lines.First = section->HeaderLine;
        lines.Last = section->Lines.empty() ? section->HeaderLine : section->Lines.back().Number;
    }
    return lines;
}

bool ErrorAlreadyFound(const std::vector<Diagnostic>& found, const EntryLines& lines) {
    for (const Diagnostic& d : found)
        if (d.Level == SeverityError && (d.Line == lines.ListLine || (d.Line >= lines.First && d.Line <= lines.Last)))
            return true;
    return false;
}

std::string JoinTitles(const std::vector<std::string>& titles) {
    std::string text;
    for (size_t i = 0; i < titles.size(); ++i)
        text += (i == 0 ? "" : i + 1 == titles.size() ? " and " : ", ") + titles[i];
    return text;
}

}  // namespace

void AddPlannedFailures(const ScriptText& script, const Medium& medium, std::vector<Diagnostic>& found) {
    unsigned required = ReadScriptNumber(script, ScriptName::SetupSection, ScriptName::RequireMajorVersion, 0);
    std::map<std::string, PlannedFailure> failures;  // by list and entry: one finding per entry
    std::vector<std::string> order;
    for (const std::string& family : WindowsFamiliesAllowed(required)) {
        PlanMachine machine;
        machine.Windows = family;
        PlanResult plan;
        std::string problem;
        if (PlanMedium(machine, medium, plan, problem) != 0) continue;
        for (size_t i = 0; i < plan.Events.size(); ++i) {
            const PlanEvent& event = plan.Events[i];
            if (event.Failure.empty() || event.Entry.empty()) continue;
            std::string key = event.List + "\n" + event.Entry;
            auto it = failures.find(key);
            if (it != failures.end()) {
                if (std::find(it->second.Windows.begin(), it->second.Windows.end(), DescribedWindowsTitle(family)) ==
                    it->second.Windows.end())
                    it->second.Windows.push_back(DescribedWindowsTitle(family));
                continue;
            }
            EntryLines lines = FindEntryLines(script, event.List, event.Entry);
            if (lines.ListLine == 0 || ErrorAlreadyFound(found, lines)) continue;
            std::string text = "[" + event.Entry + "]: " + event.Failure;
            // The box the person then reads, when the entry shows one.
            for (size_t j = i + 1; j < plan.Events.size() && plan.Events[j].Entry == event.Entry; ++j)
                if (plan.Events[j].Kind == "box") {
                    const auto& fields = plan.Events[j].Fields;
                    text += "; the person reads \"" + fields[0].second + ": " + fields[1].second + "\"";
                    break;
                }
            failures[key] = {lines.ListLine, text, {DescribedWindowsTitle(family)}};
            order.push_back(key);
        }
    }
    for (const std::string& key : order) {
        const PlannedFailure& f = failures[key];
        std::string text = f.Text;
        for (char& c : text)
            if (c == '\n') c = ' ';
        found.push_back(
            {f.Line, SeverityError, "the plan fails on " + JoinTitles(f.Windows) + ": " + text, "planned-failure"});
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const Diagnostic& a, const Diagnostic& b) { return a.Line < b.Line; });
}
