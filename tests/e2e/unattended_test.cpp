// Unattended runs of the real SETUP.EXE: the exit code as a deployment tool's batch
// file reads it (start /wait, then %ERRORLEVEL% on the next line), /S on the sample
// medium with nothing shown, and the trace that /LOG:FILE leaves.
#include <gtest/gtest.h>
#include <stdio.h>

#include <filesystem>
#include <sstream>

#include "harness.h"

using namespace e2e;

namespace {

const char* const kCaller = "C:\\e2e\\caller.bat";
const char* const kTrace = "C:\\e2e\\setup.log";
const char* const kExitFile = "C:\\e2e\\exit.txt";

// Runs SETUP.EXE with `arguments` from a batch file, as a Group Policy script or a
// deployment tool does, and gives the code the batch file read; -1 when it printed none.
int RunFromBatchFile(WineCase& wine, const std::string& arguments, SetupRun& run,
                     const std::vector<std::string>& answers = {}) {
    // On one line cmd would expand %ERRORLEVEL% before SETUP.EXE has run.
    // The blank before '>' keeps the code's last digit from being read as a handle.
    wine.PutFile(kCaller, "@echo off\r\nstart /wait C:\\medium\\SETUP.EXE " + arguments +
                              "\r\necho EXIT=%ERRORLEVEL% >" + kExitFile + "\r\n");
    SetupOptions options;
    options.answers = answers;
    options.program = "C:\\windows\\system32\\cmd.exe";
    options.commandTail = std::string("/c ") + kCaller;
    options.watchedImage = "SETUP.EXE";
    options.reportWindows = true;
    run = wine.RunSetup(options);
    std::string output = wine.ReadFile(kExitFile).value_or("");
    size_t at = output.find("EXIT=");
    if (at == std::string::npos) return -1;
    return std::atoi(output.c_str() + at + 5);
}

// The last line of the trace.
std::string LastTraceLine(WineCase& wine) {
    std::string trace = wine.ReadFile(kTrace).value_or("");
    std::istringstream lines(trace);
    std::string last;
    for (std::string line; std::getline(lines, line);)
        if (!line.empty()) last = line;
    if (!last.empty() && last.back() == '\r') last.pop_back();
    return last;
}

struct ExitCase {
    const char* name;
    const char* windows;
    const char* script;  // nullptr: no SETUP.INF on the medium
    const char* arguments;
    std::vector<std::string> answers;
    int exitCode;
    const char* lastTraceLine;
};

void PrintTo(const ExitCase& row, std::ostream* out) {
    *out << row.name;
}

const char* const kOneFile =
    "[SETUP]\r\nProduct=Demo\r\n[AddFiles.WIN32]\r\ndemo.txt=\r\n[demo.txt]\r\nTargetDir=C:\\DEMO\r\n";

class UnattendedExitCode : public ::testing::TestWithParam<ExitCase> {};

TEST_P(UnattendedExitCode, TheCallersBatchFileReadsIt) {
    const ExitCase& row = GetParam();
    WineCase wine(row.windows);
    if (row.script != nullptr) wine.SetupInf(row.script);
    wine.MediumFile("demo.txt", "demo");
    SetupRun run;
    int code = RunFromBatchFile(wine, std::string(row.arguments) + " /LOG:" + kTrace, run, row.answers);
    EXPECT_EQ(code, row.exitCode) << ReadHostFile(run.setup.outputFile) << wine.ReadFile(kCaller).value_or("");
    EXPECT_FALSE(run.Unexpected()) << run.transcript;
    // The trace ends with the outcome and the code, also for a run that failed.
    EXPECT_EQ(LastTraceLine(wine), row.lastTraceLine) << wine.ReadFile(kTrace).value_or("");
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, UnattendedExitCode,
    ::testing::Values(
        // Everything installed, nothing shown.
        ExitCase{"Installed", "default", kOneFile, "/S", {}, 0, "end: installed, exit code 0"},
        // A required file missing from the medium.
        ExitCase{"RequiredFileFails",
                 "default",
                 "[SETUP]\r\nProduct=Demo\r\n[AddFiles.WIN32]\r\ngone.txt=\r\n[gone.txt]\r\nTargetDir=C:\\DEMO\r\n",
                 "/S",
                 {},
                 1603,
                 "end: failed, exit code 1603"},
        // The person said No to the initial question (an attended run).
        ExitCase{"Declined",
                 "default",
                 "[SETUP]\r\nProduct=Demo\r\nInitialPrompt=1\r\n",
                 "",
                 {"No"},
                 1602,
                 "end: declined, exit code 1602"},
        // Windows is older than the script asks for.
        ExitCase{"WindowsTooOld",
                 "default",
                 "[SETUP]\r\nProduct=Demo\r\nRequireMajorVersion=9\r\n",
                 "/S",
                 {},
                 1633,
                 "end: Windows is too old, exit code 1633"},
        // Started from a folder without SETUP.INF.
        ExitCase{"NoScript", "default", nullptr, "/S", {}, 1619, "end: the script cannot be opened, exit code 1619"}),
    [](const ::testing::TestParamInfo<ExitCase>& info) { return std::string(info.param.name); });

TEST(Unattended, FileInUseGivesRestartRequiredAndNoRestart) {
    WineCase wine;
    wine.SetupInf(kOneFile);
    wine.MediumFile("demo.txt", "new");
    wine.PutFile("C:\\DEMO\\demo.txt", "old");
    wine.HoldFile("C:\\DEMO\\demo.txt", "none");
    wine.ArmRestartMarker();
    SetupRun run;
    EXPECT_EQ(RunFromBatchFile(wine, std::string("/S /LOG:") + kTrace, run), 3010);
    EXPECT_EQ(run.transcript, "") << "no box, no window";
    EXPECT_FALSE(wine.RestartHappened());
    EXPECT_EQ(wine.ReadFile("C:\\DEMO\\demo.txt"), "old");
    std::optional<std::string> pending = wine.PendingFileRenames();
    ASSERT_TRUE(pending.has_value());
    EXPECT_NE(pending->find("demo.txt"), std::string::npos) << *pending;
    std::string trace = wine.ReadFile(kTrace).value_or("");
    EXPECT_NE(trace.find("file C:\\medium\\demo.txt -> C:\\DEMO\\demo.txt: staged ("), std::string::npos) << trace;
    EXPECT_NE(trace.find("restart needed: 1 file(s) staged\r\n"), std::string::npos) << trace;
    EXPECT_EQ(LastTraceLine(wine), "end: installed, restart not made, exit code 3010");
}

// The lines of `text` that begin with `prefix`, without it and without line ends.
std::vector<std::string> LinesAfter(const std::string& text, const std::string& prefix) {
    std::vector<std::string> found;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind(prefix, 0) == 0) found.push_back(line.substr(prefix.size()));
    }
    return found;
}

