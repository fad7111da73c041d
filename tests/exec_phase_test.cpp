// The ExecFiles.WIN32 phase on the fake machine: the command each entry forms, when
// a failed start ends the phase, and the removal commands it records.
#include "actions/exec_phase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fake/fake_machine.h"
#include "setup/setup_context.h"

namespace {

using fake::M;

constexpr char kLog[] = "C:\\UNINST.INI";

class ProgramExecution : public ::testing::Test {
protected:
    void SetUp() override { fake::Reset(); }

    // The script with an uninstall log, then start-up as the driver does it.
    static void Start(const std::string& sections) {
        fake::SetScript(std::string("[SETUP]\r\nUninstFile=") + kLog + "\r\n" + sections);
        InitSetupContext("SETUP.INF");
    }

    static std::vector<std::string> StartedCommands() {
        std::vector<std::string> commands;
        for (const auto& process : M().started) commands.push_back(process.command);
        return commands;
    }

    // The key names of one section of the uninstall log, in file order.
    static std::vector<std::string> LogKeys(const char* section) {
        std::vector<std::string> keys;
        std::vector<char> buffer(8192, '\0');
        GetPrivateProfileStringA(section, nullptr, "", buffer.data(), static_cast<DWORD>(buffer.size()), kLog);
        for (const char* name = buffer.data(); *name != '\0'; name += std::char_traits<char>::length(name) + 1)
            keys.emplace_back(name);
        return keys;
    }

