// scripts/compare-plan.sh, which try-medium.sh --compare runs: a plan, a run's Wine
// traces and box transcript that agree, and one change each that it must report (or
// must not, where Windows itself makes no difference).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

// What setupcheck --plan printed and what the run under Wine left, as the script gets them.
struct Evidence {
    std::string plan =
        "environment: HOME=C:\\Program Files\\Acme\\\n"
        "box: Acme | This will install Acme. Do you wish to continue? | Yes/No -> Yes\n"
        "copy: D:\\app.exe -> C:\\Program Files\\Acme\\app.exe: new\n"
        "copy: D:\\core.dll -> C:\\windows\\system32\\core.dll: the source is older: the question follows\n"
        "box: Acme | The source file core.dll is older than the destination file. \\nDo you want to keep the "
        "existing file? | Yes/No -> No\n"
        "copy: C:\\windows\\system32\\VER1A2.tmp -> C:\\windows\\system32\\core.dll (forced): replaced\n"
        "start: \"C:\\Program Files\\Acme\\app.exe\" /setup\n"
        "register: C:\\Program Files\\Acme\\comp.dll\n"
        "box: Acme | Setup completed successfully | OK -> OK\n"
        "uninstall log: C:\\windows\\ACME.INI\n"
        "  [UNINST]\n"
        "  Product=Acme\n"
        "  [UninstFiles]\n"
        "  C:\\Program Files\\Acme\\app.exe=\n"
        "restart offered: no\n";
    // SETUP.EXE is process 00c8; app.exe, which it starts, is 0120.
    std::string wineLog =
        "00c8:00cc:trace:loaddll:build_module Loaded L\"D:\\\\SETUP.EXE\" at 0000000140000000: native\n"
        "00c8:00cc:trace:process:SetEnvironmentVariableW (L\"HOME\" L\"C:\\\\Program Files\\\\Acme\\\\\")\n"
        "00c8:00cc:trace:ver:VerInstallFileA (2,\"app.exe\",\"app.exe\",\"D:\\\\\",\"C:\\\\Program Files\\\\Acme\\\\\","
        "\"\",000000000021ED5C,260)\n"
        "00c8:00cc:trace:ver:VerInstallFileA (2,\"core.dll\",\"core.dll\",\"D:\\\\\",\"C:\\\\windows\\\\system32\\\\\","
        "\"C:\\\\windows\\\\system32\\\\\",000000000021ED5C,260)\n"
        "00c8:00cc:trace:ver:VerInstallFileA (3,\"\\\\verdb41.tmp\",\"core.dll\",\"C:\\\\windows\\\\system32\\\\\","
        "\"C:\\\\windows\\\\system32\\\\\",\"\",000000000021ED5C,260)\n"
        "00c8:00cc:trace:process:CreateProcessInternalW app (null) cmdline "
        "L\"\\\"C:\\\\Program Files\\\\Acme\\\\app.exe\\\" /setup\"\n"
        "00c8:00cc:trace:process:CreateProcessInternalW started process pid 0120 tid 0124\n"
        "0120:0124:trace:loaddll:build_module Loaded L\"C:\\\\Program Files\\\\Acme\\\\app.exe\" at 0000000140000000: "
        "native\n"
        "0120:0124:trace:loaddll:build_module Loaded L\"C:\\\\Program Files\\\\Acme\\\\plugin.dll\" at "
        "0000000274D50000: native\n"
        "00c8:00cc:trace:loaddll:build_module Loaded L\"C:\\\\windows\\\\system32\\\\ole32.dll\" at "
        "0000000274D50000: builtin\n"
        "00c8:00cc:trace:loaddll:build_module Loaded L\"C:\\\\Program Files\\\\Acme\\\\comp.dll\" at "
        "0000000274D50000: native\n";
    std::string transcript =
        "program: SETUP.EXE\ncaption: Acme\ntext: This will install Acme. Do you wish to continue?\n"
        "buttons: YesNo\nicon: question\nanswer: Yes\nprogress: none\n\n"
        "program: SETUP.EXE\nwindow: Acme\nclass: #32770 (the progress window)\n\n"
        "program: SETUP.EXE\ncaption: Acme\ntext: The source file core.dll is older than the destination file. "
        "\\nDo you want to keep the existing file?\nbuttons: YesNo\nicon: question\nanswer: No\nprogress: none\n\n"
        "program: app.exe\ncaption: App\ntext: Welcome\nbuttons: OK\nicon: information\nanswer: OK\n"
        "progress: none\n\n"
        "program: SETUP.EXE\ncaption: Acme\ntext: Setup completed successfully\nbuttons: OK\nicon: none\n"
        "answer: OK\nprogress: none\n\n";
    std::string offered = "no";
    std::string restarted = "no";
    std::string logPath = "C:\\windows\\ACME.INI";
    std::string logText = "[UNINST]\r\nProduct=Acme\r\n[UninstFiles]\r\nC:\\Program Files\\Acme\\app.exe=\r\n";
    bool logWritten = true;
};

