// The SetEnv.WIN32 phase under Wine: variables from the registry, from the script and
// from another INI file reach later %NAME% references and the programs the setup
// starts; a registry value that is not there keeps the main file phase from running.
#include <gtest/gtest.h>

#include <cctype>
#include <optional>
#include <string>

#include "harness.h"

using namespace e2e;

namespace {

const char* const kProduct = "Env Sample";
const char* const kSucceeded = "Setup completed successfully";

const char* const kInstallDirReg =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\EnvSample]\n"
    "\"InstallDir\"=\"C:\\\\EnvSample\"\n";

// Bare name: the profile functions look for it in C:\windows. Windows has a variable
// "windir" (no trailing backslash) too: the macro must win.
const char* const kOtherIni = "[Sample]\r\nData=%windir%envdata\r\n";

// Three variables, the search path extended by the medium, one inherited variable
// removed; the files go to directories named by the variables, and the probe that is
// started last records the environment it inherited.
const char* const kScript =
    "[SETUP]\r\nProduct=Env Sample\r\n"
    "[SetEnv.WIN32]\r\nFROM_REGISTRY=\r\nFROM_SCRIPT=\r\nFROM_INI=\r\nPATH=\r\nCOMPUTERNAME=\r\nEXTENDED=\r\n"
    "[FROM_REGISTRY]\r\nDataFrom=REGISTRY\r\nRegistryRootKey=HKEY_LOCAL_MACHINE\r\n"
    "RegistryMidKey=SOFTWARE\\EnvSample\r\nRegistryEndKey=InstallDir\r\nEndWithBackslash=1\r\n"
    "[FROM_SCRIPT]\r\nDataFrom=Environment\r\nEnvironmentValue=%FROM_REGISTRY%bin\r\nEndWithBackslash=1\r\n"
    "[FROM_INI]\r\nDataFrom=IniFile\r\nINIFile=envsample.ini\r\nINIFileSect=sample\r\nINIFileKey=DATA\r\n"
    "[PATH]\r\nDataFrom=ENVIRONMENT\r\nEnvironmentValue=%Path%;%SRCDIR%\r\n"
    "[EXTENDED]\r\nDataFrom=ENVIRONMENT\r\nEnvironmentValue=%LONG_INHERITED%;%SRCDIR%\r\n"
    "[AddFiles.WIN32]\r\nprobe.exe=\r\ntool.txt=\r\ndata.txt=\r\n"
    "[probe.exe]\r\nTargetDir=%FROM_REGISTRY%\r\n"
    "[tool.txt]\r\nTargetDir=%FROM_SCRIPT%\r\n"
    "[data.txt]\r\nTargetDir=%FROM_INI%\\\r\n"
    "[ExecFiles.WIN32]\r\nprobe.exe=\r\n";

void LayOutMedium(WineCase& wine) {
    wine.SetupInf(kScript);
    wine.MediumTestBinary("probe.exe", "e2e_probe.exe");
    wine.MediumFile("tool.txt", "tool");
    wine.MediumFile("data.txt", "data");
    wine.PutFile("C:\\windows\\envsample.ini", kOtherIni);
}

// The value of one variable in the probe's record ("env: NAME=value"), names without
// case as Windows compares them; "<unset>" when the probe did not inherit it.
std::string Inherited(const std::string& record, const std::string& name) {
    size_t at = 0;
    while ((at = record.find("env: ", at)) != std::string::npos) {
        at += 5;
        size_t end = record.find('\n', at);
        std::string line = record.substr(at, end == std::string::npos ? std::string::npos : end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t eq = line.find('=', 1);
        if (eq == std::string::npos) continue;
        std::string lineName = line.substr(0, eq);
        bool same = lineName.size() == name.size();
        for (size_t i = 0; same && i < name.size(); ++i)
            same = std::tolower(static_cast<unsigned char>(lineName[i])) ==
                   std::tolower(static_cast<unsigned char>(name[i]));
        if (same) return line.substr(eq + 1);
    }
    return "<unset>";
}

// A text as a .reg file writes it between quotes.
std::string Escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out;
}

}  // namespace