// What the sample medium leaves behind, to compare two runs.
struct SampleState {
    std::vector<std::string> productFiles;
    std::optional<std::string> core, viewerIni, log, handler;
    bool operator==(const SampleState& o) const {
        return productFiles == o.productFiles && core == o.core && viewerIni == o.viewerIni && log == o.log &&
               handler == o.handler;
    }
};

SampleState ReadSampleState(WineCase& wine) {
    return {wine.ListDir("C:\\windows\\SAMPLE"), wine.ReadFile("C:\\windows\\system32\\sampcore.dll"),
            wine.ReadFile("C:\\windows\\SAMPLE\\viewer.ini"), wine.ReadFile("C:\\windows\\SAMPVIEW.INI"),
            wine.RegQuery("HKCU\\Software\\Sample Software\\Sample Viewer\\Handler", "Path")};
}

TEST(Unattended, SilentSampleMediumShowsNothingAndEqualsTheDefaultAnswers) {
    SampleState attended;
    {
        WineCase wine("win95");
        wine.UseMedium(SampleMediumDir());
        wine.PutFile("C:\\windows\\system32\\sampcore.dll", ReadHostFile(BuildDir() + "/sample/sampcore_newer.dll"));
        SetupOptions options;
        options.answers = {"Yes", "Yes", "OK"};  // the default buttons
        options.reportWindows = true;
        SetupRun run = wine.RunSetup(options);
        // The watcher does see the progress window of an attended run.
        EXPECT_NE(run.transcript.find("window: Sample Viewer\n"), std::string::npos) << run.transcript;
        attended = ReadSampleState(wine);
    }
    WineCase wine("win95");
    wine.UseMedium(SampleMediumDir());
    wine.PutFile("C:\\windows\\system32\\sampcore.dll", ReadHostFile(BuildDir() + "/sample/sampcore_newer.dll"));
    SetupRun run;
    EXPECT_EQ(RunFromBatchFile(wine, std::string("/S /LOG:") + kTrace, run), 0);
    EXPECT_EQ(run.transcript, "") << "the watcher saw a window";
    SampleState silent = ReadSampleState(wine);
    EXPECT_TRUE(silent == attended);
    EXPECT_EQ(silent.log, attended.log);
    ASSERT_TRUE(silent.handler.has_value());

    // The trace names every file, the programs, the component, each box and the code.
    std::string trace = wine.ReadFile(kTrace).value_or("");
    for (const char* line : {
             "script C:\\medium\\SETUP.INF\r\n",
             "set SAMPLEHOME=C:\\windows\\SAMPLE\\\r\n",
             "Windows 4.0 build ",
             "box \"Sample Viewer\" \"This will install Sample Viewer. Do you wish to continue?\" Yes/No: Yes "
             "(not shown)\r\n",
             "file C:\\medium\\viewer.exe -> C:\\windows\\SAMPLE\\viewer.exe: new (0)\r\n",
             "file C:\\medium\\README.TXT -> C:\\windows\\SAMPLE\\readme.txt: new (0)\r\n",
             "file C:\\medium\\sampreg.dll -> C:\\windows\\SAMPLE\\sampreg.dll: new (0)\r\n",
             "box \"Sample Viewer\" \"The source file sampcore.dll is older than the destination file. \\nDo you want "
             "to keep the existing file?\" Yes/No: Yes (not shown)\r\n",
             "file C:\\medium\\sampcore.dll -> C:\\windows\\system32\\sampcore.dll: kept (",
             "file C:\\medium\\UNINST.EXE -> C:\\windows\\SAMPLE\\uninst.exe: new (0)\r\n",
             "run C:\\windows\\SAMPLE\\viewer.exe /setup: WinExec 33\r\n",
             "run C:\\windows\\SAMPLE\\uninst.exe /register SAMPVIEW.INI: WinExec 33\r\n",
             "register C:\\windows\\SAMPLE\\sampreg.dll: HRESULT 0\r\n",
             "box \"Sample Viewer\" \"Setup completed successfully\" OK: OK (not shown)\r\n",
             "end: installed, exit code 0\r\n",
         })
        EXPECT_NE(trace.find(line), std::string::npos) << line << "\n--- trace:\n" << trace;

    // setupcheck's plan of a /S run on the same machine gives the same boxes and code.
    std::string root = wine.CaseDir() + "/plan-root";
    std::filesystem::create_directories(root + "/WINDOWS/SYSTEM");
    WriteHostFile(root + "/WINDOWS/SYSTEM/sampcore.dll", ReadHostFile(BuildDir() + "/sample/sampcore_newer.dll"));
    std::string plan = RunHostCommand(E2eWorkDir() + "/../setupcheck --plan --silent --windows 95 --root '" + root +
                                      "' '" + SampleMediumDir() + "'");
    EXPECT_EQ(LinesAfter(plan, "box: "), LinesAfter(trace, "box ")) << plan;
    EXPECT_EQ(LinesAfter(plan, "exit code: "), std::vector<std::string>{"0"}) << plan;
}

}  // namespace
