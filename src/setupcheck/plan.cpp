#include "setupcheck/plan.h"

#include <string.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "machine/machine.h"
#include "machine/machine_internal.h"
#include "script/script_names.h"
#include "setup/exit_codes.h"
#include "setup/setup_context.h"
#include "setupcheck/described_windows.h"
#include "setupcheck/medium.h"
#include "setupcheck/pe_file.h"
#include "setupcheck/report.h"
#include "setupcheck/script_text.h"
#include "ui/resource_ids.h"

namespace fs = std::filesystem;

namespace {

// What the version service and LoadLibrary need to know of a file: its version
// resource and its exports, read from the file it expands to when it is compressed.
void PutHostFile(const std::string& machinePath, const std::string& bytes) {
    machine::WriteFile(machinePath, bytes);
    machine::FileData& file = machine::M().files[machine::NormalisePath(machinePath)];
    std::string expanded;
    bool compressed = ExpandSzddFile(bytes, expanded);
    // The version service installs a compressed source expanded.
    if (compressed) machine::M().expandedContent[machine::NormalisePath(machinePath)] = expanded;
    const std::string& image = compressed ? expanded : bytes;
    file.version = ReadFileVersion(image);
    file.isModule = IsPeModule(image);
    file.exportsRegisterServer = file.isModule && ExportsFunction(image, "DllRegisterServer");
}

bool PutHostTree(const fs::path& from, const std::string& to, std::string& problem) {
    std::error_code error;
    fs::recursive_directory_iterator walk(from, fs::directory_options::skip_permission_denied, error);
    if (error) {
        problem = "cannot read " + from.string();
        return false;
    }
    for (auto it = fs::begin(walk); it != fs::end(walk); it.increment(error)) {
        if (error) break;
        std::string relative = fs::relative(it->path(), from, error).generic_string();
        for (char& c : relative)
            if (c == '/') c = '\\';
        std::string path = machine::JoinMachinePath(to, relative);
        if (it->is_directory(error)) {
            machine::MakeDirectory(path);
        } else if (it->is_regular_file(error)) {
            std::string bytes;
            if (!ReadWholeFile(it->path(), bytes)) {
                problem = "cannot read " + it->path().string();
                return false;
            }
            PutHostFile(path, bytes);
        }
    }
    return true;
}

const std::pair<const char*, HKEY> kRoots[] = {
    {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {"HKEY_USERS", HKEY_USERS},
};

// A quoted .reg string with its escapes (\\ and \") resolved; `at` is on the opening
// quote and ends after the closing one.
bool ReadRegString(const std::string& line, size_t& at, std::string& text) {
    if (at >= line.size() || line[at] != '"') return false;
    text.clear();
    for (++at; at < line.size(); ++at) {
        if (line[at] == '\\' && at + 1 < line.size()) {
            text += line[++at];
        } else if (line[at] == '"') {
            ++at;
            return true;
        } else {
            text += line[at];
        }
    }
    return false;
}

// Registry values in regedit's format: [KEY] lines, then "name"="string", @="string"
// and "name"=dword:xxxxxxxx lines.
bool LoadRegistryFile(const std::string& path, std::string& problem) {
    std::string bytes;
    if (!ReadWholeFile(path, bytes)) {
        problem = "cannot read the registry file " + path;
        return false;
    }
    std::istringstream lines(bytes);
    HKEY root = nullptr;
    std::string subkey;
    int number = 0;
    for (std::string line; std::getline(lines, line);) {
        ++number;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        std::string where = path + ":" + std::to_string(number) + ": ";
        if (line.empty() || line[0] == ';' || line.rfind("REGEDIT", 0) == 0 || line.rfind("Windows Registry", 0) == 0)
            continue;
        if (line[0] == '[') {
            std::string key = line.substr(1, line.size() - 2);
            size_t slash = key.find('\\');
            std::string rootName = key.substr(0, slash);
            root = nullptr;
            for (const auto& r : kRoots)
                if (machine::SameText(r.first, rootName)) root = r.second;
            if (root == nullptr || line.back() != ']') {
                problem = where + "not a registry key: " + line;
                return false;
            }
            subkey = slash == std::string::npos ? "" : key.substr(slash + 1);
            machine::CreateRegistryKey(root, subkey);
            continue;
        }
        if (root == nullptr) {
            problem = where + "a value before any key";
            return false;
        }
        size_t at = 0;
        std::string name, text;
        if (line[0] == '@') {
            at = 1;
        } else if (!ReadRegString(line, at, name)) {
            problem = where + "not a value: " + line;
            return false;
        }
        if (at >= line.size() || line[at] != '=') {
            problem = where + "not a value: " + line;
            return false;
        }
        ++at;
        if (line.compare(at, 6, "dword:") == 0) {
            uint32_t v = static_cast<uint32_t>(std::stoul(line.substr(at + 6), nullptr, 16));
            std::string data(4, '\0');
            for (int i = 0; i < 4; ++i) data[i] = static_cast<char>((v >> (8 * i)) & 0xff);
            machine::SetRegistryData(root, subkey, name, REG_DWORD, data);
        } else if (ReadRegString(line, at, text)) {
            machine::SetRegistryString(root, subkey, name, text);
        } else {
            problem = where + "a value of a kind the plan does not read: " + line;
            return false;
        }
    }
    return true;
}

std::string CatalogueText(UINT id) {
    auto it = machine::StringTable().find(id);
    return it == machine::StringTable().end() ? std::string() : it->second;
}

// Whether a box shows the catalogue text `id`: its fixed parts, in order, around the
// placeholders filled in ("%s", "%u", "%lu").
bool ShowsCatalogueText(const machine::MessageBoxRecord& box, UINT id) {
    std::string text = CatalogueText(id);
    if (text.empty()) return false;
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            parts.back() += text[i];
            continue;
        }
        while (i + 1 < text.size() && (text[i + 1] == 'l' || (text[i + 1] >= '0' && text[i + 1] <= '9'))) ++i;
        ++i;  // the conversion letter
        parts.emplace_back();
    }
    size_t at = 0;
    for (size_t i = 0; i < parts.size(); ++i) {
        size_t found = box.text.find(parts[i], at);
        // The first part starts the box's text; each later one follows the one before.
        if (found == std::string::npos || (i == 0 && found != 0)) return false;
        at = found + parts[i].size();
    }
    return true;
}

