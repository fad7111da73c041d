// The distribution medium on the author's disk: where the script is and which files
// lie beside it.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

struct Medium {
    std::string Directory;    // as given on the command line
    std::string ScriptName;   // the script's name as it is on disk ("SETUP.INF", "setup.inf")
    std::string ScriptShown;  // the script's path as diagnostics name it
    // Every file below the directory, relative, with backslashes.
    std::vector<std::string> Files;
};

enum MediumResult { MediumRead, MediumWithoutScript, MediumUnreadable };

// `argument` is the medium's directory or the script's own path. Fills `medium` and
// reads the script into `scriptText`.
MediumResult OpenMedium(const std::string& argument, Medium& medium, std::string& scriptText);
// Whether the medium holds `relativePath` ('\\' or '/' between parts), matched
// without regard to case as Windows finds files.
bool MediumHasFile(const Medium& medium, std::string_view relativePath);

// A host file's bytes, whole; false when it cannot be read.
bool ReadWholeFile(const std::filesystem::path& path, std::string& text);
