// UNINST.EXE finishes every removal it starts: a removal cut at any call (original
// and temporary copy alike) is finished through the Add/Remove Programs entry; each
// log has its own entry; the exit code and the closing box are read from the end
// state; /S anywhere means no box.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "fake/fake_machine.h"
#include "setup/exit_codes.h"
#include "ui/resource_ids.h"
#include "uninst/uninstaller.h"

namespace {

using fake::M;

constexpr char kUninstallKey[] = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr char kWindowsLog[] = "C:\\WINDOWS\\SAMPLE.INI";
constexpr char kRemover[] = "C:\\APP\\UNINST.EXE";

struct PowerCut {};

std::string StringValue(const std::string& key, const std::string& name) {
    auto found = M().registry.find(key);
    if (found == M().registry.end()) return "";
    auto value = found->second.values.find(name);
    if (value == found->second.values.end()) return "";
    std::string data = value->second.second;
    return data.substr(0, data.find('\0'));
}

// Every key of the Add/Remove Programs list: name -> UninstallString.
std::vector<std::pair<std::string, std::string>> ListedEntries() {
    std::vector<std::pair<std::string, std::string>> entries;
    for (const auto& key : M().registry) {
        const std::string& path = key.first;
        if (path.size() <= sizeof kUninstallKey || path.compare(0, sizeof kUninstallKey - 1, kUninstallKey) != 0)
            continue;
        entries.emplace_back(path.substr(sizeof kUninstallKey), StringValue(path, "UninstallString"));
    }
    return entries;
}

// A product as SETUP.EXE leaves it: a program, a component, a removal command and
// the remover itself in C:\APP, registered in Add/Remove Programs from its own file.
void PutProduct(const std::string& log) {
    fake::WriteFile("C:\\APP\\VIEW.EXE", "program");
    fake::WriteFile("C:\\APP\\CORE.DLL", "component");
    fake::WriteFile("C:\\APP\\README.TXT", "text");
    fake::WriteFile(kRemover, "remover");
    M().components["C:\\APP\\CORE.DLL"];
    fake::WriteFile(log,
                    "[UNINST]\r\nProduct=Sample\r\n[UninstCreatedDirs]\r\nC:\\APP=\r\n[UninstFiles]\r\n"
                    "C:\\APP\\VIEW.EXE=\r\nC:\\APP\\CORE.DLL=\r\nC:\\APP\\README.TXT=\r\nC:\\APP\\UNINST.EXE=\r\n"
                    "[UninstExec]\r\nC:\\APP\\VIEW.EXE /remove=\r\n[UninstRegister]\r\nC:\\APP\\CORE.DLL=\r\n");
    M().moduleFileName = kRemover;
    ASSERT_EQ(fake::RunUninst(("/register " + log).c_str()), kExitSuccess);
    M().calls.clear();
    M().started.clear();
}

void InstallProduct(const std::string& log, bool windows95 = false) {
    fake::Reset();
    if (windows95)
        fake::SetWindows95();
    else
        fake::SetWindowsNT4();
    PutProduct(log);
}

// Runs a remover and then, as Windows would once it has ended, the temporary copy
// it started. Returns the exit code of the first.
int RunRemoverAndItsCopy(const std::string& program, const std::string& tail) {
    size_t before = M().started.size();
    M().moduleFileName = program;
    int result = fake::RunUninst(tail.c_str());
    for (size_t i = before; i < M().started.size(); ++i) {
        fake::StartedProcess copy = M().started[i];
        if (copy.application.empty()) continue;  // a removal command
        std::string copyTail = copy.command.substr(copy.command.find(' ') + 1);
        size_t number = copyTail.find("/W ") + 3;
        M().openHandles.insert(reinterpret_cast<HANDLE>(std::stoull(copyTail.substr(number))));
        M().moduleFileName = copy.application;
        fake::RunUninst(copyTail.c_str());
        break;
    }
    return result;
}

// Starts what the entry names, as the Control Panel does: the quoted program, the
// rest as its command line. False when the entry names a program that is gone.
bool RunEntry(const std::string& uninstallString) {
    if (uninstallString.size() < 2 || uninstallString[0] != '"') return false;
    size_t close = uninstallString.find('"', 1);
    std::string program = uninstallString.substr(1, close - 1);
    if (!fake::FileExists(program)) return false;
    RunRemoverAndItsCopy(program, uninstallString.substr(close + 2));
    return true;
}

constexpr char kRunOnceKey[] = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

// Restarts Windows and logs on: the staged deletions are carried out, then each RunOnce
// command is taken out of the key and started, as Windows does.
void RestartAndLogOn() {
    fake::RestartWindows();
    auto key = M().registry.find(kRunOnceKey);
    if (key == M().registry.end()) return;
    auto values = key->second.values;
    key->second.values.clear();
    for (const auto& value : values) RunEntry(value.second.second.substr(0, value.second.second.find('\0')));
}

bool HoldsAFile(const std::string& directory) {
    for (const auto& file : M().files)
        if (file.first.rfind(directory + "\\", 0) == 0) return true;
    return false;
}

// --- Cut at every call ------------------------------------------------------------------

struct SweepRow {
    const char* why;
    const char* log;
    bool windows95;
};

class CutAtEveryCall : public ::testing::TestWithParam<SweepRow> {};

TEST_P(CutAtEveryCall, ResumingThroughTheEntryLeavesNothingOfTheProduct) {
    const SweepRow& row = GetParam();
    // The whole removal once, uncut, counts its calls: original and copy.
    InstallProduct(row.log, row.windows95);
    M().answerWhenNoneLeft = [](const fake::MessageBoxRecord&) { return IDYES; };
    ASSERT_TRUE(RunEntry(ListedEntries().at(0).second));
    int total = static_cast<int>(M().calls.size());
    ASSERT_GT(total, 50);
    EXPECT_FALSE(fake::DirectoryExists("C:\\APP"));
    EXPECT_TRUE(ListedEntries().empty());

    for (int cut = 1; cut <= total; ++cut) {
        InstallProduct(row.log, row.windows95);
        M().answerWhenNoneLeft = [](const fake::MessageBoxRecord&) { return IDYES; };
        std::string uninstallString = ListedEntries().at(0).second;
        int seen = 0;
        std::string lastCall;
        M().onCall = [&](const std::string& call) {
            lastCall = call;
            if (++seen == cut) throw PowerCut{};
        };
        try {
            RunEntry(uninstallString);
        } catch (const PowerCut&) {
        }
        M().onCall = nullptr;
        std::string where = "cut at call " + std::to_string(cut) + ": " + lastCall;

        // The power comes back: Windows starts again, then whatever the cut left, the
        // entry still runs or nothing but the next start is left to do. At most two more
        // runs: the second finishes what a copy began.
        RestartAndLogOn();
        for (int resume = 0; resume < 2 && !ListedEntries().empty(); ++resume)
            ASSERT_TRUE(RunEntry(ListedEntries().at(0).second)) << where << ": the entry names a missing program";
        RestartAndLogOn();
        EXPECT_TRUE(M().registry[kRunOnceKey].values.empty()) << where;
        EXPECT_TRUE(ListedEntries().empty()) << where;
        EXPECT_FALSE(fake::FileExists(row.log)) << where;
        EXPECT_FALSE(HoldsAFile("C:\\APP")) << where;
        // Windows 95 cannot remove a directory at its next start: a cut after the log
        // went leaves the product directory, empty.
        if (!row.windows95) EXPECT_FALSE(fake::DirectoryExists("C:\\APP")) << where;
        if (HasFailure()) return;
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, CutAtEveryCall,
                         ::testing::Values(
                             // The log where a bare UninstFile name puts it.
                             SweepRow{"log in the Windows directory", kWindowsLog, false},
                             // The log is the last thing in the product directory: it must not keep it.
                             SweepRow{"log in the product directory", "C:\\APP\\APP.INI", false},
                             // Deletions staged through wininit.ini.
                             SweepRow{"Windows 95", kWindowsLog, true}),
                         [](const auto& info) { return "Row" + std::to_string(info.index); });

TEST(RemovalEnding, RestartNowBeforeTheCopyRunsLeavesOnlyStagedDeletions) {
    InstallProduct(kWindowsLog);
    M().files["C:\\APP\\CORE.DLL"].inUse = true;
    M().answers = {IDYES, IDYES};  // remove; after the report, restart now

    M().moduleFileName = kRemover;
    EXPECT_EQ(fake::RunUninst(kWindowsLog), kExitRestartStarted);
    ASSERT_EQ(M().exitWindowsFlags.size(), 1u);
    // The restart asked for comes after the entry is gone: the copy never runs.
    EXPECT_TRUE(ListedEntries().empty());
    fake::RestartWindows();
    EXPECT_FALSE(fake::FileExists(kWindowsLog));
    EXPECT_FALSE(fake::DirectoryExists("C:\\APP"));
}

// --- Reinstalled before the restart ----------------------------------------------------

// What the ending staged and then did itself must not be done again at the next start:
// by then the same paths may hold a new installation.
struct ReinstallRow {
    const char* why;
    const char* log;
    bool windows95;
    const char* shortLog;  // the log's short path, when it has one of its own
};

class ReinstallBeforeRestart : public ::testing::TestWithParam<ReinstallRow> {};

TEST_P(ReinstallBeforeRestart, TheNewInstallationIsWhole) {
    const ReinstallRow& row = GetParam();
    InstallProduct(row.log, row.windows95);
    if (row.shortLog) M().shortNames[row.log] = row.shortLog;
    M().answerWhenNoneLeft = [](const fake::MessageBoxRecord&) { return IDYES; };
    ASSERT_TRUE(RunEntry(ListedEntries().at(0).second));
    ASSERT_TRUE(ListedEntries().empty());
    ASSERT_FALSE(fake::FileExists(row.log));

    PutProduct(row.log);
    fake::RestartWindows();

    EXPECT_TRUE(fake::FileExists(kRemover));
    EXPECT_TRUE(fake::FileExists(row.log));
    EXPECT_TRUE(fake::FileExists("C:\\APP\\VIEW.EXE"));
    ASSERT_EQ(ListedEntries().size(), 1u);
    // And the new installation can still be removed.
    ASSERT_TRUE(RunEntry(ListedEntries().at(0).second));
    fake::RestartWindows();
    EXPECT_TRUE(ListedEntries().empty());
    EXPECT_FALSE(fake::FileExists(row.log));
    EXPECT_FALSE(HoldsAFile("C:\\APP"));
}

INSTANTIATE_TEST_SUITE_P(Rows, ReinstallBeforeRestart,
                         ::testing::Values(
                             // NT: the remover, the log and the product directory were staged.
                             ReinstallRow{"NT, log in the Windows directory", kWindowsLog, false, nullptr},
                             // The directory staged is the log's too: it is not staged twice.
                             ReinstallRow{"NT, log in the product directory", "C:\\APP\\APP.INI", false, nullptr},
                             // wininit.ini names the files by short path: the line to drop is that one.
                             ReinstallRow{"Windows 95, a log with a long name", "C:\\WINDOWS\\SAMPLELOG.INI", true,
                                          "C:\\WINDOWS\\SAMPLE~1.INI"},
                             // The log is the product directory's last file there too.
                             ReinstallRow{"Windows 95, log in the product directory", "C:\\APP\\APP.INI", true,
                                          nullptr}),
                         [](const auto& info) { return "Row" + std::to_string(info.index); });

// Only what this removal staged itself is cancelled: another program's operation on the
// same or a similar path waits for the restart as it was.
struct ForeignRow {
    const char* why;
    bool windows95;
    const char* from;
    const char* to;  // "" deletes
};

class ForeignStagedOperations : public ::testing::TestWithParam<ForeignRow> {};

TEST_P(ForeignStagedOperations, StayPendingAfterTheRemoval) {
    const ForeignRow& row = GetParam();
    InstallProduct(kWindowsLog, row.windows95);
    std::string line = std::string(*row.to ? row.to : "NUL") + "=" + row.from + "\r\n";
    if (row.windows95)
        fake::WriteFile("C:\\WINDOWS\\wininit.ini", "[rename]\r\n" + line);
    else
        ASSERT_TRUE(MoveFileExA(row.from, *row.to ? row.to : nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
    M().answerWhenNoneLeft = [](const fake::MessageBoxRecord&) { return IDYES; };
    ASSERT_TRUE(RunEntry(ListedEntries().at(0).second));
    ASSERT_TRUE(ListedEntries().empty());

    if (row.windows95) {
        std::string wininit = fake::ReadFile("C:\\WINDOWS\\wininit.ini").value_or("");
        EXPECT_NE(wininit.find("\n" + line), std::string::npos) << wininit;
        EXPECT_EQ(wininit.find("NUL=C:\\APP\\UNINST.EXE\r\n"), std::string::npos) << wininit;
        EXPECT_EQ(wininit.find(std::string("NUL=") + kWindowsLog), std::string::npos) << wininit;
    } else {
        auto moves = fake::DelayedMoves();
        using Move = std::pair<std::string, std::string>;
        EXPECT_EQ(std::count(moves.begin(), moves.end(), Move{row.from, row.to}), 1);
        EXPECT_EQ(std::count(moves.begin(), moves.end(), Move{kRemover, ""}), 0);
        EXPECT_EQ(std::count(moves.begin(), moves.end(), Move{kWindowsLog, ""}), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ForeignStagedOperations,
    ::testing::Values(
        // A path that only begins with the remover's is another file.
        ForeignRow{"NT, a longer path's deletion", false, "C:\\APP\\UNINST.EXE.OLD", ""},
        // The remover's own path, but moved rather than deleted: an update's work.
        ForeignRow{"NT, a rename of the same path", false, "C:\\APP\\UNINST.EXE", "C:\\APP\\UNINST.BAK"},
        // Another program's file in the Windows directory.
        ForeignRow{"NT, another file's deletion", false, "C:\\WINDOWS\\OTHER.INI", ""},
        // A shorter path that the remover's begins with.
        ForeignRow{"Windows 95, a shorter path's deletion", true, "C:\\APP\\UNINST.EX", ""},
        // The remover's path as the source of a move, not a NUL line.
        ForeignRow{"Windows 95, a rename of the same path", true, "C:\\APP\\UNINST.EXE", "C:\\APP\\UNINST.BAK"}),
    [](const auto& info) { return "Row" + std::to_string(info.index); });

// --- Two installations of one product --------------------------------------------------

TEST(TwoInstallations, EachLogKeepsItsOwnEntryAndRemovingOneLeavesTheOther) {
    fake::Reset();
    for (const char* dir : {"C:\\ONE", "C:\\TWO"}) {
        fake::WriteFile(std::string(dir) + "\\UNINST.EXE", "remover");
        fake::WriteFile(std::string(dir) + "\\VIEW.EXE", "program");
        fake::WriteFile(std::string(dir) + "\\APP.INI",
                        std::string("[UNINST]\r\nProduct=Sample\r\n[UninstFiles]\r\n") + dir + "\\VIEW.EXE=\r\n");
    }

    struct Step {
        const char* why;
        const char* remover;
        const char* log;
        std::vector<std::pair<std::string, std::string>> entries;  // after the step
    };
    const std::vector<Step> steps = {
        // The first installation takes the product's name.
        {"first registers",
         "C:\\ONE\\UNINST.EXE",
         "/register C:\\ONE\\APP.INI",
         {{"Sample", "\"C:\\ONE\\UNINST.EXE\" \"C:\\ONE\\APP.INI\""}}},
        // The second must not take over the first one's key.
        {"second registers",
         "C:\\TWO\\UNINST.EXE",
         "/register C:\\TWO\\APP.INI",
         {{"Sample", "\"C:\\ONE\\UNINST.EXE\" \"C:\\ONE\\APP.INI\""},
          {"Sample (2)", "\"C:\\TWO\\UNINST.EXE\" \"C:\\TWO\\APP.INI\""}}},
        // Registering again updates the key of the same log, and makes no third one.
        {"first again",
         "C:\\ONE\\UNINST.EXE",
         "/register C:\\ONE\\APP.INI",
         {{"Sample", "\"C:\\ONE\\UNINST.EXE\" \"C:\\ONE\\APP.INI\""},
          {"Sample (2)", "\"C:\\TWO\\UNINST.EXE\" \"C:\\TWO\\APP.INI\""}}},
        // Removing the first deletes its key only: the second stays listed.
        {"first removed",
         "C:\\ONE\\UNINST.EXE",
         "/S C:\\ONE\\APP.INI",
         {{"Sample (2)", "\"C:\\TWO\\UNINST.EXE\" \"C:\\TWO\\APP.INI\""}}},
        // A key of the product's name is free again and the second keeps its own.
        {"second removed", "C:\\TWO\\UNINST.EXE", "/S C:\\TWO\\APP.INI", {}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.why);
        RunRemoverAndItsCopy(step.remover, step.log);
        EXPECT_EQ(ListedEntries(), step.entries);
    }
    EXPECT_FALSE(fake::FileExists("C:\\ONE\\VIEW.EXE"));
    EXPECT_FALSE(fake::FileExists("C:\\TWO\\VIEW.EXE"));
}

TEST(TwoInstallations, KeyInAnotherFormIsNeitherTakenOverNorDeleted) {
    fake::Reset();
    fake::WriteFile("C:\\APP\\VIEW.EXE", "program");
    fake::WriteFile(kWindowsLog, "[UNINST]\r\nProduct=Sample\r\n[UninstFiles]\r\nC:\\APP\\VIEW.EXE=\r\n");
    fake::WriteFile("C:\\OTHER\\REMOVE.EXE", "another program's remover");
    // Another program's key of the same name, naming our log unquoted.
    fake::SetRegistryString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sample",
                            "UninstallString", "C:\\OTHER\\REMOVE.EXE C:\\WINDOWS\\SAMPLE.INI");
    M().moduleFileName = "C:\\MEDIA\\UNINST.EXE";
    ASSERT_EQ(fake::RunUninst("/register SAMPLE.INI"), kExitSuccess);
    EXPECT_EQ(StringValue(std::string(kUninstallKey) + "\\Sample (2)", "QuietUninstallString"),
              "\"C:\\MEDIA\\UNINST.EXE\" /S \"C:\\WINDOWS\\SAMPLE.INI\"");
    EXPECT_EQ(StringValue(std::string(kUninstallKey) + "\\Sample (2)", "DisplayName"), "Sample");

    EXPECT_EQ(fake::RunUninst("/S SAMPLE.INI"), kExitSuccess);
    EXPECT_EQ(ListedEntries(), (std::vector<std::pair<std::string, std::string>>{
                                   {"Sample", "C:\\OTHER\\REMOVE.EXE C:\\WINDOWS\\SAMPLE.INI"}}));
}

// --- The outcome is read from the end state ------------------------------------------------

struct OutcomeRow {
    const char* why;
    std::string tail;
    void (*prepare)();
    int exitCode;
    bool logRemains;
    bool entryRemains;
    std::string lastBox;  // "" when no box at all
};

class Outcome : public ::testing::TestWithParam<OutcomeRow> {};

TEST_P(Outcome, ExitCodeAndBoxSayWhatIsLeft) {
    const OutcomeRow& row = GetParam();
    SCOPED_TRACE(row.why);
    fake::Reset();
    fake::SetWindowsNT4();
    fake::WriteFile("C:\\APP\\VIEW.EXE", "program");
    fake::WriteFile(kWindowsLog, "[UNINST]\r\nProduct=Sample\r\n[UninstFiles]\r\nC:\\APP\\VIEW.EXE=\r\n");
    M().moduleFileName = "C:\\MEDIA\\UNINST.EXE";
    ASSERT_EQ(fake::RunUninst("/register SAMPLE.INI"), kExitSuccess);
    if (row.prepare) row.prepare();
    M().answerWhenNoneLeft = [](const fake::MessageBoxRecord& box) { return (box.style & MB_YESNO) ? IDYES : IDOK; };

    EXPECT_EQ(fake::RunUninst(row.tail.c_str()), row.exitCode);
    EXPECT_EQ(fake::FileExists(kWindowsLog), row.logRemains);
    EXPECT_EQ(!ListedEntries().empty(), row.entryRemains);
    // The entry and the log go together or not at all: either the entry still
    // runs, or nothing of the removal is left but the restart.
    if (!row.logRemains) EXPECT_FALSE(row.entryRemains);
    if (row.lastBox.empty()) {
        EXPECT_TRUE(M().boxes.empty());
    } else {
        ASSERT_FALSE(M().boxes.empty());
        EXPECT_EQ(M().boxes.back().text, row.lastBox);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Outcome,
    ::testing::Values(
        // Everything removed.
        OutcomeRow{"complete", "SAMPLE.INI", nullptr, kExitSuccess, false, false, "Sample was removed successfully"},
        // A log copied read-only from a CD loses the attribute, as files do.
        OutcomeRow{"read-only log", "SAMPLE.INI", [] { M().files[kWindowsLog].readOnly = true; }, kExitSuccess, false,
                   false, "Sample was removed successfully"},
        // A log that cannot be changed forgets nothing: never "removed successfully".
        OutcomeRow{"log cannot be changed", "SAMPLE.INI",
                   [] {
                       M().files[kWindowsLog].readOnly = true;
                       fake::FailAlways("SetFileAttributesA");
                   },
                   kExitFailed, true, true,
                   "Some items could not be removed:\n\nC:\\WINDOWS\\SAMPLE.INI (the uninstall log could not be "
                   "changed)\n\nRun the uninstall program again to remove them."},
        // The entry cannot be deleted: the log stays with it, so it still runs.
        OutcomeRow{"entry cannot be deleted", "SAMPLE.INI", [] { fake::FailAlways("RegDeleteKeyA"); }, kExitFailed,
                   true, true,
                   "Some items could not be removed:\n\nSample (its entry in Add/Remove Programs could not be "
                   "deleted)\n\nRun the uninstall program again to remove them."},
        // The log cannot be deleted after the entry went.
        OutcomeRow{"log cannot be deleted", "/S SAMPLE.INI", [] { fake::FailCall("DeleteFileA", 2); }, kExitFailed,
                   true, false, ""},
        // A file in use is staged; the restart was declined.
        OutcomeRow{"staged, restart declined", "SAMPLE.INI",
                   [] {
                       M().files["C:\\APP\\VIEW.EXE"].inUse = true;
                       M().answers = {IDYES, IDNO};
                   },
                   kExitRestartRequired, false, false, fake::StringTable().at(IDS_RESTART)},
        // ... and accepted.
        OutcomeRow{"staged, restart made", "SAMPLE.INI", [] { M().files["C:\\APP\\VIEW.EXE"].inUse = true; },
                   kExitRestartStarted, false, false, fake::StringTable().at(IDS_RESTART)},
        // Unattended: never a restart, the code says one is due.
        OutcomeRow{"staged, silent", "/S SAMPLE.INI", [] { M().files["C:\\APP\\VIEW.EXE"].inUse = true; },
                   kExitRestartRequired, false, false, ""},
        // No to the confirmation.
        OutcomeRow{"declined", "SAMPLE.INI", [] { M().answers = {IDNO}; }, kExitUserDeclined, true, true,
                   "Remove Sample and all of its components?"}),
    [](const auto& info) { return "Row" + std::to_string(info.index); });

TEST(RemovalEnding, LogInsideTheProductDirectoryTakesTheDirectoryWithIt) {
    fake::Reset();
    fake::WriteFile("C:\\APP\\VIEW.EXE", "program");
    fake::WriteFile("C:\\APP\\APP.INI", "[UNINST]\r\nProduct=Sample\r\n[UninstFiles]\r\nC:\\APP\\VIEW.EXE=\r\n");
    M().moduleFileName = "C:\\MEDIA\\UNINST.EXE";
    EXPECT_EQ(fake::RunUninst("/S C:\\APP\\APP.INI"), kExitSuccess);
    EXPECT_FALSE(fake::DirectoryExists("C:\\APP"));
    // A directory the product never held a file in stays, log or not.
    fake::WriteFile("C:\\LOGS\\APP.INI", "[UNINST]\r\nProduct=Sample\r\n[UninstFiles]\r\nC:\\APP\\GONE.EXE=\r\n");
    EXPECT_EQ(fake::RunUninst("/S C:\\LOGS\\APP.INI"), kExitSuccess);
    EXPECT_FALSE(fake::FileExists("C:\\LOGS\\APP.INI"));
    EXPECT_TRUE(fake::DirectoryExists("C:\\LOGS"));
}

// --- /S anywhere ---------------------------------------------------------------------------

struct SilentRow {
    const char* why;
    const char* tail;
    int exitCode;
    size_t boxes = 0;  // boxes shown: none whenever /S is on the line
};

class SilentAnywhere : public ::testing::TestWithParam<SilentRow> {};

TEST_P(SilentAnywhere, NoBoxWheneverSIsOnTheLine) {
    const SilentRow& row = GetParam();
    SCOPED_TRACE(row.why);
    fake::Reset();
    fake::WriteFile("C:\\APP\\VIEW.EXE", "program");
    fake::WriteFile(kWindowsLog, "[UNINST]\r\nProduct=Sample\r\n[UninstFiles]\r\nC:\\APP\\VIEW.EXE=\r\n");
    M().moduleFileName = "C:\\MEDIA\\UNINST.EXE";
    // The line in a block of exactly its size, so that a read past its end is seen.
    std::string tail = row.tail;
    std::unique_ptr<char[]> line(new char[tail.size() + 1]);
    std::copy(tail.c_str(), tail.c_str() + tail.size() + 1, line.get());
    EXPECT_EQ(RunUninstaller(fake::kUninstallerInstance, line.get()), row.exitCode);
    EXPECT_EQ(M().boxes.size(), row.boxes);
    EXPECT_TRUE(M().createdDialogs.empty());
}

INSTANTIATE_TEST_SUITE_P(Rows, SilentAnywhere,
                         ::testing::Values(
                             // An unknown option before /S used to stop the parser before it saw /S.
                             SilentRow{"unknown option first", "/Q /S SAMPLE.INI", kExitBadCommandLine},
                             SilentRow{"after the log", "SAMPLE.INI /S", kExitSuccess},
                             SilentRow{"lower case, dash", "-s SAMPLE.INI", kExitSuccess},
                             SilentRow{"no log", "/S", kExitBadCommandLine},
                             SilentRow{"two logs", "/S A.INI B.INI", kExitBadCommandLine},
                             SilentRow{"unknown option after the log", "SAMPLE.INI /Q /S", kExitBadCommandLine},
                             // Without /S the usage box shows; the line's last character is an option's
                             // slash, and looking for /S reads nothing past it.
                             SilentRow{"lone slash at the end, no /S", "SAMPLE.INI /", kExitBadCommandLine, 1},
                             SilentRow{"missing log", "C:\\NOWHERE\\X.INI /S", kExitCannotOpen},
                             SilentRow{"register", "/register /S SAMPLE.INI", kExitSuccess}),
                         [](const auto& info) { return "Row" + std::to_string(info.index); });

}  // namespace