// The answer that changes least once the person has chosen to install: go on, keep
// the newer file that is there, install into each browser found, no restart now.
int LeastChangingAnswer(const machine::MessageBoxRecord& box) {
    if (ShowsCatalogueText(box, IDS_RESTART)) return IDNO;
    return IDYES;
}

// A box text on one line, its line breaks written as \n (as the docs write them).
std::string OneLine(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '\n' ? std::string("\\n") : std::string(1, c);
    return out;
}

std::string Buttons(UINT style) {
    return (style & 0xF) == MB_YESNO ? "Yes/No" : "OK";
}

std::string AnswerName(int answer) {
    switch (answer) {
        case IDYES:
            return "Yes";
        case IDNO:
            return "No";
        case IDOK:
            return "OK";
        default:
            return std::to_string(answer);
    }
}

// Why a copy did not take place, in the words of the copy-error reasons.
const std::pair<DWORD, const char*> kCopyFailures[] = {
    {VIF_CANNOTREADSRC, "cannot read the source"},
    {VIF_CANNOTCREATE, "cannot create the file"},
    {VIF_WRITEPROT, "the destination is write-protected"},
    {VIF_CANNOTREADDST, "cannot read the destination"},
    {VIF_OUTOFSPACE, "out of disk space"},
    {VIF_OUTOFMEMORY, "out of memory"},
    {VIF_ACCESSVIOLATION, "access violation"},
    {VIF_CANNOTDELETE, "cannot delete the file"},
    {VIF_CANNOTRENAME, "cannot rename the file"},
    {VIF_BUFFTOOSMALL, "buffer too small"},
};

std::string CopyOutcome(const machine::VerInstallCall& call, bool existedBefore) {
    DWORD r = call.result;
    if (r == 0) return existedBefore ? "replaced" : "new";
    if (r & VIF_SRCOLD) return "the source is older: the question follows";
    if (r & (VIF_SHARINGVIOLATION | VIF_FILEINUSE)) return "in use";
    for (const auto& failure : kCopyFailures)
        if (r & failure.first) return std::string("fails: ") + failure.second;
    char bits[16];
    snprintf(bits, sizeof bits, "%lx", static_cast<unsigned long>(r));
    return std::string("fails (") + bits + ")";
}

