// The Windows versions a plan can describe, each as a fresh installation has it: its
// version answers, its Windows and system directories, Program Files and Common Files
// where the version has them, the registry values every installation carries and the
// environment variables the version sets.
#pragma once

#include <string>
#include <vector>

// The names `--windows` takes, for messages: "95, 98, nt351, nt4, 2000, xp, 10".
std::string DescribedWindowsNames();
// The version's name as a person reads it ("Windows NT 4.0"), or "" for an unknown name.
std::string DescribedWindowsTitle(const std::string& name);
// The major version the name reports (for RequireMajorVersion), or 0 for an unknown name.
unsigned DescribedWindowsMajor(const std::string& name);

// Sets up the described machine as a fresh installation of that version, with the
// Windows directory given and the system directory given (empty: as the version names
// it, in the Windows directory). False for an unknown name.
bool DescribeWindows(const std::string& name, const std::string& windowsDir, const std::string& systemDir);

// The families a medium is planned on when none is named: Windows 95, NT 4, and the
// modern NT line as one row; only those the script's RequireMajorVersion allows.
std::vector<std::string> WindowsFamiliesAllowed(unsigned requiredMajor);
