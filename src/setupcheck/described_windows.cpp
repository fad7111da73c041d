#include "setupcheck/described_windows.h"

#include "machine/machine.h"
#include "machine/machine_internal.h"

namespace {

// What a fresh installation of each version answers and holds. Program Files came with
// the Windows 95 shell (NT 3.51 has none); its location is read from ProgramFilesDir
// on every version that has it, but only the Windows 2000 line also sets it as the
// %ProgramFiles% variable.
struct WindowsRow {
    const char* Name;
    const char* Title;
    DWORD Major, Minor, Build, Platform, GetVersion;
    bool ProgramFiles;           // Program Files, Common Files and their registry values
    bool ProgramFilesVariables;  // %ProgramFiles% and %CommonProgramFiles%
    const char* VersionName;     // 95 line: Version; NT line: ProductName (null: none)
    const char* VersionNumber;   // 95 line: VersionNumber; NT line: CurrentVersion
    const char* Temp;            // TEMP and TMP; null: in the Windows directory
};

constexpr DWORD kNine = VER_PLATFORM_WIN32_WINDOWS, kNt = VER_PLATFORM_WIN32_NT;
constexpr WindowsRow kWindowsRows[] = {
    {"95", "Windows 95", 4, 0, 0x040003B6, kNine, 0xC0000004, true, false, "Windows 95", "4.00.950", nullptr},
    {"98", "Windows 98", 4, 10, 0x040A07CE, kNine, 0xC0000A04, true, false, "Windows 98", "4.10.1998", nullptr},
    {"nt351", "Windows NT 3.51", 3, 51, 1057, kNt, 0x04213303, false, false, nullptr, "3.51", "C:\\TEMP"},
    {"nt4", "Windows NT 4.0", 4, 0, 1381, kNt, 0x05650004, true, false, nullptr, "4.0", "C:\\TEMP"},
    {"2000", "Windows 2000", 5, 0, 2195, kNt, 0x08930005, true, true, "Microsoft Windows 2000", "5.0",
     "C:\\Documents and Settings\\User\\Local Settings\\Temp"},
    {"xp", "Windows XP", 5, 1, 2600, kNt, 0x0A280105, true, true, "Microsoft Windows XP", "5.1",
     "C:\\Documents and Settings\\User\\Local Settings\\Temp"},
    // What Wine reports by default; CurrentVersion stays 6.3 there, as on Windows 10.
    {"10", "Windows 10", 10, 0, 19045, kNt, 0x4A65000A, true, true, "Windows 10 Pro", "6.3",
     "C:\\Users\\User\\AppData\\Local\\Temp"},
};

const WindowsRow* FindRow(const std::string& name) {
    for (const WindowsRow& row : kWindowsRows)
        if (machine::SameText(row.Name, name)) return &row;
    return nullptr;
}

constexpr char kCurrentVersion[] = "Software\\Microsoft\\Windows\\CurrentVersion";
constexpr char kNtCurrentVersion[] = "Software\\Microsoft\\Windows NT\\CurrentVersion";

void SetMachineVariable(const char* name, const std::string& value) {
    machine::SetEnvironment(name, value);
}

}  // namespace

std::string DescribedWindowsNames() {
    std::string names;
    for (const WindowsRow& row : kWindowsRows) names += (names.empty() ? "" : ", ") + std::string(row.Name);
    return names;
}

std::string DescribedWindowsTitle(const std::string& name) {
    const WindowsRow* row = FindRow(name);
    return row ? row->Title : "";
}

unsigned DescribedWindowsMajor(const std::string& name) {
    const WindowsRow* row = FindRow(name);
    return row ? row->Major : 0;
}