// The entries of the script's lists, for telling which entry a call was made for.
struct ScriptEntry {
    std::string List, Name;
};

std::vector<ScriptEntry> ListScriptEntries(const std::string& scriptBytes) {
    ScriptText script;
    LoadScriptText(script, scriptBytes);
    std::vector<ScriptEntry> entries;
    for (const char* list :
         {ScriptName::SetEnv, ScriptName::AddFiles, ScriptName::ExecFiles, ScriptName::RegisterFiles})
        for (const ProfileLine* line : ReadListEntries(FindScriptSection(script, list)))
            entries.push_back({list, std::string(line->Name)});
    return entries;
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && machine::SameText(text.substr(0, prefix.size()), prefix);
}

// Follows the profile reads of the script: a list's key list starts its phase, a read of
// an entry's section starts that entry.
struct EntryTracker {
    const std::vector<ScriptEntry>& Entries;
    std::string Script;  // " D:\SETUP.INF": how every read of the script ends
    std::string List, Entry;

    void See(const std::string& call) {
        if (call.size() < Script.size() || !machine::SameText(call.substr(call.size() - Script.size()), Script)) return;
        for (const char* reader :
             {"GetPrivateProfileStringA ", "GetPrivateProfileSectionA ", "GetPrivateProfileIntA "}) {
            if (!StartsWithNoCase(call, reader)) continue;
            std::string rest = call.substr(strlen(reader));
            for (const char* list :
                 {ScriptName::SetEnv, ScriptName::AddFiles, ScriptName::ExecFiles, ScriptName::RegisterFiles})
                if (machine::SameText(rest, std::string(list) + " " + Script)) {
                    List = list;
                    Entry.clear();
                    return;
                }
            size_t longest = 0;
            for (const ScriptEntry& e : Entries)
                if (machine::SameText(e.List, List) && e.Name.size() >= longest &&
                    StartsWithNoCase(rest, e.Name + " ")) {
                    longest = e.Name.size();
                    Entry = e.Name;
                }
        }
    }
};

std::string HexResult(long value) {
    char text[16];
    snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(value) & 0xFFFFFFFFul);
    return text;
}

// What became of a component SETUP.EXE tried to load: "" when DllRegisterServer
// succeeded, otherwise why not.
std::string RegisterFailure(const std::string& path, bool called) {
    const auto& components = machine::M().components;
    auto it = components.find(machine::NormalisePath(path));
    if (it == components.end()) return "cannot be loaded";
    if (!called) return "exports no DllRegisterServer";
    if (it->second.registerResult < 0) return "DllRegisterServer fails (" + HexResult(it->second.registerResult) + ")";
    return "";
}

// The count SETUP.EXE writes for a shared file, as the machine records the call.
constexpr char kSharedCountCall[] =
    "RegSetValueExA HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs ";

// A SharedDLLs value at the end of the run, as a decimal number ("?" when it is no
// REG_DWORD: the write did not take).
std::string SharedCountAfterRun(const std::string& name) {
    const auto& registry = machine::M().registry;
    auto key = registry.find("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs");
    if (key == registry.end()) return "?";
    auto value = key->second.values.find(name);
    if (value == key->second.values.end() || value->second.first != REG_DWORD || value->second.second.size() != 4)
        return "?";
    const std::string& bytes = value->second.second;
    unsigned long count = 0;
    for (size_t i = 4; i > 0; --i) count = (count << 8) | static_cast<unsigned char>(bytes[i - 1]);
    return std::to_string(count);
}