TEST(EnvironmentSettings, VariablesFromRegistryScriptAndIniFileNameTargetsAndReachTheProgram) {
    WineCase wine("nt40");
    wine.ImportReg(kInstallDirReg);
    // Wine gives every process the variables of HKCU\Environment: one longer than a path.
    std::string longValue;
    while (longValue.size() < 400) longValue += "C:\\Tools\\Bin" + std::to_string(longValue.size()) + ";";
    wine.ImportReg("[HKEY_CURRENT_USER\\Environment]\n\"LONG_INHERITED\"=\"" + Escaped(longValue) + "\"\n");
    LayOutMedium(wine);
    // What a program inherits without the setup in between: COMPUTERNAME is there.
    wine.RunWine({"C:\\medium\\probe.exe", "--out=C:\\before.txt"});
    ASSERT_NE(Inherited(wine.ReadFile("C:\\before.txt").value_or(""), "COMPUTERNAME"), "<unset>");
    SetupRun run = wine.RunSetup({{"OK"}});
    EXPECT_EQ(run.transcript, Transcript({OkBox(kProduct, kSucceeded)}));

    // Each variable named a target directory through a %NAME% reference.
    EXPECT_TRUE(wine.Exists("C:\\EnvSample\\probe.exe"));
    EXPECT_EQ(wine.ReadFile("C:\\EnvSample\\bin\\tool.txt").value_or("<missing>"), "tool");
    EXPECT_EQ(wine.ReadFile("C:\\windows\\envdata\\data.txt").value_or("<missing>"), "data");

    // The program started afterwards inherited them.
    std::optional<std::string> record = wine.ReadFile("C:\\EnvSample\\probe.exe.txt");
    ASSERT_TRUE(record.has_value()) << "the probe did not run";
    EXPECT_EQ(Inherited(*record, "FROM_REGISTRY"), "C:\\EnvSample\\");
    EXPECT_EQ(Inherited(*record, "FROM_SCRIPT"), "C:\\EnvSample\\bin\\");
    EXPECT_EQ(Inherited(*record, "FROM_INI"), "C:\\windows\\envdata");
    EXPECT_EQ(Inherited(*record, "COMPUTERNAME"), "<unset>");
    // A value longer than a path is no path: extended by the medium, it is kept whole.
    ASSERT_EQ(Inherited(*record, "LONG_INHERITED"), longValue);
    EXPECT_EQ(Inherited(*record, "EXTENDED"), longValue + ";C:\\medium\\");
    std::string path = Inherited(*record, "PATH");
    const std::string medium = ";C:\\medium\\";
    ASSERT_GT(path.size(), medium.size());
    EXPECT_EQ(path.substr(path.size() - medium.size()), medium) << path;
    EXPECT_NE(path.find("C:\\windows"), std::string::npos) << "the inherited search path is lost: " << path;
}

TEST(EnvironmentSettings, MissingRegistryValueSkipsTheFilePhaseAndReportsFailure) {
    WineCase wine("nt40");
    // The key is there, the value is not.
    wine.ImportReg("[HKEY_LOCAL_MACHINE\\SOFTWARE\\EnvSample]\n\"OtherValue\"=\"C:\\\\EnvSample\"\n");
    LayOutMedium(wine);
    SetupRun run = wine.RunSetup({{"OK"}});
    EXPECT_EQ(run.transcript, Transcript({StopBox(kProduct, "Setup failed for ")}));
    EXPECT_FALSE(wine.Exists("C:\\EnvSample"));
    EXPECT_FALSE(wine.Exists("C:\\windows\\envdata\\data.txt"));
}

TEST(EnvironmentSettings, MissingRegistryKeyOnWindows95AlsoSkipsTheFilePhase) {
    WineCase wine("win95");
    LayOutMedium(wine);
    SetupRun run = wine.RunSetup({{"OK"}});
    EXPECT_EQ(run.transcript, Transcript({StopBox(kProduct, "Setup failed for ")}));
    EXPECT_FALSE(wine.Exists("C:\\EnvSample"));
    EXPECT_FALSE(wine.Exists("C:\\windows\\envdata\\data.txt"));
}
