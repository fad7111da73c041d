// The remover against the review's probes: a kept section before the files with every
// answer pattern, a remover two products share, counts of every form, a product renamed
// between versions, entries no run could carry out, a log that cannot be changed, short
// spellings and this product's own counts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake/fake_machine.h"
#include "setup/exit_codes.h"
#include "uninst/uninst_resource_ids.h"
#include "uninst/uninstaller.h"

namespace {

using fake::M;
using Strings = std::vector<std::string>;

constexpr char kLog[] = "C:\\WINDOWS\\SAMPLE.INI";
constexpr char kPlan[] = "C:\\WINDOWS\\SAMPLE.IN$";
constexpr char kSharedDlls[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
constexpr char kUninstall[] = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

class Probes : public ::testing::Test {
protected:
    void SetUp() override {
        fake::Reset();
        fake::SetWindowsNT4();
        M().moduleFileName = "C:\\REMOVER\\UNINST.EXE";
        fake::WriteFile(M().moduleFileName, "remover");
    }
    static std::string Section(const char* name, const Strings& keys) {
        std::string text = std::string("[") + name + "]\r\n";
        for (const std::string& key : keys) text += key + "=\r\n";
        return text;
    }
    static void WriteLog(const std::string& lists, const char* log = kLog, const char* product = "Sample") {
        fake::WriteFile(log, std::string("[UNINST]\r\nProduct=") + product + "\r\n" + lists);
    }
    static void Count(const std::string& path, DWORD type, const std::string& data) {
        fake::SetRegistryData(HKEY_LOCAL_MACHINE, kSharedDlls, path, type, data);
    }
    static bool HasCount(const std::string& path) {
        const auto& values = M().registry[std::string("HKEY_LOCAL_MACHINE\\") + kSharedDlls].values;
        return values.count(path) != 0;
    }
    static std::string CountData(const std::string& path) {
        return M().registry[std::string("HKEY_LOCAL_MACHINE\\") + kSharedDlls].values[path].second;
    }
    static int Entries() {
        int n = 0;
        for (const auto& key : M().registry)
            if (key.first.size() > sizeof kUninstall && key.first.compare(0, sizeof kUninstall - 1, kUninstall) == 0)
                ++n;
        return n;
    }
};

// --- Kept files stay kept, whatever the person answers about the others --------------

// SETUP.EXE writes [UninstKeptFiles] before [UninstFiles] when the medium's first file is
// a newer one the person keeps. Five shared files follow; each answer pattern of Yes and
// No is tried: a No keeps its own file, a Yes removes its own, the kept file stays, and
// the removal ends with the log, the plan and the entry gone.
TEST_F(Probes, KeptSectionFirstHoldsForEveryAnswerPattern) {
    for (int pattern = 0; pattern < 32; ++pattern) {
        SetUp();
        SCOPED_TRACE("pattern " + std::to_string(pattern));
        fake::WriteFile("C:\\WINDOWS\\SYSTEM\\NEWER.DLL", "another product's");
        Strings files{"C:\\WINDOWS\\SYSTEM\\NEWER.DLL"};
        for (int i = 0; i < 5; ++i) {
            files.push_back("C:\\WINDOWS\\SYSTEM\\S" + std::to_string(i) + ".DLL");
            fake::WriteFile(files.back(), "own");
        }
        WriteLog(Section("UninstKeptFiles", {"C:\\WINDOWS\\SYSTEM\\NEWER.DLL"}) + Section("UninstFiles", files));
        ASSERT_EQ(fake::RunUninst(("/register " + std::string(kLog)).c_str()), kExitSuccess);
        M().answers = {IDYES};
        // Asked last logged first: S4 first.
        for (int i = 4; i >= 0; --i) M().answers.push_back((pattern >> i) & 1 ? IDC_REMOVE_SHARED : IDC_KEEP_SHARED);
        EXPECT_EQ(fake::RunUninst(kLog), kExitSuccess);
        EXPECT_TRUE(fake::FileExists("C:\\WINDOWS\\SYSTEM\\NEWER.DLL"));
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(fake::FileExists(files[i + 1]), ((pattern >> i) & 1) == 0) << files[i + 1];
        EXPECT_FALSE(fake::FileExists(kLog));
        EXPECT_FALSE(fake::FileExists(kPlan));
        EXPECT_EQ(Entries(), 0);
        if (HasFailure()) return;
    }
}

// --- The remover's own file is a file like any other ----------------------------------

struct SharedRemoverRow {
    const char* why;
    bool counted;  // SharedDLLs counts UNINST.EXE twice; otherwise the other log lists it
};

class SharedRemover : public Probes, public ::testing::WithParamInterface<SharedRemoverRow> {};

// Two products each put UNINST.EXE into the Windows directory: removing the first keeps
// it (and hands nothing over), and the second can still be removed, with it.
TEST_P(SharedRemover, StaysForTheOtherProductWhichCanStillBeRemoved) {
    const SharedRemoverRow& row = GetParam();
    const std::string remover = "C:\\WINDOWS\\UNINST.EXE";
    M().moduleFileName = remover;
    fake::WriteFile(remover, "remover");
    fake::WriteFile("C:\\A\\A.EXE", "a");
    fake::WriteFile("C:\\B\\B.EXE", "b");
    WriteLog(Section("UninstFiles", {remover, "C:\\A\\A.EXE"}), "C:\\WINDOWS\\A.INI", "Alpha");
    WriteLog(Section("UninstFiles", {remover, "C:\\B\\B.EXE"}), "C:\\WINDOWS\\B.INI", "Beta");
    if (row.counted) Count(remover, REG_DWORD, std::string("\x02\0\0\0", 4));
    ASSERT_EQ(fake::RunUninst("/register C:\\WINDOWS\\A.INI"), kExitSuccess);
    ASSERT_EQ(fake::RunUninst("/register C:\\WINDOWS\\B.INI"), kExitSuccess);

    EXPECT_EQ(fake::RunUninst("/S C:\\WINDOWS\\A.INI"), kExitSuccess);
    EXPECT_TRUE(fake::FileExists(remover));
    EXPECT_TRUE(M().started.empty()) << "no copy: the remover's own file stays";
    EXPECT_FALSE(fake::FileExists("C:\\WINDOWS\\A.INI"));
    EXPECT_FALSE(fake::FileExists("C:\\A\\A.EXE"));
    EXPECT_EQ(Entries(), 1);

    // The other product's removal: a count is not this product's to lower, so it still
    // keeps the file; without one nothing claims it any more and it goes.
    EXPECT_EQ(fake::RunUninst("/S C:\\WINDOWS\\B.INI"), kExitSuccess);
    EXPECT_FALSE(fake::FileExists("C:\\WINDOWS\\B.INI"));
    EXPECT_FALSE(fake::FileExists("C:\\B\\B.EXE"));
    EXPECT_EQ(Entries(), 0);
    EXPECT_EQ(M().started.size(), row.counted ? 0u : 1u) << "the copy that deletes the remover";
}

INSTANTIATE_TEST_SUITE_P(Rows, SharedRemover,
                         ::testing::Values(SharedRemoverRow{"counted twice", true},
                                           SharedRemoverRow{"listed by the other log", false}),
                         [](const auto& info) { return "Row" + std::to_string(info.index); });

// --- Any SharedDLLs value is a count -----------------------------------------------------

struct CountRow {
    const char* why;
    DWORD type;
    std::string data;
    bool keeps;
};

class CountForms : public Probes, public ::testing::WithParamInterface<CountRow> {};

TEST_P(CountForms, KeepTheFileUnlessTheyReadZero) {
    const CountRow& row = GetParam();
    fake::WriteFile("C:\\APP\\LIB.DLL", "shared");
    Count("C:\\APP\\LIB.DLL", row.type, row.data);
    WriteLog(Section("UninstFiles", {"C:\\APP\\LIB.DLL"}));
    EXPECT_EQ(fake::RunUninst((std::string("/S ") + kLog).c_str()), kExitSuccess);
    EXPECT_EQ(fake::FileExists("C:\\APP\\LIB.DLL"), row.keeps);
    // Another product's count is never changed.
    EXPECT_EQ(CountData("C:\\APP\\LIB.DLL"), row.data);
}

INSTANTIATE_TEST_SUITE_P(Rows, CountForms,
                         ::testing::Values(
                             // As Windows' own installers write it.
                             CountRow{"dword", REG_DWORD, std::string("\x02\0\0\0", 4), true},
                             CountRow{"dword zero", REG_DWORD, std::string(4, '\0'), false},
                             // As some installers write it: a decimal text.
                             CountRow{"decimal text", REG_SZ, std::string("2\0", 2), true},
                             CountRow{"decimal zero", REG_SZ, std::string("0\0", 2), false},
                             // One to four little-endian bytes.
                             CountRow{"one byte", REG_BINARY, std::string("\x01", 1), true},
                             CountRow{"four bytes, high byte", REG_BINARY, std::string("\0\0\0\x01", 4), true},
                             CountRow{"binary zero", REG_BINARY, std::string(2, '\0'), false},
                             // A form that says no number: shared all the same.
                             CountRow{"text that is no number", REG_SZ, std::string("two\0", 4), true},
                             CountRow{"five bytes", REG_BINARY, std::string(5, '\0'), true},
                             CountRow{"multi-string", REG_MULTI_SZ, std::string("1\0\0", 3), true},
                             CountRow{"dword of two bytes", REG_DWORD, std::string("\0\0", 2), true},
                             CountRow{"too long to read", REG_SZ, std::string(40, '7') + '\0', true}),
                         [](const auto& info) { return "Row" + std::to_string(info.index); });

// --- Counts this product raised ----------------------------------------------------------

struct OwnCountRow {
    const char* why;
    bool counted;
    DWORD count;
    bool fileStays;
    bool valueStays;
    DWORD left;
};

class OwnCounts : public Probes, public ::testing::WithParamInterface<OwnCountRow> {};

TEST_P(OwnCounts, AreLoweredOnceAndTheFileGoesAtZero) {
    const OwnCountRow& row = GetParam();
    const std::string file = "C:\\Program Files\\Common Files\\Maker\\CORE.DLL";
    fake::WriteFile(file, "shared");
    if (row.counted) Count(file, REG_DWORD, std::string(reinterpret_cast<const char*>(&row.count), 4));
    WriteLog(Section("UninstFiles", {file}) + Section("UninstSharedFiles", {file}));
    EXPECT_EQ(fake::RunUninst((std::string("/S ") + kLog).c_str()), kExitSuccess);
    EXPECT_EQ(fake::FileExists(file), row.fileStays);
    EXPECT_EQ(HasCount(file), row.valueStays);
    if (row.valueStays) EXPECT_EQ(CountData(file), std::string(reinterpret_cast<const char*>(&row.left), 4));
}

INSTANTIATE_TEST_SUITE_P(Rows, OwnCounts,
                         ::testing::Values(
                             // Another product still counts it.
                             OwnCountRow{"two", true, 2, true, true, 1},
                             // This product was the last: the value and the file go.
                             OwnCountRow{"one", true, 1, false, false, 0},
                             // Recorded, but a setup cut before it raised the count: kept.
                             OwnCountRow{"no count", false, 0, true, false, 0}),
                         [](const auto& info) { return "Row" + std::to_string(info.index); });

// A run cut after it lowered the count, before its mark, finds the count it left: the
// next run does not lower it a second time.
TEST_F(Probes, OwnCountIsLoweredOnceAcrossACut) {
    const std::string file = "C:\\SHARED\\CORE.DLL";
    fake::WriteFile(file, "shared");
    Count(file, REG_DWORD, std::string("\x03\0\0\0", 4));
    WriteLog(Section("UninstFiles", {file}) + Section("UninstSharedFiles", {file}));
    struct PowerCut {};
    M().onCall = [](const std::string& call) {
        if (call.rfind("RegSetValueExA HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", 0) ==
            0)
            M().onCall = [](const std::string& next) {
                if (next.rfind("WriteFile", 0) == 0) throw PowerCut{};
            };
    };
    EXPECT_THROW(fake::RunUninst((std::string("/S ") + kLog).c_str()), PowerCut);
    M().onCall = nullptr;
    EXPECT_EQ(CountData(file), std::string("\x02\0\0\0", 4));
    EXPECT_EQ(fake::RunUninst((std::string("/S ") + kLog).c_str()), kExitSuccess);
    EXPECT_EQ(CountData(file), std::string("\x02\0\0\0", 4));
    EXPECT_TRUE(fake::FileExists(file));
}

// --- No orphaned Add/Remove Programs entry --------------------------------------------

// A product renamed between versions keeps one log: /register takes the old entry over,
// and a removal deletes every entry that names the log, whatever its name.
TEST_F(Probes, RenamedProductLeavesNoEntryBehind) {
    fake::WriteFile("C:\\APP\\VIEW.EXE", "program");
    WriteLog(Section("UninstFiles", {"C:\\APP\\VIEW.EXE"}), kLog, "Old Name");
    ASSERT_EQ(fake::RunUninst((std::string("/register ") + kLog).c_str()), kExitSuccess);
    WriteLog(Section("UninstFiles", {"C:\\APP\\VIEW.EXE"}), kLog, "New Name");
    ASSERT_EQ(fake::RunUninst((std::string("/register ") + kLog).c_str()), kExitSuccess);
    EXPECT_EQ(Entries(), 1);
    EXPECT_EQ(M().registry.count(std::string(kUninstall) + "\\New Name"), 1u);
    // An entry a cut left under the old name, naming the log in another spelling.
    fake::SetRegistryString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Old Name",
                            "UninstallString", "\"C:\\REMOVER\\UNINST.EXE\" \"c:\\windows\\\\sample.ini\"");
    EXPECT_EQ(fake::RunUninst((std::string("/S ") + kLog).c_str()), kExitSuccess);
    EXPECT_EQ(Entries(), 0);
}

// --- What no run can ever do is left in place once and dropped --------------------------

TEST_F(Probes, EntriesNoRunCanCarryOutAreNamedOnceAndHoldNothingOpen) {
    fake::WriteFile("C:\\APP\\VIEW.EXE", "program");
    fake::WriteFile("C:\\APP\\DATA\\USER.TXT", "the person's");
    std::string longLine = "C:\\APP\\" + std::string(3000, 'x');
    std::string longCommand = "C:\\APP\\VIEW.EXE /remove " + std::string(1100, 'y');
    WriteLog(Section("UninstFiles", {"C:\\APP\\VIEW.EXE", "C:\\APP\\DATA", "C:\\APP\\DATA\\", longLine}) +
             Section("UninstExec", {longCommand}));
    M().answers = {IDYES};
    EXPECT_EQ(fake::RunUninst(kLog), kExitSuccess);
    const std::string& text = M().boxes.back().text;
    EXPECT_EQ(text.rfind("Sample was removed. These items were left in place:", 0), 0u) << text;
    EXPECT_NE(text.find("C:\\APP\\DATA (left in place"), std::string::npos) << text;
    EXPECT_NE(text.find("C:\\APP\\DATA\\ (left in place"), std::string::npos) << text;
    // The line and the command too long for any run, each shown cut.
    EXPECT_NE(text.find("C:\\APP\\xxx"), std::string::npos) << text;
    EXPECT_NE(text.find("C:\\APP\\VIEW.EXE /remove yyy"), std::string::npos) << text;
    EXPECT_TRUE(M().started.empty());
    EXPECT_TRUE(fake::FileExists("C:\\APP\\DATA\\USER.TXT"));
    EXPECT_FALSE(fake::FileExists("C:\\APP\\VIEW.EXE"));
    EXPECT_FALSE(fake::FileExists(kLog));
    EXPECT_FALSE(fake::FileExists(kPlan));
}

// --- A log that cannot be changed ------------------------------------------------------

struct UnwritableRow {
    const char* why;
    const char* failing;  // the call that fails
    int nth;              // its n-th call from the removal's start; 0: every one
    bool readOnly;        // the log has the read-only attribute
};

class UnwritableLog : public Probes, public ::testing::WithParamInterface<UnwritableRow> {};

// Nothing is removed, the box names the log, the exit code is 1603, and the machine is
// as it was (a read-only attribute put back).
TEST_P(UnwritableLog, StopsBeforeTheFirstActAndChangesNothing) {
    const UnwritableRow& row = GetParam();
    fake::WriteFile("C:\\APP\\VIEW.EXE", "program");
    fake::WriteFile("C:\\APP\\CORE.DLL", "component");
    M().components["C:\\APP\\CORE.DLL"];
    WriteLog(Section("UninstFiles", {"C:\\APP\\VIEW.EXE", "C:\\APP\\CORE.DLL"}) +
             Section("UninstExec", {"C:\\APP\\VIEW.EXE /remove"}) + Section("UninstRegister", {"C:\\APP\\CORE.DLL"}));
    ASSERT_EQ(fake::RunUninst((std::string("/register ") + kLog).c_str()), kExitSuccess);
    if (row.readOnly) M().files[kLog].readOnly = true;
    auto files = M().files;
    auto registry = M().registry;
    if (row.nth == 0)
        fake::FailAlways(row.failing);
    else
        fake::FailCall(row.failing, row.nth);
    M().answers = {IDYES};

    EXPECT_EQ(fake::RunUninst(kLog), kExitFailed);
    EXPECT_NE(M().boxes.back().text.find(std::string(kLog) + " (the uninstall log could not be changed)"),
              std::string::npos)
        << M().boxes.back().text;
    EXPECT_TRUE(M().started.empty());
    EXPECT_EQ(fake::CountCalls("DllUnregisterServer"), 0);
    EXPECT_EQ(fake::CountCalls("DeleteFileA C:\\APP"), 0);
    // A plan that could not be written whole is taken back.
    EXPECT_FALSE(fake::FileExists(kPlan));
    EXPECT_EQ(M().files.size(), files.size());
    for (const auto& file : files) {
        ASSERT_TRUE(fake::FileExists(file.first)) << file.first;
        EXPECT_EQ(M().files[file.first].content, file.second.content) << file.first;
        EXPECT_EQ(M().files[file.first].readOnly, file.second.readOnly) << file.first;
    }
    EXPECT_EQ(Entries(), 1);
}

INSTANTIATE_TEST_SUITE_P(Rows, UnwritableLog,
                         ::testing::Values(
                             // A read-only medium: the attribute cannot be cleared.
                             UnwritableRow{"read-only attribute that stays", "SetFileAttributesA", 0, true},
                             // Denied access: the log can be read (the first open), not written.
                             UnwritableRow{"denied writing", "CreateFileA", 2, false},
                             // Nothing can be opened at all: not even read.
                             UnwritableRow{"denied", "CreateFileA", 0, false},
                             // The plan cannot be written, or cannot reach the disk.
                             UnwritableRow{"plan not written", "WriteFile", 0, false},
                             UnwritableRow{"plan not flushed", "FlushFileBuffers", 0, false}),
                         [](const auto& info) { return "Row" + std::to_string(info.index); });

// A mark that cannot be written stops the run where it is: what is done stays done, and
// the next run finishes the rest.
TEST_F(Probes, MarkThatCannotBeWrittenStopsTheRunAndTheNextFinishes) {
    Strings files;
    for (int i = 0; i < 8; ++i) {
        files.push_back("C:\\APP\\F" + std::to_string(i) + ".DAT");
        fake::WriteFile(files.back(), "data");
    }
    WriteLog(Section("UninstFiles", files));
    fake::FailCall("FlushFileBuffers", 2);  // the first batch of marks after the plan
    EXPECT_EQ(fake::RunUninst((std::string("/S ") + kLog).c_str()), kExitFailed);
    EXPECT_TRUE(fake::FileExists(kLog));
    EXPECT_TRUE(fake::FileExists(kPlan));
    EXPECT_EQ(fake::RunUninst((std::string("/S ") + kLog).c_str()), kExitSuccess);
    for (const std::string& file : files) EXPECT_FALSE(fake::FileExists(file)) << file;
    EXPECT_FALSE(fake::FileExists(kLog));
}

// --- One identity per path ------------------------------------------------------------------

// Logged by short names, every rule still holds: the Common Files directory is never
// removed, a count under the long name keeps the file, and [UninstKeptFiles] in the long
// spelling keeps another.
TEST_F(Probes, ShortSpellingsMeetEveryRule) {
    fake::SetRegistryString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir",
                            "C:\\Program Files");
    fake::SetRegistryString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", "CommonFilesDir",
                            "C:\\Program Files\\Common Files");
    M().shortNames["C:\\Program Files"] = "C:\\PROGRA~1";
    M().shortNames["C:\\Program Files\\Common Files"] = "C:\\PROGRA~1\\COMMON~1";
    M().shortNames["C:\\Program Files\\Common Files\\Counted Library.dll"] = "C:\\PROGRA~1\\COMMON~1\\COUNTE~1.DLL";
    M().shortNames["C:\\Program Files\\Common Files\\Kept Library.dll"] = "C:\\PROGRA~1\\COMMON~1\\KEPTLI~1.DLL";
    fake::WriteFile("C:\\Program Files\\Common Files\\Counted Library.dll", "counted");
    fake::WriteFile("C:\\Program Files\\Common Files\\Kept Library.dll", "kept");
    fake::WriteFile("C:\\Program Files\\Common Files\\OWN.DLL", "own");
    Count("C:\\Program Files\\Common Files\\Counted Library.dll", REG_DWORD, std::string("\x01\0\0\0", 4));
    WriteLog(Section("UninstCreatedDirs", {"C:\\PROGRA~1\\COMMON~1"}) +
             Section("UninstFiles", {"C:\\PROGRA~1\\COMMON~1\\COUNTE~1.DLL", "C:\\PROGRA~1\\COMMON~1\\KEPTLI~1.DLL",
                                     "C:\\PROGRA~1\\COMMON~1\\OWN.DLL"}) +
             Section("UninstKeptFiles", {"C:\\Program Files\\Common Files\\Kept Library.dll"}));
    EXPECT_EQ(fake::RunUninst((std::string("/S ") + kLog).c_str()), kExitSuccess);
    EXPECT_TRUE(fake::FileExists("C:\\Program Files\\Common Files\\Counted Library.dll"));
    EXPECT_TRUE(fake::FileExists("C:\\Program Files\\Common Files\\Kept Library.dll"));
    EXPECT_FALSE(fake::FileExists("C:\\Program Files\\Common Files\\OWN.DLL"));
    EXPECT_TRUE(fake::DirectoryExists("C:\\Program Files\\Common Files"));
    EXPECT_EQ(fake::CountCalls("RemoveDirectoryA C:\\Program Files\\Common Files"), 0);
}