std::vector<PlanEvent> CollectEvents(const std::set<std::string>& existedBefore,
                                     const std::vector<ScriptEntry>& entries) {
    machine::Machine& m = machine::M();
    std::vector<PlanEvent> events;
    EntryTracker tracker{entries, std::string(" ") + kPlanMediumDir + ScriptName::SetupFile, "", ""};
    size_t box = 0, install = 0, started = 0, staged = 0;
    // A component LoadLibraryA was given in the register phase, and its entry.
    std::string loading, loadingEntry;
    std::string actedFor;  // the last entry that did something (a box is no action)
    auto add = [&](PlanEvent event) {
        if (event.List.empty()) event.List = tracker.List, event.Entry = tracker.Entry;
        if (event.Kind != "box") actedFor = event.List + "|" + event.Entry;
        events.push_back(std::move(event));
    };
    // An entry of the file, program or component lists that was read but did nothing:
    // SETUP.EXE refused its path.
    std::string previous;
    auto closeEntry = [&](const std::string& list, const std::string& entry) {
        if (entry.empty() || list == ScriptName::SetEnv || actedFor == list + "|" + entry) return;
        events.push_back({"refused",
                          "[" + entry + "] of [" + list + "]: refused, its path is not used",
                          {{"entry", entry}, {"list", list}},
                          list,
                          entry,
                          "SETUP.EXE refuses its path (empty, not a full path such as C:\\DIR\\, or too long)"});
    };
    auto finishRegister = [&](bool called) {
        if (loading.empty()) return;
        std::string failure = RegisterFailure(loading, called);
        add({"register",
             loading + (failure.empty() ? "" : " (" + failure + ")"),
             {{"path", loading}, {"outcome", failure.empty() ? "registered" : failure}},
             ScriptName::RegisterFiles,
             loadingEntry,
             failure.empty() ? "" : "the component " + loading + " " + failure});
        loading.clear();
    };
    for (const std::string& call : m.calls) {
        auto starts = [&](const char* prefix) { return call.rfind(prefix, 0) == 0; };
        std::string list = tracker.List, entry = tracker.Entry;
        tracker.See(call);
        if (tracker.List != list || tracker.Entry != entry) {
            if (!loading.empty() && !starts("DllRegisterServer ")) finishRegister(false);
            closeEntry(list, entry);
        }
        if (starts("MessageBoxA ") && box < m.boxes.size()) {
            finishRegister(false);
            const machine::MessageBoxRecord& b = m.boxes[box++];
            add({"box",
                 b.caption + " | " + OneLine(b.text) + " | " + Buttons(b.style) + " -> " + AnswerName(b.answer),
                 {{"caption", b.caption},
                  {"text", b.text},
                  {"buttons", Buttons(b.style)},
                  {"answer", AnswerName(b.answer)}},
                 "",
                 "",
                 ""});
        } else if (starts("SetEnvironmentVariableA ")) {
            std::string setting = call.substr(24);
            size_t eq = setting.find('=');
            bool removed = eq == std::string::npos;
            std::string name = removed ? setting.substr(0, setting.rfind(" (remove)")) : setting.substr(0, eq);
            add({"environment",
                 setting,
                 {{"name", name},
                  {"value", removed ? "" : setting.substr(eq + 1)},
                  {"removed", removed ? "yes" : "no"}},
                 "",
                 "",
                 removed ? "the variable " + name + " is removed" : ""});
        } else if (starts("VerInstallFileA ") && install < m.verInstallCalls.size()) {
            const machine::VerInstallCall& c = m.verInstallCalls[install++];
            std::string from = machine::JoinMachinePath(c.srcDir, c.srcFile);
            std::string to = machine::JoinMachinePath(c.destDir, c.destFile);
            bool forced = c.flags & VIFF_FORCEINSTALL;
            std::string outcome = CopyOutcome(c, existedBefore.count(to) > 0);
            // A forced retry after the question belongs to the same copy.
            add({"copy",
                 from + " -> " + to + (forced ? " (forced)" : "") + ": " + outcome,
                 {{"source", from}, {"destination", to}, {"forced", forced ? "yes" : "no"}, {"outcome", outcome}},
                 "",
                 "",
                 outcome.rfind("fails", 0) == 0 ? "the copy of " + from + " to " + to + " " + outcome : ""});
        } else if (starts("WinExec ")) {
            std::string command = call.substr(8);
            bool ran = started < m.started.size() && m.started[started].command == command;
            if (ran) ++started;
            add({"start",
                 command + (ran ? "" : " (cannot be started)"),
                 {{"command", command}, {"started", ran ? "yes" : "no"}},
                 "",
                 "",
                 ran ? "" : "the program cannot be started: " + command});
        } else if (starts("LoadLibraryA ") && tracker.List == ScriptName::RegisterFiles) {
            finishRegister(false);
            loading = call.substr(13);
            loadingEntry = tracker.Entry;
        } else if (starts("DllRegisterServer ")) {
            if (loading.empty()) loading = call.substr(18), loadingEntry = tracker.Entry;
            finishRegister(true);
        } else if (starts("MoveFileExA ") &&
                   (std::stoul(call.substr(call.rfind(' ') + 1)) & MOVEFILE_DELAY_UNTIL_REBOOT)) {
            // A move carried out at the next start (Windows NT).
            std::vector<std::pair<std::string, std::string>> moves = machine::DelayedMoves();
            if (staged < moves.size()) {
                const auto& move = moves[staged++];
                std::string to = move.second.empty() ? "(deleted)" : move.second;
                add({"staged",
                     move.first + " -> " + to + " at the next start",
                     {{"from", move.first}, {"to", to}},
                     "",
                     "",
                     ""});
            }
        } else if (starts("WritePrivateProfileStringA rename ")) {
            // "[rename] destination=staged copy file" in wininit.ini (the Windows 95 family);
            // short names, so no blanks.
            std::istringstream words(call.substr(34));
            std::string destination, copy;
            words >> destination >> copy;
            add({"staged",
                 copy + " -> " + destination + " at the next start (wininit.ini)",
                 {{"from", copy}, {"to", destination}},
                 "",
                 "",
                 ""});
        } else if (starts(kSharedCountCall)) {
            // A shared file's count, raised in SharedDLLs: the number it was set to.
            std::string name = call.substr(strlen(kSharedCountCall));
            std::string count = SharedCountAfterRun(name);
            add({"shared", name + ": SharedDLLs count " + count, {{"path", name}, {"count", count}}, "", "", ""});
        } else if (starts("WriteFile box ")) {
            // Unattended, a box is not shown: the trace's line says how it was answered.
            add({"box", call.substr(14), {{"trace", call.substr(14)}}, "", "", ""});
        } else if (starts("ExitWindowsEx ")) {
            add({"restart", "Windows restarts", {}, "", "", ""});
        }
    }
    finishRegister(false);
    closeEntry(tracker.List, tracker.Entry);
    return events;
}

}  // namespace