void Replace(std::string& text, const std::string& from, const std::string& to) {
    size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
}

const char* const kAgree =
    "plan and run agree: files copied, commands started, components registered, SETUP.EXE's boxes, the uninstall "
    "log and the restart";

struct Row {
    const char* why;
    std::function<void(Evidence&)> change;
    int exitCode;                        // 0 agree, 1 differ
    std::vector<std::string> mustPrint;  // lines of the report
};

const Row kRows[] = {
    // Everything matches; the forced copies' temporary names differ, as every machine
    // chooses its own; another program's box and the DLLs it loads are not SETUP.EXE's.
    {"the same run", [](Evidence&) {}, 0, {kAgree}},
    // Windows matches names without case: a log written in other case is the same log.
    {"case only",
     [](Evidence& e) { Replace(e.logText, "C:\\Program Files\\Acme\\app.exe=", "c:\\PROGRAM FILES\\acme\\APP.EXE="); },
     0,
     {kAgree}},
    // A 32-bit SETUP.EXE is loaded a second time in WoW64 mode: it is no component.
    {"WoW64",
     [](Evidence& e) {
         e.wineLog += "00c8:00cc:trace:loaddll:build_module Loaded L\"D:\\\\SETUP.EXE\" at 00400000: native\n";
     },
     0,
     {kAgree}},
    // A program the started program starts is not one of SETUP.EXE's commands.
    {"grandchild",
     [](Evidence& e) {
         e.wineLog += "0120:0124:trace:process:CreateProcessInternalW app (null) cmdline L\"helper.exe\"\n";
     },
     0,
     {kAgree}},
    // The copy went elsewhere than planned.
    {"other directory",
     [](Evidence& e) { Replace(e.wineLog, "\"C:\\\\Program Files\\\\Acme\\\\\",\"\"", "\"C:\\\\Acme\\\\\",\"\""); },
     1,
     {"files copied: the plan and the run differ", "  plan only: D:\\app.exe -> C:\\Program Files\\Acme\\app.exe",
      "  run only:  D:\\app.exe -> C:\\Acme\\app.exe"}},
    // The plan started the program; the run could not (no "started process" follows).
    {"not started",
     [](Evidence& e) {
         Replace(e.wineLog,
                 "00c8:00cc:trace:process:CreateProcessInternalW started process pid 0120 "
                 "tid 0124\n",
                 "");
     },
     1,
     {"commands started: the plan and the run differ", "  plan only: \"C:\\Program Files\\Acme\\app.exe\" /setup",
      "  run only:  \"C:\\Program Files\\Acme\\app.exe\" /setup (cannot be started)"}},
    // The component was never loaded to be registered.
    {"not registered",
     [](Evidence& e) { Replace(e.wineLog, "L\"C:\\\\Program Files\\\\Acme\\\\comp.dll\"", "L\"D:\\\\x\" no"); },
     1,
     {"components registered: the plan and the run differ", "  plan only: C:\\Program Files\\Acme\\comp.dll"}},
    // The run failed where the plan succeeded.
    {"other box",
     [](Evidence& e) {
         Replace(e.transcript, "text: Setup completed successfully", "text: Setup failed for C:\\\\APP\\\\");
     },
     1,
     {"SETUP.EXE's boxes: the plan and the run differ", "  plan only: Acme | Setup completed successfully | OK -> OK",
      "  run only:  Acme | Setup failed for C:\\APP\\ | OK -> OK"}},
    // A question answered otherwise than in the plan.
    {"other answer",
     [](Evidence& e) { Replace(e.transcript, "answer: No", "answer: Yes"); },
     1,
     {"SETUP.EXE's boxes: the plan and the run differ"}},
    // The run wrote no uninstall log.
    {"no log",
     [](Evidence& e) { e.logWritten = false; },
     1,
     {"the uninstall log: the plan and the run differ", "  plan only: [UNINST]", "  plan only: Product=Acme"}},
    // The script keeps no log, and neither side has one.
    {"no log kept",
     [](Evidence& e) {
         e.logPath.clear();
         e.logWritten = false;
         e.plan = e.plan.substr(0, e.plan.find("uninstall log:")) + "restart offered: no\n";
     },
     0,
     {kAgree}},
    // The run offered the restart and Windows restarted; the plan offered none. Wine's
    // own wineboot, which carries out the restart, is no command of the script's.
    {"restart",
     [](Evidence& e) {
         e.offered = "yes";
         e.restarted = "yes";
         e.wineLog +=
             "00c8:00cc:trace:process:CreateProcessInternalW app (null) cmdline "
             "L\"C:\\\\windows\\\\system32\\\\wineboot.exe --end-session --force\"\n"
             "00c8:00cc:trace:process:CreateProcessInternalW started process pid 0200 tid 0204\n";
     },
     1,
     {"the restart: the plan and the run differ", "  plan only: offered: no; Windows restarts: no",
      "  run only:  offered: yes; Windows restarts: yes"}},
};