// A count written under the short spelling keeps a file logged by its long one.
TEST_F(Probes, CountUnderTheShortSpellingKeepsTheFile) {
    M().shortNames["C:\\Shared Tools"] = "C:\\SHARED~1";
    M().shortNames["C:\\Shared Tools\\Tool Library.dll"] = "C:\\SHARED~1\\TOOLLI~1.DLL";
    fake::WriteFile("C:\\Shared Tools\\Tool Library.dll", "shared");
    Count("C:\\SHARED~1\\TOOLLI~1.DLL", REG_DWORD, std::string("\x01\0\0\0", 4));
    WriteLog(Section("UninstFiles", {"C:\\Shared Tools\\Tool Library.dll"}));
    EXPECT_EQ(fake::RunUninst((std::string("/S ") + kLog).c_str()), kExitSuccess);
    EXPECT_TRUE(fake::FileExists("C:\\Shared Tools\\Tool Library.dll"));
}

}  // namespace

namespace {

// A plan whose log is gone is finished by the next run; a person who declines that run
// leaves it as it is, and nothing of it open.
TEST_F(Probes, DeclinedRunOverAPlanWhoseLogIsGoneLeavesItWholeAndClosed) {
    fake::WriteFile("C:\\APP\\VIEW.EXE", "program");
    WriteLog(Section("UninstFiles", {"C:\\APP\\VIEW.EXE"}));
    struct PowerCut {};
    // Cut right after the ending deleted the log, before the plan went.
    M().onCall = [](const std::string& call) {
        if (call == std::string("DeleteFileA ") + kLog)
            M().onCall = [](const std::string& next) {
                if (next.rfind("DeleteFileA", 0) == 0) throw PowerCut{};
            };
    };
    EXPECT_THROW(fake::RunUninst((std::string("/S ") + kLog).c_str()), PowerCut);
    M().onCall = nullptr;
    ASSERT_FALSE(fake::FileExists(kLog));
    ASSERT_TRUE(fake::FileExists(kPlan));
    M().openHandles.clear();
    M().openFiles.clear();

    M().answers = {IDNO};
    EXPECT_EQ(fake::RunUninst(kLog), kExitUserDeclined);
    EXPECT_TRUE(fake::FileExists(kPlan));
    EXPECT_TRUE(M().openFiles.empty());
    // Answered Yes, it finishes: the plan goes too.
    M().answers = {IDYES};
    EXPECT_EQ(fake::RunUninst(kLog), kExitSuccess);
    EXPECT_FALSE(fake::FileExists(kPlan));
    EXPECT_TRUE(M().openFiles.empty());
}

}  // namespace