int PlanMedium(const PlanMachine& description, const Medium& medium, PlanResult& result, std::string& problem) {
    machine::Reset();
    machine::Machine& m = machine::M();
    if (!DescribeWindows(description.Windows, description.WindowsDir, description.SystemDir)) {
        problem = "unknown Windows version " + description.Windows + " (" + DescribedWindowsNames() + ")";
        return 2;
    }
    m.moduleFileName = std::string(kPlanMediumDir) + "SETUP.EXE";
    m.currentDirectory = kPlanMediumDir;
    machine::MakeDirectory(kPlanMediumDir);
    if (!description.Root.empty() && !PutHostTree(description.Root, "C:\\", problem)) return 2;
    if (!PutHostTree(medium.Directory, kPlanMediumDir, problem)) return 2;
    // The script under the name SETUP.EXE opens; a medium without one runs without it.
    std::string scriptBytes;
    if (!medium.ScriptName.empty()) {
        ReadWholeFile(fs::path(medium.Directory) / medium.ScriptName, scriptBytes);
        machine::WriteFile(std::string(kPlanMediumDir) + ScriptName::SetupFile, scriptBytes);
    }
    for (const std::string& file : description.RegistryFiles)
        if (!LoadRegistryFile(file, problem)) return 2;
    for (const std::string& pair : description.Environment) {
        size_t eq = pair.find('=');
        if (eq == std::string::npos || eq == 0) {
            problem = "--env wants NAME=VALUE, not " + pair;
            return 2;
        }
        machine::SetEnvironment(pair.substr(0, eq), pair.substr(eq + 1));
    }
    for (const std::string& path : description.InUse) {
        machine::FileData* file = machine::FindFile(path);
        if (file == nullptr) {
            problem = "--in-use " + path + ": no such file on the described machine";
            return 2;
        }
        file->inUse = true;
    }
    // A failing component is named as it lies on the medium, or by its path on the
    // machine; the copy SETUP.EXE makes of it fails the same way.
    for (const std::string& path : description.RegisterFails) {
        bool full = path.find(':') != std::string::npos || path.rfind("\\\\", 0) == 0;
        machine::FileData* file = machine::FindFile(full ? path : machine::JoinMachinePath(kPlanMediumDir, path));
        if (file == nullptr || !file->isModule || !file->exportsRegisterServer) {
            problem = "--register-fails " + path + ": no component exporting DllRegisterServer there";
            return 2;
        }
        file->registerResult = static_cast<HRESULT>(0x80004005);  // E_FAIL
    }
    for (const std::string& answer : description.Answers) {
        if (machine::SameText(answer, "yes"))
            m.answers.push_back(IDYES);
        else if (machine::SameText(answer, "no"))
            m.answers.push_back(IDNO);
        else if (!machine::SameText(answer, "ok")) {
            // "ok" answers a box with only an OK button, which needs no answer: a box
            // list copied as answers plans the same run.
            problem = "an answer is yes, no or ok, not " + answer;
            return 2;
        }
    }
    m.answerWhenNoneLeft = LeastChangingAnswer;
    std::set<std::string> existedBefore;
    for (const auto& file : m.files) existedBefore.insert(file.first);

    // Unattended, the boxes are known only from the run's trace, kept on the described
    // machine.
    result.ExitCode = machine::RunSetup(description.Silent ? "/S /LOG:C:\\SETUPCHK.TRC" : "");

    result.Events = CollectEvents(existedBefore, ListScriptEntries(scriptBytes));
    result.LogPath = g_Setup.UninstallLogEnabled ? g_Setup.UninstLogPath.c_str() : "";
    if (!result.LogPath.empty()) {
        std::string normal = machine::NormalisePath(result.LogPath.find_first_of("\\/:") == std::string::npos
                                                        ? machine::JoinMachinePath(m.windowsDirectory, result.LogPath)
                                                        : result.LogPath);
        result.LogText = machine::ReadFile(normal).value_or("");
        result.LogPath = normal;
    }
    result.RestartOffered = false;
    result.Failed = false;
    for (const machine::MessageBoxRecord& b : m.boxes) {
        result.RestartOffered |= ShowsCatalogueText(b, IDS_RESTART);
        result.Failed |= ShowsCatalogueText(b, IDS_SETUP_FAILED) || ShowsCatalogueText(b, IDS_UNABLE_TO_OPEN) ||
                         ShowsCatalogueText(b, IDS_REQUIRES_WINDOWS);
    }
    // Unattended, no box is shown: the exit code tells the outcome.
    result.Failed |=
        result.ExitCode == kExitFailed || result.ExitCode == kExitCannotOpen || result.ExitCode == kExitWindowsTooOld;
    return 0;
}

