// Unattended installation on the fake machine: the options /S and /LOG:FILE, the exit
// code every run ends with, a /S run that shows nothing and decides as the default
// buttons would, and the trace of a run.
#include <gtest/gtest.h>
#include <string.h>

#include <functional>
#include <string>
#include <vector>

#include "cmdline/option_parser.h"
#include "fake/fake_machine.h"
#include "setup/exit_codes.h"
#include "setup/setup_context.h"
#include "ui/run_trace.h"

namespace {

using fake::M;

// --- The option rows -----------------------------------------------------------------

struct OptionRow {
    const char* why;
    std::vector<std::string> tail;  // the arguments after the program's path
    int silent;
    const char* tracePath;  // nullptr: no trace
    int clean;              // CheckCommandLine's answer
};

const OptionRow kOptionRows[] = {
    {"the switch as documented", {"/S"}, 1, nullptr, 1},
    {"letters of any case", {"/s"}, 1, nullptr, 1},
    {"a dash introduces an option as a slash does", {"-S"}, 1, nullptr, 1},
    {"a switch takes no value: /S:1 is not /S", {"/S:1"}, 0, nullptr, 0},
    {"a longer name is another option", {"/SILENT"}, 0, nullptr, 0},
    {"the trace file after a colon", {"/LOG:x"}, 0, "x", 1},
    {"the option's name in any case, a path with blanks",
     {"-log:C:\\My Logs\\setup.log"},
     0,
     "C:\\My Logs\\setup.log",
     1},
    {"the trace file as the next argument", {"/LOG", "C:\\setup.log"}, 0, "C:\\setup.log", 1},
    {"/LOG without a value writes no trace", {"/LOG"}, 0, nullptr, 1},
    {"/LOG: with nothing after the colon writes no trace", {"/LOG:"}, 0, nullptr, 1},
    {"an option after /LOG is not its value", {"/LOG", "/S"}, 1, nullptr, 1},
    {"both, in either order", {"/LOG:t.log", "/S"}, 1, "t.log", 1},
    {"an unknown option before /S is ignored, and /S still counts", {"/quiet", "/S"}, 1, nullptr, 0},
    {"a stray word does not hide the options after it", {"abc", "/S", "/LOG:t"}, 1, "t", 0},
    {"/uninst takes no value from /S", {"/uninst", "/S"}, 1, nullptr, 1},
    {"/uninst's value is not the trace", {"/uninst", "x", "/LOG:y"}, 0, "y", 1},
    {"no arguments: an attended run without a trace", {}, 0, nullptr, 1},
};

TEST(UnattendedOptions, EveryRowFindsWhatItSays) {
    for (const OptionRow& row : kOptionRows) {
        fake::Reset();
        memset(UninstOptionValue, 0, sizeof UninstOptionValue);
        memset(TraceOptionValue, 0, sizeof TraceOptionValue);
        std::vector<std::string> all{"C:\\MEDIA\\SETUP.EXE"};
        all.insert(all.end(), row.tail.begin(), row.tail.end());
        std::vector<char*> pointers;
        for (auto& s : all) pointers.push_back(&s[0]);
        pointers.push_back(nullptr);
        CommandLineFindings found = {0, nullptr};
        EXPECT_EQ(CheckCommandLine(static_cast<int>(all.size()), pointers.data(), &found), row.clean) << row.why;
        EXPECT_EQ(found.Silent, row.silent) << row.why;
        EXPECT_STREQ(found.TracePath, row.tracePath) << row.why;
    }
}

TEST(UnattendedOptions, UnknownArgumentsStillChangeNothingInARun) {
    // The same medium with and without arguments the program does not know.
    std::vector<std::string> boxes[2];
    const char* tails[2] = {"", "/uninst /quiet abc -x:1"};
    for (int i = 0; i < 2; ++i) {
        fake::Reset();
        fake::SetScript("[SETUP]\r\nInitialPrompt=1\r\n");
        M().answers = {IDYES};
        EXPECT_EQ(fake::RunSetup(tails[i]), kExitSuccess) << tails[i];
        for (const auto& box : M().boxes) boxes[i].push_back(box.text);
        EXPECT_EQ(fake::CountCalls("CreateFileA"), 0) << tails[i];
    }
    EXPECT_EQ(boxes[0], boxes[1]);
}

// --- Exit codes ----------------------------------------------------------------------

// A destination in use: its replacement is staged and the restart is offered.
void ScriptStagedFile(const std::string& more = "") {
    fake::MakeDirectory("C:\\APP");
    fake::WriteFile("C:\\MEDIA\\viewer.dll", "new");
    fake::WriteFile("C:\\APP\\viewer.dll", "old");
    M().files["C:\\APP\\viewer.dll"].inUse = true;
    fake::SetScript("[AddFiles.WIN32]\r\nviewer.dll=\r\n[viewer.dll]\r\nTargetDir=C:\\APP\\\r\n" + more);
}

struct ExitRow {
    const char* why;
    std::function<void()> prepare;
    std::vector<int> answers;  // the questions' answers, in order
    const char* tail;
    int exitCode;
    bool restarted;  // ExitWindowsEx was called
};

const ExitRow kExitRows[] = {
    {"an empty script installs nothing, successfully", [] { fake::SetScript(""); }, {}, "", kExitSuccess, false},
    {"no SETUP.INF beside the program", [] {}, {}, "", kExitCannotOpen, false},
    {"Windows older than RequireMajorVersion",
     [] { fake::SetScript("[SETUP]\r\nRequireMajorVersion=9\r\n"); },
     {},
     "",
     kExitWindowsTooOld,
     false},
    {"No to the initial question",
     [] { fake::SetScript("[SETUP]\r\nInitialPrompt=1\r\n"); },
     {IDNO},
     "",
     kExitUserDeclined,
     false},
    {"a required file that is missing from the medium",
     [] { fake::SetScript("[AddFiles.WIN32]\r\nmissing.dll=\r\n[missing.dll]\r\nTargetDir=C:\\APP\\\r\n"); },
     {},
     "",
     kExitFailed,
     false},
    {"a required program that cannot start",
     [] { fake::SetScript("[ExecFiles.WIN32]\r\nnothere.exe=\r\n[nothere.exe]\r\nTargetDir=C:\\APP\\\r\n"); },
     {},
     "",
     kExitFailed,
     false},
    {"a file staged, the restart declined", [] { ScriptStagedFile(); }, {IDNO}, "", kExitRestartRequired, false},
    {"a file staged, the restart accepted and started",
     [] { ScriptStagedFile(); },
     {IDYES},
     "",
     kExitRestartStarted,
     true},
    {"the restart accepted but refused by Windows: nothing restarts",
     [] {
         ScriptStagedFile();
         fake::FailAlways("ExitWindowsEx");
     },
     {IDYES},
     "",
     kExitRestartRequired,
     true},
    {"a failure stays a failure when the restart follows it",
     [] { ScriptStagedFile("[ExecFiles.WIN32]\r\nnothere.exe=\r\n[nothere.exe]\r\nTargetDir=C:\\APP\\\r\n"); },
     {IDYES},
     "",
     kExitFailed,
     true},
    {"/S: staged, and the restart is left to the caller",
     [] { ScriptStagedFile(); },
     {},
     "/S",
     kExitRestartRequired,
     false},
    {"/S answers the initial question Yes",
     [] { fake::SetScript("[SETUP]\r\nInitialPrompt=1\r\n"); },
     {},
     "/S",
     kExitSuccess,
     false},
    {"/S on too old a Windows",
     [] { fake::SetScript("[SETUP]\r\nRequireMajorVersion=9\r\n"); },
     {},
     "/S",
     kExitWindowsTooOld,
     false},
    {"/S without a script", [] {}, {}, "/S", kExitCannotOpen, false},
};

TEST(UnattendedExitCodes, EveryOutcomeEndsWithItsCode) {
    for (const ExitRow& row : kExitRows) {
        fake::Reset();
        row.prepare();
        M().answers.assign(row.answers.begin(), row.answers.end());
        EXPECT_EQ(fake::RunSetup(row.tail), row.exitCode) << row.why;
        EXPECT_EQ(M().unansweredQuestions, 0) << row.why;
        EXPECT_EQ(fake::CountCalls("ExitWindowsEx") > 0, row.restarted) << row.why;
        // Unattended, no box and no window at all.
        if (strcmp(row.tail, "/S") == 0) {
            EXPECT_TRUE(M().boxes.empty()) << row.why;
            EXPECT_EQ(fake::CountCalls("CreateDialogParamA"), 0) << row.why;
        }
    }
}

// --- /S decides as the default buttons ----------------------------------------------

// A medium that asks every kind of question: the initial question, a browser
// installation, an older source file; and runs a program, registers a component and
// keeps an uninstall log.
void PrepareQuestioningMedium() {
    fake::MakeDirectory("C:\\APP");
    fake::MakeDirectory("C:\\NAV\\PLUGINS");
    fake::WriteFile("C:\\MEDIA\\viewer.exe", "viewer");
    fake::WriteFile("C:\\MEDIA\\core.dll", "core 1", 1);
    fake::WriteFile("C:\\APP\\core.dll", "core 2", 2);
    fake::WriteFile("C:\\MEDIA\\npsample.dll", "plug-in");
    fake::WriteFile("C:\\MEDIA\\reg.dll", "component");
    M().components["C:\\APP\\reg.dll"] = fake::Component{};
    const std::string hosts = "SOFTWARE\\Navigator\\Installations";
    fake::SetRegistryString(HKEY_LOCAL_MACHINE, hosts + "\\A\\Main", "Plugins", "C:\\NAV\\PLUGINS");
    fake::SetRegistryString(HKEY_LOCAL_MACHINE, hosts + "\\A\\Main", "Install Directory", "C:\\NAV");
    fake::SetScript(
        "[SETUP]\r\nProduct=Sample\r\nInitialPrompt=1\r\nUninstFile=SAMPLE.INI\r\n"
        "[NETSCAPEDIREX]\r\nRegistryRootKey=HKEY_LOCAL_MACHINE\r\nRegistryMidKey=" +
        hosts +
        "\r\nRegistryMid2Key=Main\r\nRegistryEndKey=Plugins\r\nRegistryInstallPathKey=Install Directory\r\n"
        "[PLUGINFILE]\r\nPluginFileName=npsample.dll\r\n"
        "[SetEnv.WIN32]\r\nAPPDIR=\r\n[APPDIR]\r\nDataFrom=ENVIRONMENT\r\nEnvironmentValue=C:\\APP\r\n"
        "[AddFiles.WIN32]\r\nviewer.exe=\r\ncore.dll=\r\nnpsample.dll=\r\nreg.dll=\r\n"
        "[viewer.exe]\r\nTargetDir=%APPDIR%\r\nExecParam=/setup\r\n"
        "[npsample.dll]\r\nTargetDir=C:\\APP\\PLUGINS\r\n"
        "[reg.dll]\r\nTargetDir=C:\\APP\r\n"
        "[ExecFiles.WIN32]\r\nviewer.exe=\r\n"
        "[RegisterFiles.WIN32]\r\nreg.dll=\r\n");
}

std::map<std::string, std::string> FileContents() {
    std::map<std::string, std::string> contents;
    for (const auto& file : M().files) contents[file.first] = file.second.content;
    return contents;
}

TEST(UnattendedRun, SilentRunEqualsAnAttendedRunAnsweredWithTheDefaultButtons) {
    fake::Reset();
    PrepareQuestioningMedium();
    // Yes to the initial question, the browser and the older file (asked in the
    // browser's run and in the main run); OK to the report.
    M().answers = {IDYES, IDYES, IDYES, IDYES};
    EXPECT_EQ(fake::RunSetup(""), kExitSuccess);
    ASSERT_EQ(M().boxes.size(), 5u);
    EXPECT_EQ(M().unansweredQuestions, 0);
    auto attendedFiles = FileContents();
    auto attendedStarted = M().started.size();
    auto attendedRegistered = fake::CountCalls("DllRegisterServer");

    fake::Reset();
    PrepareQuestioningMedium();
    EXPECT_EQ(fake::RunSetup("/S"), kExitSuccess);
    EXPECT_TRUE(M().boxes.empty());
    EXPECT_EQ(fake::CountCalls("MessageBoxA"), 0);
    EXPECT_EQ(fake::CountCalls("CreateDialogParamA"), 0);
    EXPECT_EQ(FileContents(), attendedFiles);
    EXPECT_EQ(M().started.size(), attendedStarted);
    EXPECT_EQ(fake::CountCalls("DllRegisterServer"), attendedRegistered);
    // The newer file present was kept and the plug-in went into the browser.
    EXPECT_EQ(fake::ReadFile("C:\\APP\\core.dll"), "core 2");
    EXPECT_EQ(fake::ReadFile("C:\\NAV\\PLUGINS\\npsample.dll"), "plug-in");
}

// --- The trace -------------------------------------------------------------------------

std::string Trace(const std::string& path = "C:\\TEMP\\setup.log") {
    return fake::ReadFile(path).value_or("<no trace>");
}

TEST(UnattendedTrace, NamesEveryStepOfARunInOrder) {
    fake::Reset();
    PrepareQuestioningMedium();
    fake::MakeDirectory("C:\\TEMP");
    EXPECT_EQ(fake::RunSetup("/S /LOG:C:\\TEMP\\setup.log"), kExitSuccess);
    const std::string expected =
        "SETUP.EXE 1.0.0.0 C:\\MEDIA\\SETUP.EXE, command line: /S /LOG:C:\\TEMP\\setup.log\r\n"
        "script C:\\MEDIA\\SETUP.INF\r\n"
        "set APPDIR=C:\\APP\r\n"
        "Windows 4.0 build 1381, platform 2\r\n"
        "box \"Sample\" \"This will install Sample. Do you wish to continue?\" Yes/No: Yes (not shown)\r\n"
        "box \"Sample\" \"The Setup Program has detected a Netscape installation at \\n\\nC:\\NAV\\n\\nInstall/Update "
        "the Tarvex Drovane plugin in this installation?\" Yes/No: Yes (not shown)\r\n"
        "browser C:\\NAV (plug-ins C:\\NAV\\PLUGINS): taken\r\n"
        "file C:\\MEDIA\\viewer.exe -> C:\\APP\\viewer.exe: new (0)\r\n"
        "box \"Sample\" \"The source file core.dll is older than the destination file. \\nDo you want to keep the "
        "existing file?\" Yes/No: Yes (not shown)\r\n"
        "file C:\\MEDIA\\core.dll -> C:\\APP\\core.dll: kept (7)\r\n"
        "file C:\\MEDIA\\npsample.dll -> C:\\NAV\\PLUGINS\\npsample.dll: new (0)\r\n"
        "file C:\\MEDIA\\reg.dll -> C:\\APP\\reg.dll: new (0)\r\n"
        "file C:\\MEDIA\\viewer.exe -> C:\\APP\\viewer.exe: replaced (0)\r\n"
        "box \"Sample\" \"The source file core.dll is older than the destination file. \\nDo you want to keep the "
        "existing file?\" Yes/No: Yes (not shown)\r\n"
        "file C:\\MEDIA\\core.dll -> C:\\APP\\core.dll: kept (7)\r\n"
        "file C:\\MEDIA\\npsample.dll -> C:\\APP\\PLUGINS\\npsample.dll: new (0)\r\n"
        "file C:\\MEDIA\\reg.dll -> C:\\APP\\reg.dll: replaced (0)\r\n"
        "run C:\\APP\\viewer.exe /setup: WinExec 33\r\n"
        "register C:\\APP\\reg.dll: HRESULT 0\r\n"
        "box \"Sample\" \"Setup completed successfully\" OK: OK (not shown)\r\n"
        "end: installed, exit code 0\r\n";
    EXPECT_EQ(Trace(), expected);
}

TEST(UnattendedTrace, AttendedBoxesAreTracedWithThePersonsAnswer) {
    fake::Reset();
    fake::SetScript("[SETUP]\r\nProduct=Sample\r\nInitialPrompt=1\r\n");
    M().answers = {IDNO};
    EXPECT_EQ(fake::RunSetup("/LOG:C:\\MEDIA\\t.log"), kExitUserDeclined);
    std::string trace = Trace("C:\\MEDIA\\t.log");
    EXPECT_NE(trace.find("box \"Sample\" \"This will install Sample. Do you wish to continue?\" Yes/No: No\r\n"),
              std::string::npos)
        << trace;
    EXPECT_NE(trace.find("end: declined, exit code 1602\r\n"), std::string::npos) << trace;
    EXPECT_EQ(M().boxes.size(), 1u);  // the trace shows nothing to the person
}

TEST(UnattendedTrace, StagedFileAndTheRestartLeftToTheCaller) {
    fake::Reset();
    ScriptStagedFile();
    EXPECT_EQ(fake::RunSetup("/S /LOG:C:\\APP\\t.log"), kExitRestartRequired);
    std::string trace = Trace("C:\\APP\\t.log");
    EXPECT_NE(trace.find("file C:\\MEDIA\\viewer.dll -> C:\\APP\\viewer.dll: staged ("), std::string::npos) << trace;
    // The report comes first, then the restart that is left to the caller.
    EXPECT_NE(trace.find("box \"product\" \"Setup completed successfully\" OK: OK (not shown)\r\n"
                         "restart needed: 1 file(s) staged\r\n"),
              std::string::npos)
        << trace;
    EXPECT_TRUE(trace.size() > 2 && trace.rfind("end: installed, restart not made, exit code 3010\r\n") ==
                                        trace.size() - strlen("end: installed, restart not made, exit code 3010\r\n"))
        << trace;
}

TEST(UnattendedTrace, FailedRunNamesTheFileTheBoxesAndTheCode) {
    fake::Reset();
    fake::MakeDirectory("C:\\APP");
    fake::SetScript("[AddFiles.WIN32]\r\nmissing.dll=\r\n[missing.dll]\r\nTargetDir=C:\\APP\\\r\n");
    EXPECT_EQ(fake::RunSetup("/S /LOG:C:\\APP\\t.log"), kExitFailed);
    std::string trace = Trace("C:\\APP\\t.log");
    for (const char* line :
         {"file C:\\MEDIA\\missing.dll -> C:\\APP\\missing.dll: failed (",
          "box \"File Copy Failed\" \"missing.dll\" OK: OK (not shown)\r\n",
          "box \"product\" \"Setup failed for C:\\APP\\\" OK: OK (not shown)\r\n", "end: failed, exit code 1603\r\n"})
        EXPECT_NE(trace.find(line), std::string::npos) << line << "\n" << trace;
}

TEST(UnattendedTrace, EachRunIsAppendedBelowTheLast) {
    fake::Reset();
    fake::SetScript("");
    fake::WriteFile("C:\\MEDIA\\t.log", "earlier\r\n");
    fake::RunSetup("/LOG:t.log");  // a bare name: the current directory, C:\MEDIA
    fake::RunSetup("/LOG:t.log");
    std::string trace = Trace("C:\\MEDIA\\t.log");
    EXPECT_EQ(trace.rfind("earlier\r\nSETUP.EXE ", 0), 0u) << trace;
    size_t first = trace.find("end: installed, exit code 0\r\n");
    ASSERT_NE(first, std::string::npos) << trace;
    EXPECT_NE(trace.find("end: installed, exit code 0\r\n", first + 1), std::string::npos) << trace;
}

struct TraceTroubleRow {
    const char* why;
    std::function<void()> trouble;
};

const TraceTroubleRow kTraceTroubleRows[] = {
    {"the trace's directory does not exist", [] {}},
    {"the trace file cannot be opened", [] { fake::FailAlways("CreateFileA"); }},
    {"no line can be written", [] { fake::FailAlways("WriteFile"); }},
    {"the end of the file cannot be found", [] { fake::FailAlways("SetFilePointer"); }},
};

TEST(UnattendedTrace, ATraceThatCannotBeWrittenChangesNothingInTheRun) {
    for (const TraceTroubleRow& row : kTraceTroubleRows) {
        fake::Reset();
        ScriptStagedFile();
        M().answers = {IDNO};
        EXPECT_EQ(fake::RunSetup(""), kExitRestartRequired) << row.why;
        auto boxes = M().boxes.size();
        auto files = FileContents();

        fake::Reset();
        ScriptStagedFile();
        M().answers = {IDNO};
        row.trouble();
        const char* log = strcmp(row.why, "the trace's directory does not exist") == 0 ? "/LOG:C:\\NOWHERE\\t.log"
                                                                                       : "/LOG:C:\\APP\\t.log";
        EXPECT_EQ(fake::RunSetup(log), kExitRestartRequired) << row.why;
        EXPECT_EQ(M().boxes.size(), boxes) << row.why;
        auto after = FileContents();
        after.erase("C:\\APP\\t.log");
        EXPECT_EQ(after, files) << row.why;
        EXPECT_TRUE(M().openFiles.empty()) << row.why << ": the trace file is closed";
    }
}

TEST(UnattendedTrace, ALineTooLongIsCutWithAVisibleMark) {
    fake::Reset();
    ASSERT_EQ(OpenRunTrace("C:\\MEDIA\\t.log"), 1);
    std::string value(2000, 'v');
    TraceEvent("set %s", value.c_str());
    TraceEvent("after %u", 7u);
    CloseRunTrace();
    std::string trace = Trace("C:\\MEDIA\\t.log");
    size_t end = trace.find("\r\n");
    ASSERT_NE(end, std::string::npos);
    EXPECT_EQ(end + 2, kTraceLineChars - 1) << "the whole line, its end included, fits the line buffer";
    EXPECT_EQ(trace.substr(0, 4), "set ");
    EXPECT_EQ(trace.substr(end - strlen(kTraceCutMark), strlen(kTraceCutMark)), kTraceCutMark);
    EXPECT_EQ(trace.substr(end + 2), "after 7\r\n");
}

TEST(UnattendedTrace, ALineThatJustFitsIsNotMarked) {
    fake::Reset();
    ASSERT_EQ(OpenRunTrace("C:\\MEDIA\\t.log"), 1);
    std::string value(kTraceLineChars - 1 - 2, 'v');  // with the line end, exactly full
    TraceEvent("%s", value.c_str());
    CloseRunTrace();
    EXPECT_EQ(Trace("C:\\MEDIA\\t.log"), value + "\r\n");
}

TEST(UnattendedTrace, NoTraceWithoutTheOptionAndNothingWrittenAfterClosing) {
    fake::Reset();
    TraceEvent("before %s", "opening");
    EXPECT_EQ(OpenRunTrace(""), 0);
    EXPECT_EQ(OpenRunTrace(nullptr), 0);
    EXPECT_EQ(fake::CountCalls("CreateFileA"), 0);
    ASSERT_EQ(OpenRunTrace("C:\\MEDIA\\t.log"), 1);
    TraceEvent("numbers %u %x", 3010u, 0x80004005u);
    CloseRunTrace();
    TraceEvent("after %s", "closing");
    EXPECT_EQ(Trace("C:\\MEDIA\\t.log"), "numbers 3010 80004005\r\n");
}

}  // namespace
