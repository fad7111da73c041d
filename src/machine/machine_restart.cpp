// What Windows does at its next start: NT carries out the moves and deletions kept in
// the Session Manager's PendingFileRenameOperations; the Windows 95 family those of
// wininit.ini's [rename] section. MoveFileExA appends to the value as Windows does:
// "\??\"-prefixed paths, a pair per operation, an empty destination meaning delete
// and a leading '!' one that may replace an existing file.
#include "machine/machine_internal.h"

namespace machine {

namespace {
constexpr char kSessionManager[] = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Session Manager";
constexpr char kPendingOperations[] = "PendingFileRenameOperations";
constexpr char kObjectPrefix[] = "\\??\\";

std::string WithoutPrefix(std::string path) {
    if (!path.empty() && path[0] == '!') path.erase(0, 1);
    if (path.compare(0, 4, kObjectPrefix) == 0) path.erase(0, 4);
    return path;
}

// The strings of the value, the list's ending empty string left out.
std::vector<std::string> PendingStrings() {
    std::vector<std::string> strings;
    auto key = M().registry.find(kSessionManager);
    if (key == M().registry.end()) return strings;
    auto value = key->second.values.find(kPendingOperations);
    if (value == key->second.values.end()) return strings;
    const std::string& data = value->second.second;
    for (size_t at = 0; at < data.size();) {
        size_t end = data.find('\0', at);
        if (end == std::string::npos) end = data.size();
        strings.push_back(data.substr(at, end - at));
        at = end + 1;
    }
    // A source at the list's end ends it: the empty string after the last pair.
    if (strings.size() % 2 == 1 && strings.back().empty()) strings.pop_back();
    return strings;
}

bool HoldsAnything(const std::string& directory) {
    std::string inside = directory + "\\";
    for (const auto& file : M().files)
        if (file.first.size() > inside.size() && SameText(file.first.substr(0, inside.size()), inside)) return true;
    for (const auto& dir : M().directories)
        if (dir.size() > inside.size() && SameText(dir.substr(0, inside.size()), inside)) return true;
    return false;
}

void DeleteAtStart(const std::string& path) {
    if (M().files.erase(path)) return;
    if (IsDirectory(path) && !HoldsAnything(path)) M().directories.erase(path);
}

void MoveAtStart(const std::string& from, const std::string& to, bool replace) {
    auto source = M().files.find(from);
    if (source == M().files.end() || (FindFile(to) && !replace)) return;
    FileData moved = source->second;
    M().files.erase(source);
    M().files[to] = moved;
}

// A path of wininit.ini: the short names Windows gave are read back to the files.
std::string LongPathOf(const std::string& path) {
    for (const auto& name : M().shortNames)
        if (SameText(name.second, path)) return name.first;
    return NormalisePath(path);
}
}  // namespace

void AppendPendingOperation(const std::string& from, const std::string& to, bool replace) {
    std::string data;
    for (const std::string& s : PendingStrings()) data += s + '\0';
    data += kObjectPrefix + from + '\0';
    if (!to.empty()) data += (replace ? "!" : "") + std::string(kObjectPrefix) + to;
    data += std::string(1, '\0') + '\0';
    CreateRegistryKey(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager");
    M().registry[kSessionManager].values[kPendingOperations] = {REG_MULTI_SZ, data};
}

std::vector<std::pair<std::string, std::string>> DelayedMoves() {
    std::vector<std::pair<std::string, std::string>> moves;
    std::vector<std::string> strings = PendingStrings();
    for (size_t i = 0; i + 1 < strings.size(); i += 2)
        moves.emplace_back(WithoutPrefix(strings[i]), WithoutPrefix(strings[i + 1]));
    return moves;
}

void ForgetDelayedMoves() {
    auto key = M().registry.find(kSessionManager);
    if (key != M().registry.end()) key->second.values.erase(kPendingOperations);
}

void RestartWindows() {
    std::vector<std::string> strings = PendingStrings();
    for (size_t i = 0; i + 1 < strings.size(); i += 2) {
        std::string from = NormalisePath(WithoutPrefix(strings[i]));
        if (strings[i + 1].empty())
            DeleteAtStart(from);
        else
            MoveAtStart(from, NormalisePath(WithoutPrefix(strings[i + 1])), strings[i + 1][0] == '!');
    }
    ForgetDelayedMoves();
    std::string wininit = M().windowsDirectory + "\\wininit.ini";
    if (FileData* file = FindFile(wininit)) {
        std::string text = file->content;
        bool inRename = false;
        for (size_t at = 0; at < text.size();) {
            size_t end = text.find('\n', at);
            if (end == std::string::npos) end = text.size();
            std::string line = text.substr(at, end - at);
            at = end + 1;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty() && line[0] == '[') {
                inRename = SameText(line, "[rename]");
                continue;
            }
            size_t equals = line.find('=');
            if (!inRename || equals == std::string::npos) continue;
            std::string to = line.substr(0, equals), from = LongPathOf(line.substr(equals + 1));
            if (SameText(to, "NUL"))
                M().files.erase(from);
            else
                MoveAtStart(from, LongPathOf(to), true);
        }
        // Windows keeps the file it has carried out as wininit.bak.
        M().files[M().windowsDirectory + "\\wininit.bak"] = *file;
        M().files.erase(wininit);
    }
    // No program runs across a restart.
    for (auto& file : M().files) file.second.inUse = false;
    M().openHandles.clear();
    M().openFiles.clear();
}

}  // namespace machine