int RunPlan(const PlanMachine& description, const Medium& medium, bool json, std::string& out, std::string& problem) {
    PlanResult plan;
    if (PlanMedium(description, medium, plan, problem) != 0) return 2;
    const std::vector<PlanEvent>& events = plan.Events;
    int code = plan.Failed ? 1 : 0;
    if (json) {
        out += "{\"windows\": " + JsonString(description.Windows) + ", \"events\": [";
        for (size_t i = 0; i < events.size(); ++i) {
            out += std::string(i ? ",\n  " : "\n  ") + "{\"kind\": \"" + events[i].Kind + "\"";
            for (const auto& field : events[i].Fields) out += ", \"" + field.first + "\": " + JsonString(field.second);
            out += "}";
        }
        out += events.empty() ? "]" : "\n]";
        out += ", \"uninstallLog\": " + JsonString(plan.LogPath) +
               ", \"uninstallLogText\": " + JsonString(plan.LogText) +
               ", \"restartOffered\": " + (plan.RestartOffered ? "true" : "false") +
               ", \"failed\": " + (plan.Failed ? "true" : "false") +
               (description.Silent ? ", \"exitCode\": " + std::to_string(plan.ExitCode) : "") + "}\n";
        return code;
    }
    for (const PlanEvent& e : events) out += e.Kind + ": " + e.Text + "\n";
    if (!plan.LogPath.empty()) {
        out += "uninstall log: " + plan.LogPath + "\n";
        std::istringstream lines(plan.LogText);
        for (std::string line; std::getline(lines, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            out += "  " + line + "\n";
        }
    }
    out += std::string("restart offered: ") + (plan.RestartOffered ? "yes" : "no") + "\n";
    if (description.Silent) out += "exit code: " + std::to_string(plan.ExitCode) + "\n";
    return code;
}
