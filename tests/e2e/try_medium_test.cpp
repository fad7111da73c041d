// scripts/try-medium.sh as a product author runs it: it makes its own prefix and
// display, so these cases run the script on a host directory and judge what it printed.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "harness.h"

using namespace e2e;

namespace {

struct ScriptRun {
    int exitCode = -1;
    std::string output;
};

std::string Quoted(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Runs try-medium.sh with this build's programs, in a prefix under the case's folder.
// The prefix is removed afterwards (E2E_KEEP=1 keeps it); the output and Wine's logs stay.
ScriptRun TryMedium(const std::string& caseName, const std::string& medium, const std::vector<std::string>& args) {
    std::string caseDir = E2eWorkDir() + "/try-medium/" + caseName;
    std::system(("rm -rf " + Quoted(caseDir) + " && mkdir -p " + Quoted(caseDir)).c_str());
    std::string native = E2eWorkDir().substr(0, E2eWorkDir().rfind('/'));
    std::string command = "TRY_PREFIX=" + Quoted(caseDir + "/prefix") + " TRY_BUILD_DIR=" + Quoted(BuildDir()) +
                          " TRY_WIN64_DIR=" + Quoted(Win64Dir()) + " TRY_SETUPCHECK=" + Quoted(native + "/setupcheck") +
                          " bash " + Quoted(std::string(SETUP_SOURCE_DIR_E2E) + "/scripts/try-medium.sh") + " " +
                          Quoted(medium);
    for (const std::string& a : args) command += " " + Quoted(a);
    ScriptRun run;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    char buf[4096];
    for (size_t n; pipe != nullptr && (n = fread(buf, 1, sizeof buf, pipe)) > 0;) run.output.append(buf, n);
    int status = pipe != nullptr ? pclose(pipe) : -1;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    WriteHostFile(caseDir + "/output.txt", run.output);
    if (std::getenv("E2E_KEEP") == nullptr) std::system(("rm -rf " + Quoted(caseDir + "/prefix")).c_str());
    return run;
}

// A medium in a host directory whose name has a blank, as authors' folders do.
std::string MakeMedium(const std::string& caseName, const std::string& setupInf,
                       const std::vector<std::pair<std::string, std::string>>& files) {
    std::string dir = E2eWorkDir() + "/try-medium/" + caseName + " medium";
    std::system(("rm -rf " + Quoted(dir) + " && mkdir -p " + Quoted(dir)).c_str());
    WriteHostFile(dir + "/SETUP.INF", setupInf);
    for (const auto& f : files) WriteHostFile(dir + "/" + f.first, f.second);
    return dir;
}

void ExpectPrinted(const ScriptRun& run, const std::vector<std::string>& parts) {
    for (const std::string& part : parts)
        EXPECT_NE(run.output.find(part), std::string::npos) << "missing:\n" << part << "\nin:\n" << run.output;
}

}  // namespace

TEST(TryMedium, CompareOnTheSampleMediumSaysPlanAndRunAgree) {
    ScriptRun run = TryMedium("sample-compare", SampleMediumDir(), {"--compare"});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    ExpectPrinted(run, {"a modern Windows that sets %ProgramFiles%: compared with the plan for Windows xp.\n",
                        "plan and run agree: files copied, commands started, components registered, SETUP.EXE's "
                        "boxes, the uninstall log and the restart\n"});
}

TEST(TryMedium, CompareShowsAComponentWhoseRegistrationFailsOnlyInTheRun) {
    // The plan takes every component's registration to work; this one refuses.
    std::string medium = MakeMedium("refuse-compare",
                                    "[SETUP]\r\nProduct=Refusing Component\r\n"
                                    "[AddFiles.WIN32]\r\nrefuse.dll=\r\n[refuse.dll]\r\nTargetDir=C:\\APP\\\r\n"
                                    "[RegisterFiles.WIN32]\r\nrefuse.dll=\r\n",
                                    {{"refuse.dll", ReadHostFile(TestBinary("e2e_refusereg.dll"))}});
    ScriptRun run = TryMedium("refuse-compare", medium, {"--compare"});
    EXPECT_EQ(run.exitCode, 1) << run.output;
    ExpectPrinted(run, {"SETUP.EXE's boxes: the plan and the run differ\n"
                        "  plan only: Refusing Component | Setup completed successfully | OK -> OK\n"
                        "  run only:  Refusing Component | Setup failed for C:\\APP\\ | OK -> OK\n"});
    // Both loaded it to register it, and copied the same file.
    EXPECT_EQ(run.output.find("components registered: the plan"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("files copied: the plan"), std::string::npos) << run.output;
}

TEST(TryMedium, ProgramFilesProductWithABoxAProgramLeftRunningAndItsRemovalIsToldInFull) {
    // notes.exe shows a box; keeper.exe holds a file of the medium until it is ended;
    // uninst.exe registers the remover. Every path has a blank.
    std::string medium = MakeMedium("program-files",
                                    "[SETUP]\r\nProduct=Acme Notes\r\nUninstFile=ACMENOTE.INI\r\n"
                                    "[AddFiles.WIN32]\r\nnotes.exe=\r\nkeeper.exe=\r\nuninst.exe=\r\n"
                                    "[notes.exe]\r\nTargetDir=C:\\Program Files\\Acme Notes\\\r\nExecParam=40 \"Acme "
                                    "Notes\" \"Welcome to Acme Notes\"\r\n"
                                    "[keeper.exe]\r\nExecParam=D:\\keep.dat\r\n"
                                    "[uninst.exe]\r\nSourceFilename=UNINST.EXE\r\nExecParam=/register ACMENOTE.INI\r\n"
                                    "[ExecFiles.WIN32]\r\nnotes.exe=\r\nkeeper.exe=\r\nuninst.exe=\r\n",
                                    {{"notes.exe", ReadHostFile(TestBinary("e2e_showbox.exe"))},
                                     {"keeper.exe", ReadHostFile(TestBinary("e2e_holdfile.exe"))},
                                     {"UNINST.EXE", ReadHostFile(BuildDir() + "/UNINST.EXE")},
                                     {"keep.dat", "kept open\r\n"}});
    // Two reports (the program's and the setup's, in either order), then the remover's
    // question and report: the remover takes what the setup left of the list.
    ScriptRun run = TryMedium("program-files", medium, {"--remove", "--grace", "3", "--answers", "ok,ok,yes,ok"});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    ExpectPrinted(
        run,
        {"program: notes.exe\ncaption: Acme Notes\ntext: Welcome to Acme Notes\nbuttons: OK\n",
         "program: SETUP.EXE\ncaption: Acme Notes\ntext: Setup completed successfully\nbuttons: OK\nicon: none\n"
         "answer: OK\n",
         "== SETUP.EXE ended with exit code 0\n",
         "  C:\\Program Files\\Acme Notes\\keeper.exe: still running 3 s after SETUP.EXE ended; ended by try-medium\n",
         "  C:\\Program Files\\Acme Notes\\notes.exe ",
         "== Uninstall log\nC:\\windows\\ACMENOTE.INI:\n[UNINST]\nProduct=Acme Notes\n[UninstCreatedDirs]\n"
         "C:\\Program Files\\Acme Notes\\=\n[UninstFiles]\n"
         "C:\\Program Files\\Acme Notes\\notes.exe=\nC:\\Program Files\\Acme Notes\\keeper.exe=\n"
         "C:\\Program Files\\Acme Notes\\uninst.exe=\n",
         "== Restart\nnot offered\nnothing is left for the next start\n",
         "UninstallString: \"C:\\Program Files\\Acme Notes\\uninst.exe\" \"C:\\windows\\ACMENOTE.INI\"\n",
         "program: uninst.exe\ncaption: Acme Notes\ntext: Remove Acme Notes and all of its components?\n"
         "buttons: YesNo\nicon: question\nanswer: Yes\n",
         "== The remover ended with exit code 0\n",
         "== What stayed of the installation\n  nothing: every file, directory and the Add/Remove Programs entry are "
         "gone\n"});
    EXPECT_EQ(run.output.find("UNEXPECTED"), std::string::npos) << run.output;
}
