// The ExecFiles.WIN32 and RegisterFiles.WIN32 phases under Wine: the command a
// program is started with, what it inherits, the failed-start box, removal commands
// and registered components in the uninstall log, and components that fail.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <optional>
#include <string>

#include "harness.h"

using namespace e2e;

namespace {

const char* const kProduct = "Run Sample";
const char* const kSucceeded = "Setup completed successfully";
const char* const kLog = "C:\\windows\\RUNSAMPL.INI";
const char* const kSelfRegKey = "HKCU\\Software\\SetupE2E\\SelfReg";

// The probe's record, once it has been written: a started program runs on by itself.
std::optional<std::string> WaitForRecord(const WineCase& wine, const std::string& winPath, int seconds = 20) {
    for (int i = 0; i < seconds * 10; ++i) {
        std::optional<std::string> text = wine.ReadFile(winPath);
        if (text && text->find("\nend\n") != std::string::npos) return text;
        usleep(100 * 1000);
    }
    return wine.ReadFile(winPath);
}

// One "label: value" line of the probe's record ("" when absent).
std::string RecordLine(const std::string& record, const std::string& label) {
    size_t at = record.find(label + ": ");
    if (at == std::string::npos) return "";
    at += label.size() + 2;
    size_t end = record.find('\n', at);
    std::string line = record.substr(at, end == std::string::npos ? std::string::npos : end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

// The value of one inherited variable ("<unset>" when the program did not get it).
std::string Inherited(const std::string& record, const std::string& name) {
    size_t at = 0;
    while ((at = record.find("env: ", at)) != std::string::npos) {
        at += 5;
        size_t end = record.find('\n', at);
        std::string line = record.substr(at, end == std::string::npos ? std::string::npos : end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t eq = line.find('=', 1);
        if (eq == std::string::npos || eq != name.size()) continue;
        bool same = true;
        for (size_t i = 0; same && i < name.size(); ++i)
            same =
                std::tolower(static_cast<unsigned char>(line[i])) == std::tolower(static_cast<unsigned char>(name[i]));
        if (same) return line.substr(eq + 1);
    }
    return "<unset>";
}

// The current directory of this test process as a Wine program sees it.
std::string WineCurrentDirectory() {
    char buffer[4096] = {};
    if (getcwd(buffer, sizeof buffer) == nullptr) return "";
    std::string path = std::string("Z:") + buffer;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

}  // namespace

TEST(ProgramExecution, ProgramGetsItsCommandTheSetupDirectoryAndTheSetupVariables) {
    WineCase wine("nt40");
    wine.ImportReg("[HKEY_LOCAL_MACHINE\\SOFTWARE\\RunSample]\n\"Home\"=\"C:\\\\RunHome\"\n");
    wine.PutFile("C:\\windows\\runsampl.cfg", "[Paths]\r\nData=D:\\RunData\r\n");
    wine.SetupInf(
        "[SETUP]\r\nProduct=Run Sample\r\nUninstFile=RUNSAMPL.INI\r\n"
        "[SetEnv.WIN32]\r\nRUN_REG=\r\nRUN_SCRIPT=\r\nRUN_INI=\r\n"
        "[RUN_REG]\r\nDataFrom=REGISTRY\r\nRegistryRootKey=HKEY_LOCAL_MACHINE\r\n"
        "RegistryMidKey=SOFTWARE\\RunSample\r\nRegistryEndKey=Home\r\n"
        "[RUN_SCRIPT]\r\nDataFrom=ENVIRONMENT\r\nEnvironmentValue=%WINDIR%run\r\n"
        "[RUN_INI]\r\nDataFrom=INIFILE\r\nINIFile=runsampl.cfg\r\nINIFileSect=Paths\r\nINIFileKey=Data\r\n"
        "[AddFiles.WIN32]\r\nprobe.exe=\r\n"
        "[probe.exe]\r\nTargetDir=C:\\APP\\\r\nExecParam=/install \"two words\"\r\nUninstExecParam=/remove\r\n"
        "[ExecFiles.WIN32]\r\nprobe.exe=\r\n");
    wine.MediumTestBinary("probe.exe", "e2e_probe.exe");
    SetupRun run = wine.RunSetup({{"OK"}});
    EXPECT_EQ(run.transcript, Transcript({OkBox(kProduct, kSucceeded)}));

    std::optional<std::string> record = WaitForRecord(wine, "C:\\APP\\probe.exe.txt");
    ASSERT_TRUE(record.has_value()) << "the program did not run";
    EXPECT_EQ(RecordLine(*record, "cmdline"), "C:\\APP\\probe.exe /install \"two words\"");
    EXPECT_EQ(RecordLine(*record, "arg2"), "two words");
    // It runs in the setup's own current directory, not in its own.
    EXPECT_EQ(RecordLine(*record, "cwd"), WineCurrentDirectory());
    EXPECT_EQ(Inherited(*record, "RUN_REG"), "C:\\RunHome");
    EXPECT_EQ(Inherited(*record, "RUN_SCRIPT"), "C:\\windows\\run");
    EXPECT_EQ(Inherited(*record, "RUN_INI"), "D:\\RunData");
    // Started once.
    EXPECT_EQ(record->find("cmdline:"), record->rfind("cmdline:"));

    EXPECT_EQ(wine.IniValue(kLog, "UninstExec", "C:\\APP\\probe.exe /remove"), "");
}

TEST(ProgramExecution, MissingRequiredProgramShowsItsCommandAndEndsTheSetup) {
    WineCase wine("nt40");
    wine.SetupInf(
        "[SETUP]\r\nProduct=Run Sample\r\nUninstFile=RUNSAMPL.INI\r\n"
        "[AddFiles.WIN32]\r\nfirst.exe=\r\nlast.exe=\r\nselfreg.dll=\r\n"
        "[first.exe]\r\nTargetDir=C:\\APP\\\r\n"
        "[ExecFiles.WIN32]\r\nfirst.exe=\r\nmissing.exe=\r\nlast.exe=\r\n"
        "[missing.exe]\r\nExecParam=/x 100%\r\nUninstExecParam=/remove\r\n"
        "[last.exe]\r\nUninstExecParam=/remove\r\n"
        "[RegisterFiles.WIN32]\r\nselfreg.dll=\r\n");
    wine.MediumTestBinary("first.exe", "e2e_probe.exe");
    wine.MediumTestBinary("last.exe", "e2e_probe.exe");
    wine.MediumTestBinary("selfreg.dll", "e2e_selfreg.dll");
    SetupRun run = wine.RunSetup({{"OK", "OK"}});
    EXPECT_EQ(run.transcript, Transcript({OkBox("Execution failed", "C:\\APP\\missing.exe /x 100%"),
                                          StopBox(kProduct, "Setup failed for C:\\APP\\")}));
    EXPECT_TRUE(WaitForRecord(wine, "C:\\APP\\first.exe.txt").has_value()) << "the entry before did not run";
    EXPECT_FALSE(wine.Exists("C:\\APP\\last.exe.txt")) << "the entry after the failure ran";
    // Registration did not run, and no removal command was recorded.
    EXPECT_FALSE(wine.RegQuery(kSelfRegKey, "Registered").has_value());
    EXPECT_FALSE(wine.IniValue(kLog, "UninstExec", "C:\\APP\\missing.exe /remove").has_value());
    EXPECT_FALSE(wine.IniValue(kLog, "UninstExec", "C:\\APP\\last.exe /remove").has_value());
}

TEST(ProgramExecution, OptionalProgramThatCannotStartStillLeavesItsRemovalCommand) {
    WineCase wine("nt40");
    wine.SetupInf(
        "[SETUP]\r\nProduct=Run Sample\r\nUninstFile=RUNSAMPL.INI\r\n"
        "[ExecFiles.WIN32]\r\nmissing.exe=\r\n"
        "[missing.exe]\r\nTargetDir=C:\\APP\\\r\nRequiredExec=0\r\nUninstExecParam=/remove\r\n");
    SetupRun run = wine.RunSetup({{"OK"}});
    EXPECT_EQ(run.transcript, Transcript({OkBox(kProduct, kSucceeded)}));
    EXPECT_EQ(wine.IniValue(kLog, "UninstExec", "C:\\APP\\missing.exe /remove"), "");
}

TEST(ProgramExecution, ProgramUnderADirectoryWithABlankRunsNotAPlantedProgram) {
    WineCase wine("nt40");
    wine.PutTestBinary("C:\\My.exe", "e2e_probe.exe");  // what an unquoted command would run
    wine.SetupInf(
        "[SETUP]\r\nProduct=Run Sample\r\nUninstFile=RUNSAMPL.INI\r\n"
        "[AddFiles.WIN32]\r\nrun.exe=\r\n"
        "[run.exe]\r\nTargetDir=C:\\My App\\\r\nExecParam=/go\r\nUninstExecParam=/remove\r\n"
        "[ExecFiles.WIN32]\r\nrun.exe=\r\n");
    wine.MediumTestBinary("run.exe", "e2e_probe.exe");
    SetupRun run = wine.RunSetup({{"OK"}});
    EXPECT_EQ(run.transcript, Transcript({OkBox(kProduct, kSucceeded)}));
    std::optional<std::string> record = WaitForRecord(wine, "C:\\My App\\run.exe.txt");
    EXPECT_FALSE(wine.Exists("C:\\My.exe.txt")) << "the planted program ran";
    ASSERT_TRUE(record.has_value()) << "the program did not run";
    EXPECT_EQ(RecordLine(*record, "cmdline"), "\"C:\\My App\\run.exe\" /go");
    EXPECT_EQ(wine.IniValue(kLog, "UninstExec", "\"C:\\My App\\run.exe\" /remove"), "");
}

TEST(ProgramExecution, DirectoryWithoutBackslashStartsTheProgramInItNotAPlantedOne) {
    WineCase wine("nt40");
    wine.PutTestBinary("C:\\APPRUN.EXE", "e2e_probe.exe");  // what a join without the backslash would name
    wine.SetupInf(
        "[SETUP]\r\nProduct=Run Sample\r\nUninstFile=RUNSAMPL.INI\r\n"
        "[AddFiles.WIN32]\r\nRUN.EXE=\r\n"
        "[RUN.EXE]\r\nTargetDir=C:\\APP\r\nExecParam=/go\r\nUninstExecParam=/remove\r\n"
        "[ExecFiles.WIN32]\r\nRUN.EXE=\r\n");
    wine.MediumTestBinary("RUN.EXE", "e2e_probe.exe");
    SetupRun run = wine.RunSetup({{"OK"}});
    EXPECT_EQ(run.transcript, Transcript({OkBox(kProduct, kSucceeded)}));
    std::optional<std::string> record = WaitForRecord(wine, "C:\\APP\\RUN.EXE.txt");
    ASSERT_TRUE(record.has_value()) << "the program did not run";
    EXPECT_EQ(RecordLine(*record, "cmdline"), "C:\\APP\\RUN.EXE /go");
    EXPECT_FALSE(wine.Exists("C:\\APPRUN.EXE.txt")) << "the planted program ran";
    EXPECT_EQ(wine.IniValue(kLog, "UninstExec", "C:\\APP\\RUN.EXE /remove"), "");
}

TEST(ComponentRegistration, ComponentRegistersSeesTheSetupVariablesAndIsLogged) {
    WineCase wine("nt40");
    wine.SetupInf(
        "[SETUP]\r\nProduct=Run Sample\r\nUninstFile=RUNSAMPL.INI\r\n"
        "[SetEnv.WIN32]\r\nE2E_SELFREG_NOTE=\r\n"
        "[E2E_SELFREG_NOTE]\r\nDataFrom=ENVIRONMENT\r\nEnvironmentValue=note from %PRODUCTNAME%\r\n"
        "[AddFiles.WIN32]\r\nselfreg.dll=\r\n"
        "[selfreg.dll]\r\nTargetDir=C:\\Sample Lib\r\n"
        "[RegisterFiles.WIN32]\r\nselfreg.dll=\r\n");
    wine.MediumTestBinary("selfreg.dll", "e2e_selfreg.dll");
    SetupRun run = wine.RunSetup({{"OK"}});
    EXPECT_EQ(run.transcript, Transcript({OkBox(kProduct, kSucceeded)}));
    // The join put a backslash between the directory and the name.
    EXPECT_EQ(wine.RegQuery(kSelfRegKey, "Registered"), "C:\\Sample Lib\\selfreg.dll");
    EXPECT_EQ(wine.ReadFile("C:\\Sample Lib\\selfreg.dll.registered"), "note from Run Sample");
    EXPECT_EQ(wine.IniValue(kLog, "UninstRegister", "C:\\Sample Lib\\selfreg.dll"), "");
}

TEST(ComponentRegistration, ComponentWithoutDllRegisterServerFailsTheSetupSilently) {
    WineCase wine("nt40");
    wine.SetupInf(
        "[SETUP]\r\nProduct=Run Sample\r\nUninstFile=RUNSAMPL.INI\r\n"
        "[AddFiles.WIN32]\r\nnoreg.dll=\r\nselfreg.dll=\r\n"
        "[noreg.dll]\r\nTargetDir=C:\\APP\\\r\n"
        "[RegisterFiles.WIN32]\r\nnoreg.dll=\r\nselfreg.dll=\r\n");
    wine.MediumTestBinary("noreg.dll", "e2e_noreg.dll");
    wine.MediumTestBinary("selfreg.dll", "e2e_selfreg.dll");
    SetupRun run = wine.RunSetup({{"OK"}});
    EXPECT_EQ(run.transcript, Transcript({StopBox(kProduct, "Setup failed for C:\\APP\\")}));
    EXPECT_FALSE(wine.RegQuery(kSelfRegKey, "Registered").has_value()) << "the entry after the failure ran";
    EXPECT_FALSE(wine.IniValue(kLog, "UninstRegister", "C:\\APP\\noreg.dll").has_value());
    EXPECT_FALSE(wine.IniValue(kLog, "UninstRegister", "C:\\APP\\selfreg.dll").has_value());
}

TEST(ComponentRegistration, OptionalMissingComponentIsPassedOver) {
    WineCase wine("nt40");
    wine.SetupInf(
        "[SETUP]\r\nProduct=Run Sample\r\nUninstFile=RUNSAMPL.INI\r\n"
        "[AddFiles.WIN32]\r\nselfreg.dll=\r\n"
        "[selfreg.dll]\r\nTargetDir=C:\\APP\\\r\n"
        "[RegisterFiles.WIN32]\r\nmissing.dll=\r\nselfreg.dll=\r\n"
        "[missing.dll]\r\nRequiredRegister=0\r\n");
    wine.MediumTestBinary("selfreg.dll", "e2e_selfreg.dll");
    SetupRun run = wine.RunSetup({{"OK"}});
    EXPECT_EQ(run.transcript, Transcript({OkBox(kProduct, kSucceeded)}));
    EXPECT_EQ(wine.RegQuery(kSelfRegKey, "Registered"), "C:\\APP\\selfreg.dll");
    EXPECT_FALSE(wine.IniValue(kLog, "UninstRegister", "C:\\APP\\missing.dll").has_value());
    EXPECT_EQ(wine.IniValue(kLog, "UninstRegister", "C:\\APP\\selfreg.dll"), "");
}

TEST(ComponentRegistration, ComponentThatRefusesRegistrationFailsTheSetupAndIsStillLogged) {
    WineCase wine("nt40");
    wine.SetupInf(
        "[SETUP]\r\nProduct=Run Sample\r\nUninstFile=RUNSAMPL.INI\r\n"
        "[AddFiles.WIN32]\r\nrefuse.dll=\r\nselfreg.dll=\r\n"
        "[refuse.dll]\r\nTargetDir=C:\\APP\\\r\n"
        "[RegisterFiles.WIN32]\r\nrefuse.dll=\r\nselfreg.dll=\r\n");
    wine.MediumTestBinary("refuse.dll", "e2e_refusereg.dll");
    wine.MediumTestBinary("selfreg.dll", "e2e_selfreg.dll");
    SetupRun run = wine.RunSetup({{"OK"}});
    // Its E_ACCESSDENIED fails the setup; no box of its own.
    EXPECT_EQ(run.transcript, Transcript({StopBox(kProduct, "Setup failed for C:\\APP\\")}));
    // It wrote part of its registration, and its path is there for the removal.
    EXPECT_EQ(wine.RegQuery("HKCU\\Software\\SetupE2E\\RefuseReg", "Partial"), "C:\\APP\\refuse.dll");
    EXPECT_EQ(wine.IniValue(kLog, "UninstRegister", "C:\\APP\\refuse.dll"), "");
    // The phase ended with it.
    EXPECT_FALSE(wine.RegQuery(kSelfRegKey, "Registered").has_value()) << "the entry after the failure ran";
    EXPECT_FALSE(wine.IniValue(kLog, "UninstRegister", "C:\\APP\\selfreg.dll").has_value());
}
