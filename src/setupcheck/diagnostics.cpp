#include "setupcheck/diagnostics.h"

#include <algorithm>
#include <map>
#include <set>

#include "actions/entry_list.h"
#include "actions/environment.h"
#include "actions/exec_phase.h"
#include "platform/fixed_text.h"
#include "script/entry_section.h"
#include "script/macros.h"
#include "script/script_names.h"
#include "setup/setup_context.h"
#include "setupcheck/core_answers.h"
#include "setupcheck/key_tables.h"
#include "uninst/uninst_state.h"
#include "uninst/uninstaller.h"
#include "uninstlog/log_file.h"

namespace {

using namespace ScriptName;

constexpr size_t kPathLimit = kExpandedChars;

// The registry roots a script may name, as SETUP.EXE looks them up.
const char* const kRootKeyNames[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS"};

const std::pair<const char*, const char*> kRootKeyShortForms[] = {
    {"HKCR", "HKEY_CLASSES_ROOT"},
    {"HKCU", "HKEY_CURRENT_USER"},
    {"HKLM", "HKEY_LOCAL_MACHINE"},
    {"HKU", "HKEY_USERS"},
};

// Variables only some Windows versions set: a script that expands them gets nothing
// on the others.
const std::pair<const char*, const char*> kVersionVariables[] = {
    {"ProgramFiles", "Windows 2000 and later"},
    {"CommonProgramFiles", "Windows 2000 and later"},
    {"ProgramFiles(x86)", "64-bit Windows"},
    {"SystemRoot", "the NT line (not Windows 95 and 98)"},
    {"SystemDrive", "the NT line (not Windows 95 and 98)"},
    {"USERPROFILE", "the NT line (not Windows 95 and 98)"},
    {"ALLUSERSPROFILE", "Windows 2000 and later"},
    {"APPDATA", "Windows 2000 and later"},
};

std::string Lower(std::string_view s) {
    std::string r;
    for (char c : s) r += AsciiLower(c);
    return r;
}

// Edit distance without regard to case, for "did you mean" hints.
size_t Distance(std::string_view a, std::string_view b) {
    std::string x = Lower(a), y = Lower(b);
    std::vector<size_t> row(y.size() + 1);
    for (size_t j = 0; j <= y.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= x.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= y.size(); ++j) {
            size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (x[i - 1] == y[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[y.size()];
}

// The candidate nearest to `name`, when it is near enough to be a slip of the pen or
// the name with something added or left off.
std::string NearestName(std::string_view name, const std::vector<std::string>& candidates) {
    std::string best;
    size_t bestDistance = std::string::npos;
    for (const std::string& c : candidates) {
        size_t d = Distance(name, c);
        size_t shorter = std::min(name.size(), c.size());
        bool prefix = shorter >= 4 && EqualsIgnoreCase(name.substr(0, shorter), std::string_view(c).substr(0, shorter));
        if ((d <= std::max<size_t>(2, name.size() / 3) || prefix) && d < bestDistance) {
            bestDistance = d;
            best = c;
        }
    }
    return best;
}

// A value after the core's expansion, whole, and whether a part of it is only known
// on the machine.
struct Expanded {
    std::string Text;
    bool Fits = true;  // the core takes it: not longer than the limit asked
    bool Uncertain = false;
};

// What a variable of [SetEnv.WIN32] holds on the default machine.
struct Variable {
    std::string Value;
    bool Known;  // false: from the registry or another INI file
};

// The kinds of section, by who reads them.
enum SectionRole : unsigned {
    RoleSetup = 1,
    RoleList = 2,
    RoleFile = 4,
    RoleExec = 8,
    RoleRegister = 16,
    RoleVariable = 32,
    RolePluginFile = 64,
    RoleNetscapeDir = 128,
    RoleNetscapeDirEx = 256,
};

struct RoleRules {
    SectionRole Role;
    const KeyRule* Keys;
};
const RoleRules kRoleRules[] = {
    {RoleSetup, KeyRules::Setup},
    {RoleFile, KeyRules::FileEntry},
    {RoleExec, KeyRules::ExecEntry},
    {RoleRegister, KeyRules::RegisterEntry},
    {RoleVariable, KeyRules::Variable},
    {RolePluginFile, KeyRules::PluginFile},
    {RoleNetscapeDir, KeyRules::NetscapeDir},
    {RoleNetscapeDirEx, KeyRules::NetscapeDirEx},
};

class Checker {
public:
    Checker(const ScriptText& script, const Medium* medium, const CheckMachine& machine,
            std::vector<CheckedPath>* paths)
        : script_(script), medium_(medium), machine_(machine), paths_(paths) {}

    std::vector<Diagnostic> Run() {
        // SETUP.EXE's own state carries the running directory, the file names and the
        // variables from entry to entry, as in the run.
        PrepareCoreForCheck(machine_, script_.Text);
        AssignRoles();
        CheckLines();
        CheckSections();
        CheckSetup();
        RunVariables();
        RunFiles();
        CheckUninstallLogPlace();
        RunPrograms();
        RunComponents();
        CheckNetscapeSections();
        std::stable_sort(found_.begin(), found_.end(),
                         [](const Diagnostic& a, const Diagnostic& b) { return a.Line < b.Line; });
        return found_;
    }

private:
    const ScriptText& script_;
    const Medium* medium_;
    const CheckMachine& machine_;
    std::vector<CheckedPath>* paths_;
    std::vector<Diagnostic> found_;
    std::map<std::string, unsigned> roles_;  // by lower-case section name
    std::vector<std::pair<std::string, Variable>> environment_;
    bool targetUncertain_ = false;
    bool targetTooLong_ = false;               // already reported: the joined paths are not measured again
    unsigned targetDirLine_ = 0;               // the TargetDir line that set the running directory
    std::vector<std::string> installed_;       // destinations of the file entries
    std::vector<std::string> installedNames_;  // their target file names
    std::set<std::pair<unsigned, std::string>> macroReported_;

    void Report(unsigned line, Severity level, std::string text, const char* code) {
        found_.push_back({line, level, std::move(text), code});
    }

    // What SETUP.EXE holds at this point of the run.
    static std::string RunningDir() { return g_Setup.TARGETDIR.c_str(); }
    static std::string RunningFile() { return g_Setup.TARGETFILE.c_str(); }
    static std::string RunningSource() { return g_Setup.SRCFILE.c_str(); }

    void NotePath(const char* list, const std::string& entry, const std::string& path) {
        if (paths_ != nullptr) paths_->push_back({list, entry, RunningDir(), RunningFile(), path});
    }

    unsigned RolesOf(std::string_view name) const {
        auto it = roles_.find(Lower(TrimProfileBlanks(name)));
        return it == roles_.end() ? 0 : it->second;
    }

    void AddRole(std::string_view name, unsigned role) { roles_[Lower(TrimProfileBlanks(name))] |= role; }

    std::vector<const ProfileLine*> ListEntries(const char* list) const {
        return ReadListEntries(FindScriptSection(script_, list));
    }

    void AssignRoles() {
        AddRole(SetupSection, RoleSetup);
        AddRole(PluginFileSection, RolePluginFile);
        AddRole(NetscapeDir, RoleNetscapeDir);
        AddRole(NetscapeDirEx, RoleNetscapeDirEx);
        const std::pair<const char*, SectionRole> lists[] = {
            {SetEnv, RoleVariable}, {AddFiles, RoleFile}, {ExecFiles, RoleExec}, {RegisterFiles, RoleRegister}};
        for (const auto& list : lists) {
            AddRole(list.first, RoleList);
            for (const ProfileLine* entry : ListEntries(list.first)) AddRole(entry->Name, list.second);
        }
    }

    // The keys a section may hold: those of every role it has.
    std::vector<const KeyRule*> AllowedKeys(unsigned roles) const {
        std::vector<const KeyRule*> keys;
        for (const RoleRules& r : kRoleRules)
            if (roles & r.Role)
                for (const KeyRule* k = r.Keys; k->Name != nullptr; ++k) keys.push_back(k);
        return keys;
    }

    // Lines that the profile functions never give SETUP.EXE.
    void CheckLines() {
        bool inSection = false;
        for (const ProfileLine& line : script_.AllLines) {
            if (line.Kind == ProfileSectionLine && line.Held) {
                inSection = true;
                if (line.Name.empty())
                    Report(line.Number, SeverityNote, "a section without a name is never read", "ignored-line");
                continue;
            }
            if (IsProfileComment(line)) continue;
            if (!inSection)
                Report(line.Number, SeverityNote, "this line belongs to no section: Windows ignores it",
                       "ignored-line");
            else if (!line.Held || line.Name.empty())
                Report(line.Number, SeverityNote, "a line with nothing left of '=' is no key: Windows ignores it",
                       "ignored-line");
        }
    }

    void CheckSections() {
        std::vector<std::string> fixedNames = {SetupSection,      SetEnv,      AddFiles,     ExecFiles, RegisterFiles,
                                               PluginFileSection, NetscapeDir, NetscapeDirEx};
        for (const ScriptSection& section : script_.Sections) {
            if (section.Name.empty()) continue;
            if (!section.First) {
                const ScriptSection* first = FindScriptSection(script_, section.Name);
                Report(section.HeaderLine, SeverityWarning,
                       "[" + section.Name + "] appears again: only the first one, on line " +
                           std::to_string(first->HeaderLine) + ", is read; the keys here are ignored",
                       "duplicate-section");
                continue;
            }
            unsigned roles = RolesOf(section.Name);
            if (roles == 0) {
                std::string nearest = NearestName(section.Name, fixedNames);
                // One slip from a known name: the entries the author meant never run.
                if (!nearest.empty())
                    Report(section.HeaderLine, SeverityError,
                           "[" + section.Name + "] is never read: did you mean [" + nearest + "]?", "unknown-section");
                else
                    Report(section.HeaderLine, SeverityNote,
                           "[" + section.Name + "] is named by no list: SETUP.EXE never reads it", "unused-section");
                continue;
            }
            if (roles & RoleList)
                CheckListLines(section);
            else
                CheckKeyLines(section, roles);
        }
    }

    // A list counts every name left of '=', in order, twice when written twice.
    void CheckListLines(const ScriptSection& section) {
        std::map<std::string, unsigned> seen;
        for (const ProfileLine& line : section.Lines) {
            if (IsProfileComment(line) || line.Name.empty()) continue;
            if (line.Kind == ProfileNameOnlyLine) {
                Report(line.Number, SeverityNote,
                       "a line without '=' is no list entry: write " + std::string(line.Name) + "=", "ignored-line");
                continue;
            }
            auto [it, added] = seen.emplace(Lower(line.Name), line.Number);
            if (!added)
                Report(line.Number, SeverityWarning,
                       std::string(line.Name) + " is listed twice in [" + section.Name +
                           "]: the entry runs again (first on line " + std::to_string(it->second) + ")",
                       "duplicate-entry");
        }
    }

    void CheckKeyLines(const ScriptSection& section, unsigned roles) {
        std::vector<const KeyRule*> allowed = AllowedKeys(roles);
        std::vector<std::string> allowedNames;
        for (const KeyRule* k : allowed) allowedNames.push_back(k->Name);
        std::map<std::string, unsigned> seen;
        for (const ProfileLine& line : section.Lines) {
            if (IsProfileComment(line) || line.Name.empty()) continue;
            if (line.Kind == ProfileNameOnlyLine) {
                Report(line.Number, SeverityNote, "a line without '=' is no key: Windows ignores it", "ignored-line");
                continue;
            }
            auto [it, added] = seen.emplace(Lower(line.Name), line.Number);
            if (!added) {
                Report(line.Number, SeverityWarning,
                       std::string(line.Name) + " is given twice in [" + section.Name + "]: the first one, on line " +
                           std::to_string(it->second) + ", wins",
                       "duplicate-key");
                continue;
            }
            const KeyRule* rule = nullptr;
            for (const KeyRule* k : allowed)
                if (EqualsIgnoreCase(k->Name, line.Name)) rule = k;
            if (rule == nullptr) {
                // A misspelt key leaves the entry on its default for the key meant.
                std::string nearest = NearestName(line.Name, allowedNames);
                Report(
                    line.Number, nearest.empty() ? SeverityWarning : SeverityError,
                    std::string(line.Name) + " is not a key of [" + section.Name + "]" +
                        (nearest.empty() ? ": SETUP.EXE ignores it"
                                         : ": did you mean " + nearest + "? SETUP.EXE uses the default of " + nearest),
                    "unknown-key");
                continue;
            }
            std::string_view value = StripMatchingQuotes(line.Value);
            CheckCommentInValue(line, rule->Kind, value);
            if (rule->Kind == StringKey && value.size() > rule->Limit)
                Report(line.Number, SeverityWarning,
                       std::string(rule->Name) + " is " + std::to_string(value.size()) +
                           " characters long; SETUP.EXE keeps the first " + std::to_string(rule->Limit) + ": \"" +
                           std::string(value.substr(0, rule->Limit)) + "\"",
                       "value-cut");
        }
    }

    // Profile files know whole-line comments only: "; note" after a value is part of it.
    void CheckCommentInValue(const ProfileLine& line, KeyKind kind, std::string_view value) {
        if (kind != StringKey) return;
        size_t at = value.find(';');
        if (at == std::string_view::npos || at == 0 || !IsProfileBlank(value[at - 1])) return;
        Report(line.Number, SeverityError,
               std::string(line.Name) + " is \"" + std::string(value) +
                   "\": a ';' after a value starts no comment, the text is part of the value (put comments on a "
                   "line of their own)",
               "comment-in-value");
    }

    void CheckSetup() {
        const ScriptSection* setup = FindScriptSection(script_, SetupSection);
        std::string log = ReadScriptValue(script_, SetupSection, UninstFile, "", 259);
        const ProfileLine* logLine = FindScriptKey(setup, UninstFile);
        if (!log.empty() && log.find_first_of("\\/:") == std::string::npos && logLine)
            Report(logLine->Number, SeverityNote,
                   "the uninstall log is a bare name: it goes to the Windows directory (" + SetupLogPath(log) + ")",
                   "bare-uninstall-log");
    }

    const Variable* FindVariable(std::string_view name) const {
        for (const auto& v : environment_)
            if (EqualsIgnoreCase(v.first, name)) return &v.second;
        return nullptr;
    }

    // The core's expansion on the default machine as the run stands here, measured
    // against `limit`; and the names that nothing in the script sets, reported once
    // per line.
    Expanded Expand(std::string_view text, unsigned line, size_t limit) {
        CoreExpansion core = ExpandWithCore(text, limit);
        Expanded out{core.Text, core.Fits, false};
        if (targetUncertain_ && ExpansionUsesTargetDir(text)) out.Uncertain = true;
        std::vector<std::string> unknown;
        for (const std::string& name : core.EnvironmentNames) {
            const Variable* v = FindVariable(name);
            if (v == nullptr) unknown.push_back(name);
            if (v == nullptr || !v->Known) out.Uncertain = true;
        }
        for (const std::string& name : unknown) {
            if (!macroReported_.insert({line, Lower(name)}).second) continue;
            bool setLater = false;
            for (const ProfileLine* entry : ListEntries(SetEnv)) setLater |= EqualsIgnoreCase(entry->Name, name);
            const char* versions = nullptr;
            for (const auto& v : kVersionVariables)
                if (EqualsIgnoreCase(v.first, name)) versions = v.second;
            if (versions != nullptr && !setLater) {
                Report(line, SeverityWarning,
                       "%" + name + "% is set by " + versions +
                           " only: elsewhere it expands to nothing (read the folder from the registry with "
                           "[SetEnv.WIN32] instead)",
                       "version-macro");
                continue;
            }
            Report(line, SeverityWarning,
                   "%" + name +
                       (setLater ? "% is set by [SetEnv.WIN32] only after this entry: here it comes from the "
                                   "environment of the person's machine, or expands to nothing"
                                 : "% is neither a macro nor set by [SetEnv.WIN32]: it comes from the environment of "
                                   "the person's machine, or expands to nothing"),
                   "unknown-macro");
        }
        return out;
    }

    void CheckExpandedLength(const Expanded& value, const char* key, unsigned line, size_t limit,
                             const char* consequence) {
        if (!value.Fits)
            Report(line, SeverityError,
                   std::string(key) + " expands to " + std::to_string(value.Text.size()) +
                       " characters on the default machine; SETUP.EXE holds " + std::to_string(limit) + consequence,
                   "path-too-long");
    }

    // The entry's target as SETUP.EXE's core takes it (and, for a file entry, its
    // source name): TargetFilename, and the entry's TargetDir expanded when it has
    // one; without one the directory of the entry before stays as it is. Returns
    // whether the entry has a TargetDir of its own.
    bool TakeTarget(const std::string& name, bool fileEntry) {
        EntrySection entry;
        if (fileEntry) {
            ReadEntrySection(g_Setup.INFFILE.c_str(), name.c_str(), entry);
            TakeEntryText(entry, SourceFilename, entry.Name, g_Setup.SRCFILE);
        } else {
            UseEntryKeysOneByOne(g_Setup.INFFILE.c_str(), name.c_str(), entry);
        }
        PathText before = g_Setup.TARGETDIR, raw;
        bool own = TakeEntryPresentText(entry, TargetDir, raw) != 0;
        TakeEntryTarget(entry, nullptr);
        if (!own) return false;
        const ProfileLine* line = FindScriptKey(FindScriptSection(script_, name), TargetDir);
        unsigned at = line ? line->Number : 0;
        // Measured whole, against the directory the core expanded it with.
        PathText taken = g_Setup.TARGETDIR;
        g_Setup.TARGETDIR = before;
        Expanded value = Expand(raw.view(), at, kPathLimit);
        g_Setup.TARGETDIR = taken;
        CheckExpandedLength(value, TargetDir, at, kPathLimit, "");
        // %WINDIR%\SAMPLE: the macro ends with a backslash already. Windows accepts the
        // path, but it is logged so; a network path's leading pair is no doubling.
        if (value.Text.find("\\\\", 1) != std::string::npos)
            Report(at, SeverityWarning,
                   "TargetDir expands to " + value.Text +
                       " on the default machine, with a doubled backslash: %WINDIR%, %WINSYSDIR% and %SRCDIR% "
                       "end with one already",
                   "doubled-backslash");
        targetTooLong_ = !value.Fits;
        targetUncertain_ = value.Uncertain;
        targetDirLine_ = at;
        return true;
    }

    // Sets a variable in the described machine's environment, where the core's later
    // expansions find it; an empty value removes it, as the environment phase does.
    void PutVariable(const std::string& name, const Variable& variable) {
        bool replaced = false;
        for (auto& v : environment_)
            if (EqualsIgnoreCase(v.first, name)) {
                v.second = variable;
                replaced = true;
            }
        if (!replaced) environment_.push_back({name, variable});
        SetEnvironmentVariableA(name.c_str(), variable.Value.empty() ? nullptr : variable.Value.c_str());
    }

    void RunVariables() {
        std::vector<std::string> sourceNames;
        for (const DataFromRow* row = DataFromTable; row->Name != nullptr; ++row) sourceNames.push_back(row->Name);
        for (const ProfileLine* entry : ListEntries(SetEnv)) {
            std::string name(entry->Name);
            const ScriptSection* section = FindScriptSection(script_, name);
            if (section == nullptr) {
                Report(entry->Number, SeverityWarning,
                       "[" + name + "] is missing: the entry runs on its defaults, so no DataFrom: the variable " +
                           name + " is removed",
                       "missing-section");
                PutVariable(name, {"", true});
                continue;
            }
            std::string source = ReadScriptValue(script_, name, DataFrom, "", 39);
            const ProfileLine* sourceLine = FindScriptKey(section, DataFrom);
            int code = DataFromNone;
            for (const DataFromRow* row = DataFromTable; row->Name != nullptr; ++row)
                if (EqualsIgnoreCase(row->Name, source)) code = row->Code;
            Variable variable{"", true};
            if (code == DataFromNone && sourceLine != nullptr) {
                std::string nearest = NearestName(source, sourceNames);
                Report(sourceLine->Number, SeverityError,
                       "DataFrom=" + source + " is not a source SETUP.EXE knows (REGISTRY, ENVIRONMENT, INIFILE)" +
                           (nearest.empty() ? "" : ": did you mean " + nearest + "?") + "; the variable " + name +
                           " is removed",
                       "unknown-data-from");
            } else if (code == DataFromRegistry) {
                CheckRootKey(section, name, true);
                variable.Known = false;
            } else if (code == DataFromEnvironment) {
                const ProfileLine* line = FindScriptKey(section, EnvironmentValue);
                // A variable is no path: it may hold up to the environment's own limit.
                Expanded value = Expand(ReadScriptValue(script_, name, EnvironmentValue, "", kPathLimit),
                                        line ? line->Number : entry->Number, kVariableValueChars);
                if (!value.Fits) {
                    CheckExpandedLength(value, EnvironmentValue, line ? line->Number : entry->Number,
                                        kVariableValueChars, ": the value is refused and the variable left as it was");
                    continue;
                }
                variable.Value = value.Text;
                variable.Known = !value.Uncertain;
            } else if (code == DataFromIniFile) {
                const char* keys[] = {INIFile, INIFileSect, INIFileKey};
                for (const char* key : keys) {
                    const ProfileLine* line = FindScriptKey(section, key);
                    if (line) Expand(ReadScriptValue(script_, name, key, "", kPathLimit), line->Number, kPathLimit);
                }
                variable.Known = false;
            }
            // The core keeps room for the backslash in the value's block, up to the limit.
            if (!variable.Value.empty() && ReadScriptNumber(script_, name, EndWithBackslash, 0) != 0 &&
                variable.Value.back() != '\\' && variable.Value.size() < kVariableValueChars)
                variable.Value += '\\';
            PutVariable(name, variable);
        }
    }

    // A registry root that SETUP.EXE cannot look up. For a variable the lookup then
    // fails, and a failed lookup skips the whole file phase.
    void CheckRootKey(const ScriptSection* section, const std::string& name, bool forVariable) {
        std::string root = ReadScriptValue(script_, name, RegistryRootKey, "", 79);
        const ProfileLine* line = FindScriptKey(section, RegistryRootKey);
        for (const char* known : kRootKeyNames)
            if (EqualsIgnoreCase(known, root)) return;
        std::vector<std::string> roots(std::begin(kRootKeyNames), std::end(kRootKeyNames));
        std::string nearest = root.empty() ? "" : NearestName(root, roots);
        // The short forms other tools accept are no names to SETUP.EXE.
        for (const auto& shortForm : kRootKeyShortForms)
            if (EqualsIgnoreCase(shortForm.first, root)) nearest = shortForm.second;
        std::string consequence = forVariable ? ": nothing is looked up and the variable " + name + " is removed"
                                              : std::string(": no browser installation is found");
        Report(line ? line->Number : section->HeaderLine, SeverityError,
               (root.empty() ? "RegistryRootKey of [" + name + "] is empty"
                             : "RegistryRootKey=" + root + " names no registry root" +
                                   (nearest.empty() ? "" : " (did you mean " + nearest + "?)")) +
                   consequence,
               "unknown-root-key");
    }

    void RunFiles() {
        for (const ProfileLine* entry : ListEntries(AddFiles)) {
            std::string name(entry->Name);
            const ScriptSection* section = FindScriptSection(script_, name);
            unsigned required = ReadScriptNumber(script_, name, RequiredCopy, 1);
            TakeTarget(name, true);
            if (section == nullptr)
                Report(entry->Number, SeverityWarning,
                       "[" + name + "] is missing: the entry runs on its defaults: it copies " + name +
                           " from the medium into " + ShownTargetDir(),
                       "missing-section");

            const ProfileLine* sourceLine = FindScriptKey(section, SourceFilename);
            unsigned sourceAt = sourceLine ? sourceLine->Number : entry->Number;
            if (medium_ != nullptr && !MediumHasFile(*medium_, RunningSource()))
                Report(sourceAt, SeverityError,
                       "the source file " + RunningSource() + " is not on the medium" +
                           (required == 0 ? " (RequiredCopy=0: setup goes on without it)" : ""),
                       "missing-source");
            PathText source;
            if (!JoinPath(source, g_Setup.SRCDIR.view(), g_Setup.SRCFILE.view()))
                Report(sourceAt, SeverityError,
                       "the source file " + RunningSource() + " in " + g_Setup.SRCDIR.c_str() +
                           " makes a path longer than " + std::to_string(kPathLimit) + " characters",
                       "path-too-long");

            unsigned dirAt = targetDirLine_ ? targetDirLine_ : entry->Number;
            bool fullDir = IsFullPath(g_Setup.TARGETDIR.view());
            if (!targetUncertain_) {
                if (RunningDir().empty())
                    Report(dirAt, SeverityError,
                           "the target directory of " + name + " is empty: SETUP.EXE refuses the entry",
                           "bad-target-dir");
                else if (!fullDir)
                    Report(dirAt, SeverityError,
                           "the target directory of " + name + " (" + RunningDir() +
                               ") is not a full path such as C:\\DIR\\ or \\\\SERVER\\SHARE\\: SETUP.EXE refuses "
                               "the entry",
                           "bad-target-dir");
            }
            PathText destination;
            bool joined = JoinPath(destination, g_Setup.TARGETDIR.view(), g_Setup.TARGETFILE.view()) != 0;
            if (!RunningDir().empty() && !targetTooLong_ && !joined)
                Report(dirAt, SeverityError,
                       "the destination of " + name + ", " + RunningFile() + " in " + RunningDir() +
                           ", is longer than " + std::to_string(kPathLimit) + " characters",
                       "path-too-long");
            CheckSharedFileLog(name, section);
            // Only a path the core copies to installs the file; one only known on the
            // machine may.
            bool copied = joined && (fullDir || targetUncertain_);
            NotePath(AddFiles, name, copied ? destination.c_str() : "");
            if (!copied) continue;
            installed_.push_back(destination.c_str());
            installedNames_.push_back(RunningFile());
        }
    }

    // SETUP.EXE counts a shared file only into a log: a count no log records could
    // never be lowered, and the file would stay for good.
    void CheckSharedFileLog(const std::string& name, const ScriptSection* section) {
        if (ReadScriptNumber(script_, name, SharedFile, 0) == 0) return;
        if (!ReadScriptValue(script_, SetupSection, UninstFile, "", kPathLimit).empty()) return;
        const ProfileLine* line = FindScriptKey(section, SharedFile);
        Report(line ? line->Number : 0, SeverityWarning,
               "SharedFile=" + ReadScriptValue(script_, name, SharedFile, "", 259) + " in [" + name +
                   "], but [SETUP] has no UninstFile: SETUP.EXE counts a shared file only in a log it keeps, so "
                   "this one is not counted and another product's removal may delete it",
               "shared-without-log");
    }

    std::string ShownTargetDir() const {
        if (targetUncertain_) return "the current target directory";
        return RunningDir().empty() ? "an empty target directory" : RunningDir();
    }

    bool IsInstalled(const std::string& path, const std::string& file) const {
        for (size_t i = 0; i < installed_.size(); ++i) {
            if (EqualsIgnoreCase(installed_[i], path)) return true;
            if (targetUncertain_ && EqualsIgnoreCase(installedNames_[i], file)) return true;
        }
        return false;
    }

    // A program or component is only started or loaded by a full path that fits: a
    // bare or relative one would be searched for, and something else of that name
    // found; a cut one names another file. The path as the core joins it; "" when it
    // refuses it.
    std::string CheckRunFromFullPath(const std::string& name, const char* what, unsigned line) {
        bool program = std::string(what) == "program";
        PathText path;
        bool joined = program ? JoinProgramPath(path) != 0
                              : JoinPath(path, g_Setup.TARGETDIR.view(), g_Setup.TARGETFILE.view()) != 0;
        bool full = program ? IsFullProgramPath(path.view()) : IsFullPath(path.view());
        const char* refusal = program ? "does not start it" : "does not load it";
        if (!joined) {
            if (!targetTooLong_)
                Report(line, SeverityError,
                       std::string("the ") + what + " of " + name + ", " + RunningFile() + " in " + RunningDir() +
                           ", is longer than " + std::to_string(kPathLimit) + " characters: SETUP.EXE " + refusal,
                       "path-too-long");
            return "";
        }
        if (!full && !targetUncertain_)
            Report(line, SeverityError,
                   std::string("the ") + what + " of " + name + " (" + path.c_str() +
                       ") has no full path such as C:\\DIR\\FILE: SETUP.EXE " + refusal,
                   "bad-target-dir");
        return full || targetUncertain_ ? path.c_str() : "";
    }

    void RunPrograms() {
        for (const ProfileLine* entry : ListEntries(ExecFiles)) {
            std::string name(entry->Name);
            const ScriptSection* section = FindScriptSection(script_, name);
            bool own = TakeTarget(name, false);
            if (section == nullptr)
                Report(entry->Number, SeverityWarning,
                       "[" + name + "] is missing: the entry runs on its defaults: it starts " + name + " from " +
                           ShownTargetDir(),
                       "missing-section");
            std::string program = CheckRunFromFullPath(name, "program", own ? targetDirLine_ : entry->Number);
            NotePath(ExecFiles, name, program);
            CheckInheritedSystemDirectory(name, "program", own ? 0 : entry->Number);
            CheckRemoverRegistration(name, section);
            bool onMedium = medium_ == nullptr || MediumHasFile(*medium_, RunningFile());
            if (!program.empty() && !IsInstalled(program, RunningFile()) && !onMedium)
                Report(entry->Number, SeverityWarning,
                       "no file entry installs the program " + program +
                           " and it is not on the medium: it must already be on the person's machine",
                       "program-not-installed");
        }
    }

    void RunComponents() {
        for (const ProfileLine* entry : ListEntries(RegisterFiles)) {
            std::string name(entry->Name);
            const ScriptSection* section = FindScriptSection(script_, name);
            bool own = TakeTarget(name, false);
            PathText path;
            bool shown = !targetUncertain_ && !RunningDir().empty() &&
                         JoinPath(path, g_Setup.TARGETDIR.view(), g_Setup.TARGETFILE.view());
            if (section == nullptr)
                Report(entry->Number, SeverityWarning,
                       "[" + name + "] is missing: the entry runs on its defaults: it registers " +
                           (shown ? std::string(path.c_str()) : RunningFile() + " from " + ShownTargetDir()),
                       "missing-section");
            NotePath(RegisterFiles, name,
                     CheckRunFromFullPath(name, "component", own ? targetDirLine_ : entry->Number));
            CheckInheritedSystemDirectory(name, "component", own ? 0 : entry->Number);
        }
    }

    static std::string WithoutTrailingBackslash(std::string path) {
        while (!path.empty() && path.back() == '\\') path.pop_back();
        return path;
    }

    // An entry without a TargetDir of its own takes the directory of the entry before
    // it: after a file for the system directory, the program is looked for there.
    void CheckInheritedSystemDirectory(const std::string& name, const char* what, unsigned inheritedAt) {
        if (inheritedAt == 0 || targetUncertain_ ||
            !EqualsIgnoreCase(WithoutTrailingBackslash(RunningDir()),
                              WithoutTrailingBackslash(g_Setup.WINSYSDIR.c_str())))
            return;
        Report(inheritedAt, SeverityWarning,
               "[" + name + "] has no TargetDir of its own: its " + what +
                   " is taken from the system directory, inherited from the entry before it (give it a TargetDir)",
               "inherited-system-dir");
    }

    // Where SETUP.EXE keeps the log UninstFile names (a bare name in the Windows
    // directory); "" when the path does not fit.
    static std::string SetupLogPath(const std::string& name) {
        PathText file;
        return ResolveLogFile(name.c_str(), file) ? file.c_str() : "";
    }

    // Where the remover looks for the log its command line names; "" when it refuses it.
    static std::string RemoverLogPath(const std::string& name) {
        return ResolveLogPath(name.c_str()) ? g_Uninst.LogPath.c_str() : "";
    }

    // UNINST.EXE /register NAME makes the Add/Remove Programs entry from the log NAME: it
    // must be the log SETUP.EXE keeps.
    void CheckRemoverRegistration(const std::string& name, const ScriptSection* section) {
        std::string target = RunningFile();
        std::string file = target.substr(target.find_last_of("\\/") + 1);
        if (!EqualsIgnoreCase(file, "UNINST.EXE")) return;
        std::string params = ReadScriptValue(script_, name, ExecParam, "", 127);
        std::string lower = Lower(params);
        size_t at = lower.find("/register");
        if (at == std::string::npos) return;
        std::string named = params.substr(at + 9);
        named.erase(0, std::min(named.size(), named.find_first_not_of(" \t")));
        // A quoted name may hold blanks; a plain one ends at the first.
        if (!named.empty() && named.front() == '"')
            named =
                named.substr(1, named.find('"', 1) == std::string::npos ? std::string::npos : named.find('"', 1) - 1);
        else
            named = named.substr(0, named.find_first_of(" \t"));
        const ProfileLine* paramLine = FindScriptKey(section, ExecParam);
        unsigned line = paramLine ? paramLine->Number : section ? section->HeaderLine : 0;
        std::string log = ReadScriptValue(script_, SetupSection, UninstFile, "", kPathLimit);
        if (log.empty())
            Report(line, SeverityError,
                   "UNINST.EXE /register " + named +
                       " runs, but [SETUP] has no UninstFile: SETUP.EXE keeps no log, the remover shows \"Unable to "
                       "open file\" and no Add/Remove Programs entry is made",
                   "remover-wiring");
        else if (RemoverLogPath(named).empty())
            Report(line, SeverityError,
                   "UNINST.EXE /register " + named +
                       ": the remover takes a full path or a bare name in the Windows directory, and refuses this "
                       "one: no Add/Remove Programs entry is made",
                   "remover-wiring");
        else if (!EqualsIgnoreCase(RemoverLogPath(named), SetupLogPath(log)))
            Report(line, SeverityError,
                   "UNINST.EXE /register " + named + " names another file than the uninstall log UninstFile=" + log +
                       ": the remover cannot open it and no Add/Remove Programs entry is made",
                   "remover-wiring");
    }

    // A log in a directory that only the file phase makes cannot take the [UNINST] line
    // written at start-up, and the remover then refuses it.
    void CheckUninstallLogPlace() {
        std::string log = ReadScriptValue(script_, SetupSection, UninstFile, "", kPathLimit);
        if (log.empty()) return;
        std::string directory = SetupLogPath(log);
        directory = WithoutTrailingBackslash(directory.substr(0, directory.find_last_of('\\') + 1));
        if (EqualsIgnoreCase(directory, WithoutTrailingBackslash(g_Setup.WINDIR.c_str())) ||
            EqualsIgnoreCase(directory, WithoutTrailingBackslash(g_Setup.WINSYSDIR.c_str())))
            return;
        for (const std::string& installed : installed_) {
            std::string into = WithoutTrailingBackslash(installed.substr(0, installed.find_last_of('\\') + 1));
            bool inside = EqualsIgnoreCase(into, directory) ||
                          (into.size() > directory.size() && into[directory.size()] == '\\' &&
                           EqualsIgnoreCase(into.substr(0, directory.size()), directory));
            if (!inside) continue;
            const ProfileLine* line = FindScriptKey(FindScriptSection(script_, SetupSection), UninstFile);
            Report(line ? line->Number : 0, SeverityWarning,
                   "the uninstall log " + log + " lies in " + directory +
                       ", a directory the setup itself creates: the log's first line is written before the "
                       "directory exists (keep the log in the Windows directory)",
                   "log-in-product-dir");
            return;
        }
    }

    void CheckNetscapeSections() {
        const char* names[] = {NetscapeDir, NetscapeDirEx};
        for (const char* name : names)
            if (const ScriptSection* section = FindScriptSection(script_, name)) CheckRootKey(section, name, false);
    }
};

}  // namespace

std::vector<Diagnostic> CheckScript(const ScriptText& script, const Medium* medium, const CheckMachine& machine,
                                    std::vector<CheckedPath>* paths) {
    return Checker(script, medium, machine, paths).Run();
}

const char* SeverityName(Severity level) {
    switch (level) {
        case SeverityError:
            return "error";
        case SeverityWarning:
            return "warning";
        default:
            return "note";
    }
}
