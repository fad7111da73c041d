#include "setupcheck/medium.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/fixed_text.h"
#include "script/script_names.h"

namespace fs = std::filesystem;

namespace {

std::string WithBackslashes(std::string path) {
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

// The medium's directory joined with a name the way the author would type it; "." is
// left out so that a check run inside the medium names the script alone.
std::string ShownPath(const std::string& directory, const std::string& name) {
    if (directory.empty() || directory == ".") return name;
    char last = directory.back();
    if (last == '/' || last == '\\') return directory + name;
    return directory + (directory.find('\\') != std::string::npos ? "\\" : "/") + name;
}

}  // namespace

bool ReadWholeFile(const std::filesystem::path& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream content;
    content << in.rdbuf();
    text = content.str();
    return true;
}

MediumResult OpenMedium(const std::string& argument, Medium& medium, std::string& scriptText) {
    std::error_code error;
    fs::path given(argument);
    fs::path directory = given;
    medium.ScriptName.clear();
    if (fs::is_regular_file(given, error)) {
        directory = given.parent_path();
        if (directory.empty()) directory = ".";
        medium.ScriptName = given.filename().string();
        medium.Directory = directory.string();
        medium.ScriptShown = argument;
    } else if (fs::is_directory(given, error)) {
        medium.Directory = argument;
    } else {
        return MediumUnreadable;
    }

    medium.Files.clear();
    fs::recursive_directory_iterator walk(directory, fs::directory_options::skip_permission_denied, error);
    if (error) return MediumUnreadable;
    for (auto it = fs::begin(walk); it != fs::end(walk); it.increment(error)) {
        if (error) return MediumUnreadable;
        if (!it->is_regular_file(error)) continue;
        std::string relative = WithBackslashes(fs::relative(it->path(), directory, error).generic_string());
        medium.Files.push_back(relative);
        if (medium.ScriptName.empty() && EqualsIgnoreCase(relative, ScriptName::SetupFile))
            medium.ScriptName = relative;
    }
    if (medium.ScriptName.empty()) {
        medium.ScriptShown = ShownPath(medium.Directory, ScriptName::SetupFile);
        return MediumWithoutScript;
    }
    if (medium.ScriptShown.empty()) medium.ScriptShown = ShownPath(medium.Directory, medium.ScriptName);
    return ReadWholeFile(directory / medium.ScriptName, scriptText) ? MediumRead : MediumUnreadable;
}

bool MediumHasFile(const Medium& medium, std::string_view relativePath) {
    std::string wanted = WithBackslashes(std::string(relativePath));
    while (!wanted.empty() && wanted.front() == '\\') wanted.erase(0, 1);
    for (const std::string& file : medium.Files)
        if (EqualsIgnoreCase(file, wanted)) return true;
    return false;
}