std::string RunCompare(const Evidence& e, int& exitCode) {
    char dirTemplate[] = "/tmp/compare-plan-XXXXXX";
    std::string dir = mkdtemp(dirTemplate);
    auto write = [&](const std::string& name, const std::string& text) {
        std::ofstream(dir + "/" + name, std::ios::binary) << text;
        return dir + "/" + name;
    };
    std::string plan = write("plan.txt", e.plan), log = write("wine.log", e.wineLog);
    std::string transcript = write("transcript.txt", e.transcript);
    std::string logFile = e.logWritten ? write("ACME.INI", e.logText) : "";
    std::string command = std::string("bash '") + SETUP_SOURCE_DIR + "/scripts/compare-plan.sh' '" + plan + "' '" +
                          log + "' 00c8 '" + transcript + "' " + e.offered + " " + e.restarted + " '" + e.logPath +
                          "' '" + logFile + "' 2>&1";
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    char buf[4096];
    for (size_t n; pipe != nullptr && (n = fread(buf, 1, sizeof buf, pipe)) > 0;) output.append(buf, n);
    int status = pipe != nullptr ? pclose(pipe) : -1;
    exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::system(("rm -rf '" + dir + "'").c_str());
    return output;
}

TEST(ComparePlan, ReportsEachDifferenceByKindAndNothingWindowsWouldNotTell) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.why);
        Evidence e;
        row.change(e);
        int exitCode = -1;
        std::string output = RunCompare(e, exitCode);
        EXPECT_EQ(exitCode, row.exitCode) << output;
        for (const std::string& line : row.mustPrint)
            EXPECT_NE(output.find(line + "\n"), std::string::npos) << "missing: " << line << "\nin:\n" << output;
        // A difference is reported only in the kind the row changes.
        auto headings = [](const std::string& text) {
            size_t count = 0;
            for (size_t at = 0; (at = text.find(": the plan and the run differ", at)) != std::string::npos; ++at)
                ++count;
            return count;
        };
        size_t expected = 0;
        for (const std::string& line : row.mustPrint) expected += headings(line);
        EXPECT_EQ(headings(output), expected) << output;
    }
}

}  // namespace