    // Position of the first seam call that contains `text`, or -1.
    static int CallIndex(const std::string& text) {
        for (size_t i = 0; i < M().calls.size(); ++i)
            if (M().calls[i].find(text) != std::string::npos) return static_cast<int>(i);
        return -1;
    }
};

using Strings = std::vector<std::string>;

// --- The command that is started ---------------------------------------------------

TEST_F(ProgramExecution, CommandIsDirectoryFileBlankAndParameters) {
    Start("[ExecFiles.WIN32]\r\nrun.exe=\r\n[run.exe]\r\nTargetDir=C:\\APP\\\r\nExecParam=/setup /q\r\n");
    fake::WriteFile("C:\\APP\\run.exe", "program");
    EXPECT_EQ(RunExecPhase("ExecFiles.WIN32"), 1);
    ASSERT_EQ(M().started.size(), 1u);
    EXPECT_EQ(M().started[0].command, "C:\\APP\\run.exe /setup /q");
    EXPECT_EQ(M().started[0].show, static_cast<UINT>(SW_SHOW));
    EXPECT_STREQ(g_Setup.TARGETDIR.c_str(), "C:\\APP\\");
    EXPECT_STREQ(g_Setup.TARGETFILE.c_str(), "run.exe");
    EXPECT_TRUE(M().boxes.empty());
}

TEST_F(ProgramExecution, CommandWithoutParametersEndsWithOneBlank) {
    Start("[ExecFiles.WIN32]\r\nRUN=\r\n[RUN]\r\nTargetFilename=RUN.EXE\r\nTargetDir=C:\\APP\\\r\n");
    fake::WriteFile("C:\\APP\\RUN.EXE", "program");
    EXPECT_EQ(RunExecPhase("ExecFiles.WIN32"), 1);
    EXPECT_EQ(StartedCommands(), Strings{"C:\\APP\\RUN.EXE "});
    EXPECT_STREQ(g_Setup.TARGETFILE.c_str(), "RUN.EXE");
}

// How the program's path is joined and which paths are never started, and what the
// start command and the failure box then say.
struct ProgramPathCase {
    const char* why;
    const char* targetDir;  // nullptr: no TargetDir key, the directory left before
    const char* started;    // the command started, or nullptr when none may be
    const char* shown;      // the failure box's text (RequiredExec=1), or nullptr for none
};

TEST_F(ProgramExecution, ProgramPathIsJoinedLikeAFilePathAndNeverSearchedFor) {
    const ProgramPathCase cases[] = {
        // Without a backslash the join adds one: never C:\APPRUN.EXE.
        {"directory without backslash", "C:\\APP", "C:\\APP\\RUN.EXE /x", nullptr},
        {"directory with backslash", "C:\\APP\\", "C:\\APP\\RUN.EXE /x", nullptr},
        {"drive root", "C:\\", "C:\\RUN.EXE /x", nullptr},
        {"network path", "\\\\SERVER\\SHARE", "\\\\SERVER\\SHARE\\RUN.EXE /x", nullptr},
        // A bare name would be searched along the current directory and PATH.
        {"no directory at all", nullptr, nullptr, "RUN.EXE /x"},
        {"directory expanding to nothing", "%NOSUCHNAME%", nullptr, "RUN.EXE /x"},
        // Relative to the current directory or the current drive.
        {"relative directory", "APP", nullptr, "APP\\RUN.EXE /x"},
        {"root of the current drive", "\\APP", nullptr, "\\APP\\RUN.EXE /x"},
        {"current directory of drive C", "C:APP", nullptr, "C:APP\\RUN.EXE /x"},
    };
    for (const ProgramPathCase& c : cases) {
        fake::Reset();
        std::string entry = "[RUN.EXE]\r\nExecParam=/x\r\n";
        if (c.targetDir != nullptr) entry += std::string("TargetDir=") + c.targetDir + "\r\n";
        Start("[ExecFiles.WIN32]\r\nRUN.EXE=\r\n" + entry);
        // Programs of that name everywhere a search or a missing backslash would look.
        for (const char* planted : {"C:\\APP\\RUN.EXE", "C:\\APPRUN.EXE", "C:\\RUN.EXE", "C:\\WINDOWS\\RUN.EXE",
                                    "C:\\MEDIA\\RUN.EXE", "C:\\MEDIA\\APP\\RUN.EXE", "\\\\SERVER\\SHARE\\RUN.EXE"})
            fake::WriteFile(planted, "program");
        EXPECT_EQ(RunExecPhase("ExecFiles.WIN32"), c.started ? 1 : 0) << c.why;
        if (c.started) {
            EXPECT_EQ(fake::CallsStartingWith("WinExec"), Strings{std::string("WinExec ") + c.started}) << c.why;
            EXPECT_TRUE(M().boxes.empty()) << c.why;
        } else {
            EXPECT_EQ(fake::CountCalls("WinExec"), 0) << c.why;
            ASSERT_EQ(M().boxes.size(), 1u) << c.why;
            EXPECT_EQ(M().boxes[0].text, c.shown) << c.why;
            EXPECT_EQ(M().boxes[0].caption, "Execution failed") << c.why;
        }
    }
}

TEST_F(ProgramExecution, RemovalCommandIsJoinedLikeTheStartCommand) {
    Start(
        "[ExecFiles.WIN32]\r\nRUN.EXE=\r\n"
        "[RUN.EXE]\r\nTargetDir=C:\\APP\r\nUninstExecParam=/remove\r\n");
    fake::WriteFile("C:\\APP\\RUN.EXE", "program");
    EXPECT_EQ(RunExecPhase("ExecFiles.WIN32"), 1);
    EXPECT_EQ(LogKeys("UninstExec"), Strings{"C:\\APP\\RUN.EXE /remove"});
}

TEST_F(ProgramExecution, OptionalProgramWithoutAFullPathIsPassedOverUnstartedAndUnlogged) {
    // The removal command would be searched for by whoever runs it: it is not recorded.
    Start(
        "[ExecFiles.WIN32]\r\nnotes.exe=\r\nnext.exe=\r\n"
        "[notes.exe]\r\nExecParam=/setup\r\nRequiredExec=0\r\nUninstExecParam=/remove\r\n"
        "[next.exe]\r\nTargetDir=C:\\APP\\\r\n");
    fake::WriteFile("C:\\MEDIA\\notes.exe", "a same-named program on the medium");
    fake::WriteFile("C:\\APP\\next.exe", "program");
    EXPECT_EQ(RunExecPhase("ExecFiles.WIN32"), 1);
    EXPECT_EQ(StartedCommands(), Strings{"C:\\APP\\next.exe "});
    EXPECT_TRUE(M().boxes.empty());
    EXPECT_TRUE(LogKeys("UninstExec").empty());
}

TEST_F(ProgramExecution, EntryWithoutTargetDirUsesTheDirectoryLeftBefore) {
    Start(
        "[ExecFiles.WIN32]\r\none.exe=\r\ntwo.exe=\r\n"
        "[one.exe]\r\nTargetDir=C:\\APP\\\r\n[two.exe]\r\nExecParam=/second\r\n");
    fake::WriteFile("C:\\APP\\one.exe", "program");
    fake::WriteFile("C:\\APP\\two.exe", "program");
    EXPECT_EQ(RunExecPhase("ExecFiles.WIN32"), 1);
    EXPECT_EQ(StartedCommands(), (Strings{"C:\\APP\\one.exe ", "C:\\APP\\two.exe /second"}));
}

TEST_F(ProgramExecution, FirstEntryInheritsTheDirectoryOfTheLastFileEntry) {
    Start("[ExecFiles.WIN32]\r\nsetupapp.exe=\r\n");
    fake::WriteFile("C:\\PROGRA\\setupapp.exe", "program");
    g_Setup.TARGETDIR.Assign("C:\\PROGRA\\");  // as the file phase left it
    EXPECT_EQ(RunExecPhase("ExecFiles.WIN32"), 1);
    EXPECT_EQ(StartedCommands(), Strings{"C:\\PROGRA\\setupapp.exe "});
}

TEST_F(ProgramExecution, TargetDirIsExpandedWithThisEntrysFileName) {
    Start("[ExecFiles.WIN32]\r\ntool.exe=\r\n[tool.exe]\r\nTargetDir=%WINDIR%%TARGETFILE%.D\\\r\n");
    fake::WriteFile("C:\\WINDOWS\\tool.exe.D\\tool.exe", "program");
    EXPECT_EQ(RunExecPhase("ExecFiles.WIN32"), 1);
    EXPECT_EQ(StartedCommands(), Strings{"C:\\WINDOWS\\tool.exe.D\\tool.exe "});
    EXPECT_STREQ(g_Setup.TARGETDIR.c_str(), "C:\\WINDOWS\\tool.exe.D\\");
}

TEST_F(ProgramExecution, InheritedDirectoryIsTakenAsItIs) {
    // "100%%" becomes "100%"; taken over by the next entry, it is not expanded again.
    Start(
        "[ExecFiles.WIN32]\r\na.exe=\r\nb.exe=\r\n"
        "[a.exe]\r\nTargetDir=C:\\100%%\\\r\nRequiredExec=0\r\n[b.exe]\r\nRequiredExec=0\r\n");
    EXPECT_EQ(RunExecPhase("ExecFiles.WIN32"), 1);
    EXPECT_EQ(fake::CallsStartingWith("WinExec"),
              (Strings{"WinExec C:\\100%\\a.exe ", "WinExec C:\\100%\\b.exe "}));
    EXPECT_STREQ(g_Setup.TARGETDIR.c_str(), "C:\\100%\\");
}

TEST_F(ProgramExecution, ParametersAreNotExpanded) {
    Start("[ExecFiles.WIN32]\r\nrun.exe=\r\n[run.exe]\r\nTargetDir=C:\\APP\\\r\nExecParam=%WINDIR% 50%\r\n");
    fake::WriteFile("C:\\APP\\run.exe", "program");
    EXPECT_EQ(RunExecPhase("ExecFiles.WIN32"), 1);
    EXPECT_EQ(StartedCommands(), Strings{"C:\\APP\\run.exe %WINDIR% 50%"});
}

// --- Program paths with blanks -----------------------------------------------------

TEST_F(ProgramExecution, ProgramPathWithABlankIsQuoted) {
    Start(
        "[ExecFiles.WIN32]\r\nrun.exe=\r\n"
        "[run.exe]\r\nTargetDir=C:\\Program Files\\App\\\r\nExecParam=/setup\r\nUninstExecParam=/remove\r\n");
    fake::WriteFile("C:\\Program Files\\App\\run.exe", "program");
    EXPECT_EQ(RunExecPhase("ExecFiles.WIN32"), 1);
    EXPECT_EQ(StartedCommands(), Strings{"\"C:\\Program Files\\App\\run.exe\" /setup"});
    EXPECT_EQ(LogKeys("UninstExec"), Strings{"\"C:\\Program Files\\App\\run.exe\" /remove"});
}

TEST_F(ProgramExecution, FileNameWithABlankOrTabIsQuotedToo) {
    Start(
        "[ExecFiles.WIN32]\r\nrun me.exe=\r\ntab.exe=\r\n"
        "[run me.exe]\r\nTargetDir=C:\\APP\\\r\nRequiredExec=0\r\n"
        "[tab.exe]\r\nTargetFilename=a\tb.exe\r\nRequiredExec=0\r\n");
    EXPECT_EQ(RunExecPhase("ExecFiles.WIN32"), 1);
    EXPECT_EQ(fake::CallsStartingWith("WinExec"),
              (Strings{"WinExec \"C:\\APP\\run me.exe\" ", "WinExec \"C:\\APP\\a\tb.exe\" "}));
}

TEST_F(ProgramExecution, BlankInTheParametersAloneLeavesThePathUnquoted) {
    Start("[ExecFiles.WIN32]\r\nrun.exe=\r\n[run.exe]\r\nTargetDir=C:\\APP\\\r\nExecParam=/a /b\r\n");
    fake::WriteFile("C:\\APP\\run.exe", "program");
    EXPECT_EQ(RunExecPhase("ExecFiles.WIN32"), 1);
    EXPECT_EQ(StartedCommands(), Strings{"C:\\APP\\run.exe /a /b"});
}

TEST_F(ProgramExecution, ProgramPathQuotedInTheScriptIsLeftAsWritten) {
    // An author who already quoted the path gets no second pair of quotes.
    Start(
        "[ExecFiles.WIN32]\r\nrun.exe=\r\n"
        "[run.exe]\r\nTargetDir=\"C:\\My App\\\r\nTargetFilename=run.exe\"\r\nRequiredExec=0\r\n");
    EXPECT_EQ(RunExecPhase("ExecFiles.WIN32"), 1);
    EXPECT_EQ(fake::CallsStartingWith("WinExec"), Strings{"WinExec \"C:\\My App\\run.exe\" "});
}

// --- Commands that do not fit ------------------------------------------------------

class LongCommand : public ProgramExecution {
protected:
    // A directory that, with "run.exe", a blank and `parameters`, gives `total` characters.
    static std::string DirectoryFor(size_t total, const std::string& parameters) {
        size_t length = total - std::string("run.exe ").size() - parameters.size();
        return "C:\\" + std::string(length - 4, 'D') + "\\";
    }
};

TEST_F(LongCommand, CommandOf255CharactersIsStarted) {
    std::string parameters(100, 'p');
    std::string directory = DirectoryFor(255, parameters);
    Start("[ExecFiles.WIN32]\r\nrun.exe=\r\n[run.exe]\r\nTargetDir=" + directory + "\r\nExecParam=" + parameters +
          "\r\n");
    fake::WriteFile(directory + "run.exe", "program");
    EXPECT_EQ(RunExecPhase("ExecFiles.WIN32"), 1);
    ASSERT_EQ(M().started.size(), 1u);
    EXPECT_EQ(M().started[0].command.size(), 255u);
    EXPECT_EQ(M().started[0].command, directory + "run.exe " + parameters);
}

TEST_F(LongCommand, CommandOf256CharactersIsNotStartedAndFailsTheRequiredEntry) {
    std::string parameters(100, 'p');
    std::string directory = DirectoryFor(256, parameters);
    std::string command = directory + "run.exe " + parameters;
    Start("[ExecFiles.WIN32]\r\nrun.exe=\r\nnext.exe=\r\n[run.exe]\r\nTargetDir=" + directory +
          "\r\nExecParam=" + parameters + "\r\n[next.exe]\r\nRequiredExec=0\r\n");
    fake::WriteFile(directory + "run.exe", "program");
    EXPECT_EQ(RunExecPhase("ExecFiles.WIN32"), 0);
    EXPECT_EQ(fake::CountCalls("WinExec"), 0);
    ASSERT_EQ(M().boxes.size(), 1u);
    EXPECT_EQ(M().boxes[0].text, command.substr(0, 255));
    EXPECT_EQ(M().boxes[0].caption, "Execution failed");
}

TEST_F(LongCommand, NonRequiredEntryGoesOnAndLogsOnlyARemovalCommandThatFits) {
    std::string parameters(120, 'p');
    std::string directory = DirectoryFor(300, parameters);
    ASSERT_LT(directory.size(), 260u);
    Start(
        "[ExecFiles.WIN32]\r\nrun.exe=\r\ncut.exe=\r\n"
        "[run.exe]\r\nTargetDir=" +
        directory + "\r\nExecParam=" + parameters +
        "\r\nRequiredExec=0\r\nUninstExecParam=/remove\r\n"
        "[cut.exe]\r\nExecParam=/x\r\nRequiredExec=0\r\nUninstExecParam=" +
        parameters + "\r\n");
    fake::WriteFile(directory + "run.exe", "program");
    fake::WriteFile(directory + "cut.exe", "program");
    EXPECT_EQ(RunExecPhase("ExecFiles.WIN32"), 1);
    // The second entry's own command fits; its removal command would be cut.
    EXPECT_EQ(StartedCommands(), Strings{directory + "cut.exe /x"});
    EXPECT_TRUE(M().boxes.empty());
    EXPECT_EQ(LogKeys("UninstExec"), Strings{directory + "run.exe /remove"});
}

// --- Failed starts -----------------------------------------------------------------

TEST_F(ProgramExecution, RequiredExecIsReadOnlyAfterAFailedStart) {
    Start(
        "[ExecFiles.WIN32]\r\nok.exe=\r\nbad.exe=\r\n"
        "[ok.exe]\r\nTargetDir=C:\\APP\\\r\nRequiredExec=0\r\n[bad.exe]\r\nRequiredExec=0\r\n");
    fake::WriteFile("C:\\APP\\ok.exe", "program");
    EXPECT_EQ(RunExecPhase("ExecFiles.WIN32"), 1);
    Strings reads;
    for (const auto& call : M().calls)
        if (call.find("RequiredExec") != std::string::npos) reads.push_back(call);
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_NE(reads[0].find("bad.exe"), std::string::npos);
    // ...and after the start was tried.
    auto calls = M().calls;
    auto start = std::find_if(calls.begin(), calls.end(),
                              [](const std::string& c) { return c.find("WinExec C:\\APP\\bad.exe") == 0; });
    auto read = std::find(calls.begin(), calls.end(), reads[0]);
    EXPECT_LT(start, read);
}

TEST_F(ProgramExecution, FailedRequiredStartShowsTheCommandAndEndsThePhase) {
    Start(
        "[ExecFiles.WIN32]\r\nfirst.exe=\r\nmissing.exe=\r\nlast.exe=\r\n"
        "[first.exe]\r\nTargetDir=C:\\APP\\\r\n[missing.exe]\r\nExecParam=/x %s\r\nRequiredExec=2\r\n"
        "[last.exe]\r\nUninstExecParam=/u\r\n");
    fake::WriteFile("C:\\APP\\first.exe", "program");
    fake::WriteFile("C:\\APP\\last.exe", "program");
    EXPECT_EQ(RunExecPhase("ExecFiles.WIN32"), 0);
    EXPECT_EQ(StartedCommands(), Strings{"C:\\APP\\first.exe "});
    EXPECT_EQ(fake::CountCalls("WinExec"), 2);
    ASSERT_EQ(M().boxes.size(), 1u);
    EXPECT_EQ(M().boxes[0].text, "C:\\APP\\missing.exe /x %s");  // shown as it is, not formatted
    EXPECT_EQ(M().boxes[0].caption, "Execution failed");
    EXPECT_EQ(M().boxes[0].style, static_cast<UINT>(MB_OK));
    EXPECT_EQ(M().boxes[0].owner, nullptr);
    EXPECT_TRUE(LogKeys("UninstExec").empty());
}

TEST_F(ProgramExecution, RequiredExecDefaultsToRequired) {
    Start("[ExecFiles.WIN32]\r\nmissing.exe=\r\n[missing.exe]\r\nTargetDir=C:\\APP\\\r\nUninstExecParam=/u\r\n");
    EXPECT_EQ(RunExecPhase("ExecFiles.WIN32"), 0);
    ASSERT_EQ(M().boxes.size(), 1u);
    EXPECT_EQ(M().boxes[0].text, "C:\\APP\\missing.exe ");
    EXPECT_TRUE(LogKeys("UninstExec").empty());
}

TEST_F(ProgramExecution, StartResultIsComparedUnsignedAgainst32) {
    Start(
        "[ExecFiles.WIN32]\r\na.exe=\r\nb.exe=\r\n"
        "[a.exe]\r\nTargetDir=C:\\APP\\\r\nRequiredExec=1\r\n[b.exe]\r\nRequiredExec=1\r\n");
    M().winExecResult = [](const std::string& command) -> UINT {
        return command.find("a.exe") != std::string::npos ? 32u : 31u;
    };
    EXPECT_EQ(RunExecPhase("ExecFiles.WIN32"), 0);
    ASSERT_EQ(M().boxes.size(), 1u);
    EXPECT_EQ(M().boxes[0].text, "C:\\APP\\b.exe ");
}

TEST_F(ProgramExecution, FailedOptionalStartStillRecordsItsRemovalCommand) {
    Start(
        "[ExecFiles.WIN32]\r\nmissing.exe=\r\nnext.exe=\r\n"
        "[missing.exe]\r\nTargetDir=C:\\APP\\\r\nRequiredExec=0\r\nUninstExecParam=/remove all\r\n"
        "[next.exe]\r\nExecParam=/go\r\n");
    fake::WriteFile("C:\\APP\\next.exe", "program");
    EXPECT_EQ(RunExecPhase("ExecFiles.WIN32"), 1);
    EXPECT_TRUE(M().boxes.empty());
    EXPECT_EQ(StartedCommands(), Strings{"C:\\APP\\next.exe /go"});
    EXPECT_EQ(LogKeys("UninstExec"), Strings{"C:\\APP\\missing.exe /remove all"});
}

// --- Removal commands --------------------------------------------------------------

TEST_F(ProgramExecution, RemovalCommandIsFormedLikeTheStartCommand) {
    Start(
        "[ExecFiles.WIN32]\r\nsetupapp.exe=\r\nplain.exe=\r\n"
        "[setupapp.exe]\r\nTargetDir=C:\\APP\\\r\nExecParam=/install\r\nUninstExecParam=/remove\r\n"
        "[plain.exe]\r\nExecParam=/install\r\n");
    fake::WriteFile("C:\\APP\\setupapp.exe", "program");
    fake::WriteFile("C:\\APP\\plain.exe", "program");
    EXPECT_EQ(RunExecPhase("ExecFiles.WIN32"), 1);
    EXPECT_EQ(LogKeys("UninstExec"), Strings{"C:\\APP\\setupapp.exe /remove"});
}

TEST_F(ProgramExecution, WithoutAnUninstallLogNothingIsRecorded) {
    fake::SetScript(
        "[ExecFiles.WIN32]\r\nsetupapp.exe=\r\n"
        "[setupapp.exe]\r\nTargetDir=C:\\APP\\\r\nUninstExecParam=/remove\r\n");
    InitSetupContext("SETUP.INF");
    fake::WriteFile("C:\\APP\\setupapp.exe", "program");
    EXPECT_EQ(RunExecPhase("ExecFiles.WIN32"), 1);
    EXPECT_EQ(fake::CountCalls("WritePrivateProfileStringA"), 0);
}

// --- The list ----------------------------------------------------------------------

TEST_F(ProgramExecution, EmptyOrMissingListSucceedsWithoutStartingAnything) {
    Start("[ExecFiles.WIN32]\r\n");
    EXPECT_EQ(RunExecPhase("ExecFiles.WIN32"), 1);
    EXPECT_EQ(RunExecPhase("NoSuchList"), 1);
    EXPECT_EQ(fake::CountCalls("WinExec"), 0);
    EXPECT_TRUE(M().boxes.empty());
}

TEST_F(ProgramExecution, ListThatCannotBeReadFailsThePhase) {
    Start("[ExecFiles.WIN32]\r\nrun.exe=\r\n[run.exe]\r\nTargetDir=C:\\APP\\\r\n");
    fake::WriteFile("C:\\APP\\run.exe", "program");
    fake::FailCall("HeapAlloc");
    EXPECT_EQ(RunExecPhase("ExecFiles.WIN32"), 0);
    EXPECT_EQ(fake::CountCalls("WinExec"), 0);
    EXPECT_TRUE(M().boxes.empty());
}

TEST_F(ProgramExecution, KeyListIsReleasedOnEveryWayOut) {
    Start(
        "[ExecFiles.WIN32]\r\nok.exe=\r\nmissing.exe=\r\n"
        "[ok.exe]\r\nTargetDir=C:\\APP\\\r\n");
    fake::WriteFile("C:\\APP\\ok.exe", "program");
    size_t before = M().heapBlocks.size();
    EXPECT_EQ(RunExecPhase("ExecFiles.WIN32"), 0);
    EXPECT_EQ(M().heapBlocks.size(), before);
    EXPECT_EQ(M().badHeapFrees, 0);
}

// --- Within the whole setup --------------------------------------------------------

TEST_F(ProgramExecution, FailingPhaseSkipsRegistrationAndReportsTheDirectory) {
    fake::SetScript(
        "[SETUP]\r\nProduct=Sample\r\n"
        "[ExecFiles.WIN32]\r\nmissing.exe=\r\n[missing.exe]\r\nTargetDir=C:\\APP\\\r\n"
        "[RegisterFiles.WIN32]\r\ncomp.dll=\r\n");
    fake::MakeDirectory("C:\\APP");
    M().components["C:\\APP\\comp.dll"] = fake::Component{};
    fake::RunSetup();
    EXPECT_EQ(fake::CountCalls("LoadLibraryA"), 0);
    EXPECT_EQ(fake::CountCalls("OleInitialize"), 0);
    ASSERT_EQ(M().boxes.size(), 2u);
    EXPECT_EQ(M().boxes[0].caption, "Execution failed");
    EXPECT_EQ(M().boxes[1].text, "Setup failed for C:\\APP\\");
    EXPECT_EQ(M().boxes[1].caption, "Sample");
    EXPECT_EQ(M().boxes[1].style, static_cast<UINT>(MB_ICONHAND));
}

TEST_F(ProgramExecution, StartedProgramsInheritTheSetupEnvironment) {
    fake::SetScript(
        "[SetEnv.WIN32]\r\nSAMPLE_HOME=\r\n[SAMPLE_HOME]\r\nDataFrom=ENVIRONMENT\r\nEnvironmentValue=%WINDIR%SAMPLE\r\n"
        "[ExecFiles.WIN32]\r\nrun.exe=\r\n[run.exe]\r\nTargetDir=%SAMPLE_HOME%\\\r\n");
    fake::WriteFile("C:\\WINDOWS\\SAMPLE\\run.exe", "program");
    fake::RunSetup();
    ASSERT_EQ(M().started.size(), 1u);
    EXPECT_EQ(M().started[0].command, "C:\\WINDOWS\\SAMPLE\\run.exe ");
    const auto& environment = M().started[0].environment;
    EXPECT_NE(std::find(environment.begin(), environment.end(), "SAMPLE_HOME=C:\\WINDOWS\\SAMPLE"), environment.end());
    ASSERT_EQ(M().boxes.size(), 1u);
    EXPECT_EQ(M().boxes[0].text, "Setup completed successfully");
}

}  // namespace
