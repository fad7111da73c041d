#include "setupcheck/plan.h"

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "machine/machine.h"
#include "machine/machine_internal.h"
#include "setup/setup_context.h"
#include "setupcheck/medium.h"
#include "setupcheck/pe_file.h"
#include "setupcheck/report.h"
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

bool SetWindows(const std::string& name, const std::string& windowsDir, const std::string& systemDir) {
    machine::Machine& m = machine::M();
    bool nt = true;
    if (name == "95") {
        machine::SetWindows95();
        nt = false;
    } else if (name == "98") {
        machine::SetWindows95();
        m.version.dwMinorVersion = 10;
        m.version.dwBuildNumber = 0x040A07CE;
        m.getVersionResult = 0xC0000A04;
        nt = false;
    } else if (name == "nt4") {
        machine::SetWindowsNT4();
    } else if (name == "2000") {
        machine::SetWindowsXP();
        m.version.dwMinorVersion = 0;
        m.version.dwBuildNumber = 2195;
        m.getVersionResult = 0x08930005;
    } else if (name == "xp") {
        machine::SetWindowsXP();
    } else {
        return false;
    }
    m.windowsDirectory = machine::NormalisePath(windowsDir);
    m.systemDirectory = systemDir.empty() ? machine::JoinMachinePath(m.windowsDirectory, nt ? "SYSTEM32" : "SYSTEM")
                                          : machine::NormalisePath(systemDir);
    machine::MakeDirectory(m.windowsDirectory);
    machine::MakeDirectory(m.systemDirectory);
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

// Whether a box shows the catalogue text `id` (its placeholders filled).
bool ShowsCatalogueText(const machine::MessageBoxRecord& box, UINT id) {
    std::string text = CatalogueText(id);
    std::string head = text.substr(0, text.find('%'));
    return !head.empty() && box.text.compare(0, head.size(), head) == 0;
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

struct PlanEvent {
    std::string Kind;  // box, environment, copy, start, register, staged, restart
    std::string Text;  // the event on one line
    std::vector<std::pair<std::string, std::string>> Fields;  // its parts, for JSON
};

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

std::vector<PlanEvent> CollectEvents(const std::set<std::string>& existedBefore) {
    machine::Machine& m = machine::M();
    std::vector<PlanEvent> events;
    size_t box = 0, install = 0, started = 0, staged = 0;
    for (const std::string& call : m.calls) {
        auto starts = [&](const char* prefix) { return call.rfind(prefix, 0) == 0; };
        if (starts("MessageBoxA ") && box < m.boxes.size()) {
            const machine::MessageBoxRecord& b = m.boxes[box++];
            events.push_back(
                {"box",
                 b.caption + " | " + OneLine(b.text) + " | " + Buttons(b.style) + " -> " + AnswerName(b.answer),
                 {{"caption", b.caption},
                  {"text", b.text},
                  {"buttons", Buttons(b.style)},
                  {"answer", AnswerName(b.answer)}}});
        } else if (starts("SetEnvironmentVariableA ")) {
            std::string setting = call.substr(24);
            size_t eq = setting.find('=');
            bool removed = eq == std::string::npos;
            events.push_back(
                {"environment",
                 setting,
                 {{"name", removed ? setting.substr(0, setting.rfind(" (remove)")) : setting.substr(0, eq)},
                  {"value", removed ? "" : setting.substr(eq + 1)},
                  {"removed", removed ? "yes" : "no"}}});
        } else if (starts("VerInstallFileA ") && install < m.verInstallCalls.size()) {
            const machine::VerInstallCall& c = m.verInstallCalls[install++];
            std::string from = machine::JoinMachinePath(c.srcDir, c.srcFile);
            std::string to = machine::JoinMachinePath(c.destDir, c.destFile);
            bool forced = c.flags & VIFF_FORCEINSTALL;
            std::string outcome = CopyOutcome(c, existedBefore.count(to) > 0);
            events.push_back(
                {"copy",
                 from + " -> " + to + (forced ? " (forced)" : "") + ": " + outcome,
                 {{"source", from}, {"destination", to}, {"forced", forced ? "yes" : "no"}, {"outcome", outcome}}});
        } else if (starts("WinExec ")) {
            std::string command = call.substr(8);
            bool ran = started < m.started.size() && m.started[started].command == command;
            if (ran) ++started;
            events.push_back({"start",
                              command + (ran ? "" : " (cannot be started)"),
                              {{"command", command}, {"started", ran ? "yes" : "no"}}});
        } else if (starts("DllRegisterServer ")) {
            events.push_back({"register", call.substr(18), {{"path", call.substr(18)}}});
        } else if (starts("MoveFileExA ") &&
                   (std::stoul(call.substr(call.rfind(' ') + 1)) & MOVEFILE_DELAY_UNTIL_REBOOT)) {
            // A move carried out at the next start (Windows NT).
            if (staged < m.delayedMoves.size()) {
                const auto& move = m.delayedMoves[staged++];
                std::string to = move.second.empty() ? "(deleted)" : move.second;
                events.push_back(
                    {"staged", move.first + " -> " + to + " at the next start", {{"from", move.first}, {"to", to}}});
            }
        } else if (starts("WritePrivateProfileStringA rename ")) {
            // "[rename] destination=staged copy file" in wininit.ini (the Windows 95 family);
            // short names, so no blanks.
            std::istringstream words(call.substr(34));
            std::string destination, copy;
            words >> destination >> copy;
            events.push_back({"staged",
                              copy + " -> " + destination + " at the next start (wininit.ini)",
                              {{"from", copy}, {"to", destination}}});
        } else if (starts("WriteFile box ")) {
            // Unattended, a box is not shown: the trace's line says how it was answered.
            events.push_back({"box", call.substr(14), {{"trace", call.substr(14)}}});
        } else if (starts("ExitWindowsEx ")) {
            events.push_back({"restart", "Windows restarts", {}});
        }
    }
    return events;
}

}  // namespace

int RunPlan(const PlanMachine& description, const Medium& medium, bool json, std::string& out, std::string& problem) {
    machine::Reset();
    machine::Machine& m = machine::M();
    if (!SetWindows(description.Windows, description.WindowsDir, description.SystemDir)) {
        problem = "unknown Windows version " + description.Windows + " (95, 98, nt4, 2000, xp)";
        return 2;
    }
    m.moduleFileName = std::string(kPlanMediumDir) + "SETUP.EXE";
    m.currentDirectory = kPlanMediumDir;
    machine::MakeDirectory(kPlanMediumDir);
    if (!description.Root.empty() && !PutHostTree(description.Root, "C:\\", problem)) return 2;
    if (!PutHostTree(medium.Directory, kPlanMediumDir, problem)) return 2;
    // The script under the name SETUP.EXE opens.
    std::string scriptBytes;
    ReadWholeFile(fs::path(medium.Directory) / medium.ScriptName, scriptBytes);
    machine::WriteFile(std::string(kPlanMediumDir) + "SETUP.INF", scriptBytes);
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
    for (const std::string& answer : description.Answers) {
        if (machine::SameText(answer, "yes"))
            m.answers.push_back(IDYES);
        else if (machine::SameText(answer, "no"))
            m.answers.push_back(IDNO);
        else {
            problem = "an answer is yes or no, not " + answer;
            return 2;
        }
    }
    m.answerWhenNoneLeft = LeastChangingAnswer;
    std::set<std::string> existedBefore;
    for (const auto& file : m.files) existedBefore.insert(file.first);

    // Unattended, the boxes are known only from the run's trace, kept on the described
    // machine.
    int exitCode = machine::RunSetup(description.Silent ? "/S /LOG:C:\\SETUPCHK.TRC" : "");

    std::vector<PlanEvent> events = CollectEvents(existedBefore);
    std::string logPath = g_Setup.UninstallLogEnabled ? g_Setup.UninstLogPath.c_str() : "";
    std::string logText;
    if (!logPath.empty()) {
        std::string normal = machine::NormalisePath(logPath.find_first_of("\\/:") == std::string::npos
                                                        ? machine::JoinMachinePath(m.windowsDirectory, logPath)
                                                        : logPath);
        logText = machine::ReadFile(normal).value_or("");
        logPath = normal;
    }
    bool restartOffered = false;
    for (const machine::MessageBoxRecord& b : m.boxes) restartOffered |= ShowsCatalogueText(b, IDS_RESTART);

    if (json) {
        out += "{\"windows\": " + JsonString(description.Windows) + ", \"events\": [";
        for (size_t i = 0; i < events.size(); ++i) {
            out += std::string(i ? ",\n  " : "\n  ") + "{\"kind\": \"" + events[i].Kind + "\"";
            for (const auto& field : events[i].Fields) out += ", \"" + field.first + "\": " + JsonString(field.second);
            out += "}";
        }
        out += events.empty() ? "]" : "\n]";
        out += ", \"uninstallLog\": " + JsonString(logPath) + ", \"uninstallLogText\": " + JsonString(logText) +
               ", \"restartOffered\": " + (restartOffered ? "true" : "false") +
               (description.Silent ? ", \"exitCode\": " + std::to_string(exitCode) : "") + "}\n";
        return 0;
    }
    for (const PlanEvent& e : events) out += e.Kind + ": " + e.Text + "\n";
    if (!logPath.empty()) {
        out += "uninstall log: " + logPath + "\n";
        std::istringstream lines(logText);
        for (std::string line; std::getline(lines, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            out += "  " + line + "\n";
        }
    }
    out += std::string("restart offered: ") + (restartOffered ? "yes" : "no") + "\n";
    if (description.Silent) out += "exit code: " + std::to_string(exitCode) + "\n";
    return 0;
}