bool DescribeWindows(const std::string& name, const std::string& windowsDir, const std::string& systemDir) {
    const WindowsRow* row = FindRow(name);
    if (row == nullptr) return false;
    machine::Machine& m = machine::M();
    bool nt = row->Platform == kNt;
    m.version = OSVERSIONINFOA{sizeof(OSVERSIONINFOA), row->Major, row->Minor, row->Build, row->Platform, ""};
    m.getVersionResult = row->GetVersion;
    m.tokenAvailable = nt;  // the 95 line has no process token

    std::string windows = machine::NormalisePath(windowsDir);
    m.windowsDirectory = windows;
    m.systemDirectory = systemDir.empty() ? machine::JoinMachinePath(windows, nt ? "SYSTEM32" : "SYSTEM")
                                          : machine::NormalisePath(systemDir);
    machine::MakeDirectory(windows);
    machine::MakeDirectory(m.systemDirectory);
    std::string drive = windows.substr(0, 2);
    std::string temp = row->Temp ? row->Temp : machine::JoinMachinePath(windows, "TEMP");
    machine::MakeDirectory(temp);
    m.tempDirectory = temp;

    // The environment each line sets at start-up: the 95 line from its AUTOEXEC.BAT
    // defaults, the NT line for every logon.
    m.environment.clear();
    if (nt) {
        SetMachineVariable("windir", windows);
        SetMachineVariable("SystemRoot", windows);
        SetMachineVariable("SystemDrive", drive);
        SetMachineVariable("OS", "Windows_NT");
        SetMachineVariable("ComSpec", machine::JoinMachinePath(m.systemDirectory, "cmd.exe"));
        SetMachineVariable("Path", m.systemDirectory + ";" + windows);
        SetMachineVariable("PROCESSOR_ARCHITECTURE", "x86");
    } else {
        SetMachineVariable("windir", windows);
        SetMachineVariable("COMSPEC", machine::JoinMachinePath(windows, "COMMAND.COM"));
        SetMachineVariable("PATH", windows + ";" + machine::JoinMachinePath(windows, "COMMAND"));
        SetMachineVariable("PROMPT", "$p$g");
    }
    SetMachineVariable("TEMP", temp);
    SetMachineVariable("TMP", temp);

    if (row->ProgramFiles) {
        std::string programFiles = drive + "\\Program Files";
        std::string commonFiles = programFiles + "\\Common Files";
        machine::MakeDirectory(commonFiles);
        machine::SetRegistryString(HKEY_LOCAL_MACHINE, kCurrentVersion, "ProgramFilesDir", programFiles);
        machine::SetRegistryString(HKEY_LOCAL_MACHINE, kCurrentVersion, "CommonFilesDir", commonFiles);
        if (row->ProgramFilesVariables) {
            SetMachineVariable("ProgramFiles", programFiles);
            SetMachineVariable("CommonProgramFiles", commonFiles);
        }
    }
    if (nt) {
        machine::SetRegistryString(HKEY_LOCAL_MACHINE, kNtCurrentVersion, "CurrentVersion", row->VersionNumber);
        machine::SetRegistryString(HKEY_LOCAL_MACHINE, kNtCurrentVersion, "CurrentBuildNumber",
                                   std::to_string(row->Build));
        machine::SetRegistryString(HKEY_LOCAL_MACHINE, kNtCurrentVersion, "SystemRoot", windows);
        if (row->VersionName)
            machine::SetRegistryString(HKEY_LOCAL_MACHINE, kNtCurrentVersion, "ProductName", row->VersionName);
    } else {
        machine::SetRegistryString(HKEY_LOCAL_MACHINE, kCurrentVersion, "Version", row->VersionName);
        machine::SetRegistryString(HKEY_LOCAL_MACHINE, kCurrentVersion, "VersionNumber", row->VersionNumber);
        machine::SetRegistryString(HKEY_LOCAL_MACHINE, kCurrentVersion, "SystemRoot", windows);
    }
    return true;
}

std::vector<std::string> WindowsFamiliesAllowed(unsigned requiredMajor) {
    std::vector<std::string> families;
    for (const char* name : {"95", "nt4", "xp"})
        if (requiredMajor <= DescribedWindowsMajor(name)) families.push_back(name);
    // A script that asks for more than the modern row offers still runs on Windows 10.
    if (families.empty()) families.push_back("10");
    return families;
}
