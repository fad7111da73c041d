// UNINST.EXE on the fake machine: the order of its passes, the shared-file rule,
// files in use, entries it must not touch, the resumable log, its own file, the
// Add/Remove Programs entry and its exit codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fake/fake_machine.h"
#include "setup/setup_context.h"
#include "ui/resource_ids.h"
#include "uninst/log_paths.h"
#include "uninst/uninst_resource_ids.h"
#include "uninst/uninst_state.h"
#include "uninst/uninstaller.h"

namespace {

using fake::M;
using Strings = std::vector<std::string>;

constexpr char kLog[] = "C:\\WINDOWS\\SAMPLE.INI";
constexpr char kRemover[] = "C:\\REMOVER\\UNINST.EXE";
constexpr char kArpKey[] = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sample";

struct PowerCut {};

class Remover : public ::testing::Test {
protected:
    void SetUp() override {
        fake::Reset();
        M().moduleFileName = kRemover;
        fake::WriteFile(kRemover, "remover");
    }

    // A log as SETUP.EXE writes it: [UNINST] first, then the lists given.
    static void WriteLog(const std::string& lists, const std::string& product = "Sample") {
        fake::WriteFile(kLog, "[UNINST]\r\nProduct=" + product + "\r\n" + lists);
    }

    static std::string Section(const char* name, const Strings& keys) {
        std::string text = std::string("[") + name + "]\r\n";
        for (const std::string& key : keys) text += key + "=\r\n";
        return text;
    }

    static Strings LogKeys(const char* section) {
        Strings keys;
        std::vector<char> buffer(1 << 20, '\0');
        GetPrivateProfileStringA(section, nullptr, "", buffer.data(), static_cast<DWORD>(buffer.size()), kLog);
        for (const char* name = buffer.data(); *name != '\0'; name += std::char_traits<char>::length(name) + 1)
            keys.emplace_back(name);
        return keys;
    }

    // The seam calls that start with one of the prefixes, in order.
    static Strings CallsOf(std::initializer_list<const char*> prefixes) {
        Strings found;
        for (const std::string& call : M().calls)
            for (const char* prefix : prefixes)
                if (call.rfind(prefix, 0) == 0) found.push_back(call);
        return found;
    }

    static const fake::MessageBoxRecord& LastBox() { return M().boxes.back(); }
    static int DialogCount() {
        return static_cast<int>(std::count_if(M().boxes.begin(), M().boxes.end(),
                                              [](const auto& box) { return box.style == fake::kDialogBoxStyle; }));
    }
};

// --- Order -----------------------------------------------------------------------------

TEST_F(Remover, UndoesCommandsThenComponentsThenFilesEachLastLoggedFirst) {
    fake::WriteFile("C:\\APP\\B.EXE", "program");
    fake::WriteFile("C:\\APP\\A.DLL", "component");
    fake::WriteFile("C:\\APP\\C.DLL", "component");
    M().components["C:\\APP\\A.DLL"];
    M().components["C:\\APP\\C.DLL"];
    WriteLog(Section("UninstFiles", {"C:\\APP\\A.DLL", "C:\\APP\\C.DLL", "C:\\APP\\B.EXE"}) +
             Section("UninstExec", {"C:\\APP\\B.EXE /one", "C:\\APP\\B.EXE /two"}) +
             Section("UninstRegister", {"C:\\APP\\A.DLL", "C:\\APP\\C.DLL"}));
    M().answers = {IDYES};

    EXPECT_EQ(fake::RunUninst(kLog), kExitSuccess);

    EXPECT_EQ(CallsOf({"CreateProcessA", "DllUnregisterServer", "DeleteFileA C:\\APP", "RemoveDirectoryA"}),
              (Strings{"CreateProcessA C:\\APP\\B.EXE /two", "CreateProcessA C:\\APP\\B.EXE /one",
                       "DllUnregisterServer C:\\APP\\C.DLL", "DllUnregisterServer C:\\APP\\A.DLL",
                       "DeleteFileA C:\\APP\\B.EXE", "DeleteFileA C:\\APP\\C.DLL", "DeleteFileA C:\\APP\\A.DLL",
                       "RemoveDirectoryA C:\\APP"}));
    // Each command's clean-up is waited for, but never for ever.
    EXPECT_EQ(M().waits, (std::vector<DWORD>{60000, 60000}));
    // Each component is called between its own OleInitialize and OleUninitialize.
    EXPECT_EQ(CallsOf({"OleInitialize", "LoadLibraryA", "OleUninitialize"}),
              (Strings{"OleInitialize", "LoadLibraryA C:\\APP\\C.DLL", "OleUninitialize", "OleInitialize",
                       "LoadLibraryA C:\\APP\\A.DLL", "OleUninitialize"}));
    EXPECT_FALSE(fake::DirectoryExists("C:\\APP"));
    EXPECT_FALSE(fake::FileExists(kLog));
    EXPECT_TRUE(M().openHandles.empty());
    ASSERT_EQ(M().boxes.size(), 2u);
    EXPECT_EQ(M().boxes[0].text, "Remove Sample and all of its components?");
    EXPECT_EQ(M().boxes[0].style, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(M().boxes[1].text, "Sample was removed successfully");
    EXPECT_EQ(M().boxes[1].caption, "Sample");
    // The progress window was the remover's own, named the product and has gone.
    EXPECT_EQ(M().windows.begin()->second.caption, "Sample");
    EXPECT_EQ(M().windows.begin()->second.controlText[IDC_PROGRESS_LABEL], "Removing files");
    EXPECT_TRUE(M().windows.begin()->second.destroyed);
}

TEST_F(Remover, AnsweringNoChangesNothing) {
    fake::WriteFile("C:\\APP\\B.EXE", "program");
    WriteLog(Section("UninstFiles", {"C:\\APP\\B.EXE"}) + Section("UninstExec", {"C:\\APP\\B.EXE /x"}));
    std::string before = *fake::ReadFile(kLog);
    M().answers = {IDNO};

    EXPECT_EQ(fake::RunUninst(kLog), kExitUserDeclined);
    EXPECT_TRUE(fake::FileExists("C:\\APP\\B.EXE"));
    EXPECT_TRUE(M().started.empty());
    EXPECT_EQ(*fake::ReadFile(kLog), before);
    EXPECT_EQ(M().boxes.size(), 1u);
}

TEST_F(Remover, MissingProgramIsReportedAndRemovalGoesOn) {
    fake::WriteFile("C:\\APP\\DATA.TXT", "data");
    WriteLog(Section("UninstFiles", {"C:\\APP\\DATA.TXT"}) + Section("UninstExec", {"C:\\APP\\GONE.EXE /remove"}));
    M().answers = {IDYES};

    EXPECT_EQ(fake::RunUninst(kLog), kExitFailed);
    EXPECT_FALSE(fake::FileExists("C:\\APP\\DATA.TXT"));
    EXPECT_EQ(LogKeys("UninstExec"), Strings{"C:\\APP\\GONE.EXE /remove"});
    EXPECT_EQ(LastBox().text,
              "Some items could not be removed:\n\nC:\\APP\\GONE.EXE /remove (could not be started)\n\n"
              "Run the uninstall program again to remove them.");
    EXPECT_EQ(LastBox().style, static_cast<UINT>(MB_ICONHAND));
}

TEST_F(Remover, ComponentThatCannotUnregisterIsReportedButItsFileStillGoes) {
    fake::WriteFile("C:\\APP\\OLD.DLL", "component");
    M().components["C:\\APP\\OLD.DLL"].exportsUnregisterServer = false;
    WriteLog(Section("UninstFiles", {"C:\\APP\\OLD.DLL"}) + Section("UninstRegister", {"C:\\APP\\OLD.DLL"}));

    EXPECT_EQ(fake::RunUninst(std::string("/S ").append(kLog).c_str()), kExitFailed);
    EXPECT_FALSE(fake::FileExists("C:\\APP\\OLD.DLL"));
    EXPECT_EQ(LogKeys("UninstRegister"), Strings{"C:\\APP\\OLD.DLL"});
    // Run again: the component is gone, nothing is left to unregister, the log goes.
    EXPECT_EQ(fake::RunUninst(std::string("/S ").append(kLog).c_str()), kExitSuccess);
    EXPECT_FALSE(fake::FileExists(kLog));
}

TEST_F(Remover, ReadOnlyFileLosesTheAttributeAndGoes) {
    fake::WriteFile("C:\\APP\\CD.TXT", "from the CD");
    M().files["C:\\APP\\CD.TXT"].readOnly = true;
    WriteLog(Section("UninstFiles", {"C:\\APP\\CD.TXT"}));

    EXPECT_EQ(fake::RunUninst(std::string("/S ").append(kLog).c_str()), kExitSuccess);
    EXPECT_FALSE(fake::FileExists("C:\\APP\\CD.TXT"));
}

TEST_F(Remover, FileAlreadyGoneIsNotAnError) {
    WriteLog(Section("UninstFiles", {"C:\\APP\\GONE.TXT", "C:\\NODIR\\GONE.TXT"}));
    EXPECT_EQ(fake::RunUninst(std::string("/S ").append(kLog).c_str()), kExitSuccess);
    EXPECT_FALSE(fake::FileExists(kLog));
}

// --- Directories -------------------------------------------------------------------------

TEST_F(Remover, LogWithoutCreatedDirectoriesLosesOnlyTheDirectoriesThatHeldItsFiles) {
    fake::SetRegistryString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir",
                            "C:\\Program Files");
    fake::WriteFile("C:\\Program Files\\Maker\\Tool\\Bin\\T.EXE", "tool");
    fake::WriteFile("C:\\Program Files\\Maker\\Tool\\Data\\D.DAT", "data");
    fake::WriteFile("C:\\Program Files\\Maker\\Other\\KEEP.TXT", "another product");
    fake::WriteFile("C:\\Program Files\\Alone\\A.EXE", "alone");
    fake::WriteFile("C:\\WINDOWS\\SAMPLE.HLP", "help");
    WriteLog(Section("UninstFiles",
                     {"C:\\Program Files\\Maker\\Tool\\Bin\\T.EXE", "C:\\Program Files\\Maker\\Tool\\Data\\D.DAT",
                      "C:\\Program Files\\Alone\\A.EXE", "C:\\WINDOWS\\SAMPLE.HLP"}));
    M().answers = {IDYES, IDYES};

    EXPECT_EQ(fake::RunUninst(kLog), kExitSuccess);
    EXPECT_FALSE(fake::DirectoryExists("C:\\Program Files\\Maker\\Tool\\Bin"));
    EXPECT_FALSE(fake::DirectoryExists("C:\\Program Files\\Maker\\Tool\\Data"));
    EXPECT_FALSE(fake::DirectoryExists("C:\\Program Files\\Alone"));
    // Such a log does not say who made a parent: empty or not, it stays.
    EXPECT_TRUE(fake::DirectoryExists("C:\\Program Files\\Maker\\Tool"));
    EXPECT_TRUE(fake::DirectoryExists("C:\\Program Files\\Maker"));
    EXPECT_TRUE(fake::DirectoryExists("C:\\Program Files"));
    EXPECT_TRUE(fake::DirectoryExists("C:\\WINDOWS"));
    EXPECT_EQ(fake::CountCalls("RemoveDirectoryA C:\\Program Files\\Alone"), 1);
    EXPECT_EQ(fake::CountCalls("RemoveDirectoryA C:\\Program Files\\Maker\\Tool "), 0);
    EXPECT_EQ(fake::CountCalls("RemoveDirectoryA C:\\WINDOWS"), 0);
    EXPECT_EQ(fake::CountCalls("RemoveDirectoryA C:\\Program Files "), 0);
}

// --- Shared files ------------------------------------------------------------------------

struct SharedRow {
    const char* why;
    bool counted;  // SharedDLLs counts both files
    std::vector<int> answers;
    bool silent;
    bool firstRemains;   // C:\WINDOWS\SYSTEM\S1.DLL, asked about second
    bool secondRemains;  // C:\WINDOWS\SYSTEM\S2.DLL, asked about first (last logged)
    int dialogs;
};

class SharedFiles : public Remover, public ::testing::WithParamInterface<SharedRow> {};

TEST_P(SharedFiles, KeptOrRemovedAsTheRuleAndTheAnswersSay) {
    const SharedRow& row = GetParam();
    SCOPED_TRACE(row.why);
    fake::WriteFile("C:\\WINDOWS\\SYSTEM\\S1.DLL", "one");
    fake::WriteFile("C:\\WINDOWS\\SYSTEM\\S2.DLL", "two");
    if (row.counted)
        for (const char* path : {"C:\\WINDOWS\\SYSTEM\\S1.DLL", "C:\\WINDOWS\\SYSTEM\\S2.DLL"})
            fake::SetRegistryData(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", path,
                                  REG_DWORD, std::string("\x02\x00\x00\x00", 4));
    WriteLog(Section("UninstFiles", {"C:\\WINDOWS\\SYSTEM\\S1.DLL", "C:\\WINDOWS\\SYSTEM\\S2.DLL"}));
    M().answers.push_back(IDYES);  // the confirmation
    for (int answer : row.answers) M().answers.push_back(answer);

    std::string tail = std::string(row.silent ? "/S " : "") + kLog;
    EXPECT_EQ(fake::RunUninst(tail.c_str()), kExitSuccess);
    EXPECT_EQ(fake::FileExists("C:\\WINDOWS\\SYSTEM\\S1.DLL"), row.firstRemains);
    EXPECT_EQ(fake::FileExists("C:\\WINDOWS\\SYSTEM\\S2.DLL"), row.secondRemains);
    EXPECT_EQ(DialogCount(), row.dialogs);
    // Kept by choice is handled: the log has served either way.
    EXPECT_FALSE(fake::FileExists(kLog));
    EXPECT_TRUE(fake::DirectoryExists("C:\\WINDOWS\\SYSTEM"));
}

INSTANTIATE_TEST_SUITE_P(Rows, SharedFiles,
                         ::testing::Values(
                             // Another product's count says it is in use: kept without a question.
                             SharedRow{"counted", true, {}, false, true, true, 0},
                             // One question per file; No keeps, Yes removes.
                             SharedRow{"no then yes", false, {IDNO, IDYES}, false, false, true, 2},
                             // "Yes to All" answers the second file too.
                             SharedRow{"yes to all", false, {IDC_REMOVE_ALL_SHARED}, false, false, false, 1},
                             // "No to All" keeps both.
                             SharedRow{"no to all", false, {IDC_KEEP_ALL_SHARED}, false, true, true, 1},
                             // Esc (no answer left) keeps, as No does.
                             SharedRow{"escape", false, {}, false, true, true, 2},
                             // Unattended: nobody is asked, and the product's own files go, as no
                             // count and no other product's log claims them.
                             SharedRow{"silent", false, {}, true, false, false, 0},
                             // A count keeps them unattended too.
                             SharedRow{"silent and counted", true, {}, true, true, true, 0}),
                         [](const auto& info) {
                             std::string name = info.param.why;
                             std::replace(name.begin(), name.end(), ' ', '_');
                             return name;
                         });

TEST_F(Remover, ProductDirectoryBelowTheWindowsDirectoryIsNotASharedPlace) {
    fake::WriteFile("C:\\WINDOWS\\SAMPLE\\VIEW.EXE", "program");
    fake::WriteFile("C:\\WINDOWS\\SYSTEM\\SUB\\X.DLL", "component");
    WriteLog(Section("UninstFiles", {"C:\\WINDOWS\\SAMPLE\\VIEW.EXE", "C:\\WINDOWS\\SYSTEM\\SUB\\X.DLL"}));
    M().answers = {IDYES};
    EXPECT_EQ(fake::RunUninst(kLog), kExitSuccess);
    EXPECT_EQ(DialogCount(), 0);
    EXPECT_FALSE(fake::DirectoryExists("C:\\WINDOWS\\SAMPLE"));
    EXPECT_FALSE(fake::DirectoryExists("C:\\WINDOWS\\SYSTEM\\SUB"));
}

TEST_F(Remover, SharedFileQuestionNamesTheFileAndDefaultsToNo) {
    fake::WriteFile("C:\\WINDOWS\\SYSTEM\\S1.DLL", "one");
    WriteLog(Section("UninstFiles", {"C:\\WINDOWS\\SYSTEM\\S1.DLL"}));
    M().answers = {IDYES, IDNO};
    fake::RunUninst(kLog);
    ASSERT_EQ(DialogCount(), 1);
    const auto& dialog = M().boxes[1];
    EXPECT_EQ(dialog.caption, "Remove Shared File?");
    EXPECT_NE(dialog.text.find("C:\\WINDOWS\\SYSTEM\\S1.DLL"), std::string::npos);
    EXPECT_EQ(fake::CountCalls("SetFocus " + std::to_string(IDC_KEEP_SHARED)), 1);
    // The question icon, as a message box that asks shows it.
    EXPECT_NE(dialog.text.find("icon 32514\n"), std::string::npos) << dialog.text;
}

// --- Files in use ------------------------------------------------------------------------

TEST_F(Remover, FileInUseOnNtIsDeletedAtTheNextStart) {
    fake::SetWindowsNT4();
    fake::WriteFile("C:\\APP\\BUSY.DLL", "held open");
    M().files["C:\\APP\\BUSY.DLL"].inUse = true;
    WriteLog(Section("UninstFiles", {"C:\\APP\\BUSY.DLL"}));
    M().answers = {IDYES, IDNO};

    // Removed, with a deletion waiting for the restart that was not made.
    EXPECT_EQ(fake::RunUninst(kLog), kExitRestartRequired);
    ASSERT_EQ(fake::DelayedMoves().size(), 1u);
    EXPECT_EQ(fake::DelayedMoves()[0], std::make_pair(std::string("C:\\APP\\BUSY.DLL"), std::string()));
    EXPECT_FALSE(fake::FileExists(kLog));
    // The restart question of SETUP.EXE, after the closing report.
    ASSERT_EQ(M().boxes.size(), 3u);
    EXPECT_EQ(M().boxes[2].text, fake::StringTable().at(IDS_RESTART));
    EXPECT_EQ(M().boxes[2].caption, "Sample");
    EXPECT_TRUE(M().exitWindowsFlags.empty());
}

TEST_F(Remover, FilesInUseOnWindows95GetOneNulLineEachInWininit) {
    fake::SetWindows95();
    fake::WriteFile("C:\\WINDOWS\\wininit.ini", "[rename]\r\nC:\\APP\\NEW.DLL=C:\\APP\\NEW.DL~\r\n");
    for (const char* path : {"C:\\Program Files\\Sample\\Long Name.dll", "C:\\APP\\B.DLL"}) {
        fake::WriteFile(path, "held open");
        M().files[path].inUse = true;
    }
    WriteLog(Section("UninstFiles", {"C:\\Program Files\\Sample\\Long Name.dll", "C:\\APP\\B.DLL"}));
    M().answers = {IDYES, IDYES};

    EXPECT_EQ(fake::RunUninst(kLog), kExitRestartStarted);
    EXPECT_TRUE(fake::DelayedMoves().empty());
    EXPECT_EQ(*fake::ReadFile("C:\\WINDOWS\\wininit.ini"),
              "[rename]\r\nC:\\APP\\NEW.DLL=C:\\APP\\NEW.DL~\r\nNUL=C:\\APP\\B.DLL\r\nNUL=C:\\PROGRA~1\\Sample\\LONGNA~"
              "1.DLL\r\n");
    // Yes restarts; Windows 95 has no token to adjust.
    EXPECT_EQ(M().exitWindowsFlags, (std::vector<UINT>{EWX_REBOOT | EWX_FORCE}));
}

struct StagingFailureRow {
    const char* why;
    bool windows95;
    const char* failingCall;
};

class FailedStaging : public Remover, public ::testing::WithParamInterface<StagingFailureRow> {};

TEST_P(FailedStaging, IsReportedNeverCountedAsDone) {
    const StagingFailureRow& row = GetParam();
    SCOPED_TRACE(row.why);
    if (row.windows95) fake::SetWindows95();
    fake::WriteFile("C:\\APP\\BUSY.DLL", "held open");
    M().files["C:\\APP\\BUSY.DLL"].inUse = true;
    WriteLog(Section("UninstFiles", {"C:\\APP\\BUSY.DLL"}));
    fake::FailAlways(row.failingCall);

    EXPECT_EQ(fake::RunUninst(std::string("/S ").append(kLog).c_str()), kExitFailed);
    EXPECT_EQ(LogKeys("UninstFiles"), Strings{"C:\\APP\\BUSY.DLL"});
    EXPECT_TRUE(M().boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(Rows, FailedStaging,
                         ::testing::Values(
                             // NT refuses the delayed move.
                             StagingFailureRow{"nt", false, "MoveFileExA"},
                             // Without a short name the line would never be carried out.
                             StagingFailureRow{"95 short name", true, "GetShortPathNameA"},
                             // wininit.ini cannot be written.
                             StagingFailureRow{"95 write", true, "WritePrivateProfileSectionA"}),
                         [](const auto& info) { return "Row" + std::to_string(info.index); });

TEST_F(Remover, CommandThatDoesNotEndInTimeDoesNotHoldTheRemovalUp) {
    fake::WriteFile("C:\\APP\\HANG.EXE", "program");
    WriteLog(Section("UninstFiles", {"C:\\APP\\HANG.EXE"}) + Section("UninstExec", {"C:\\APP\\HANG.EXE /remove"}));
    M().waitResult = WAIT_TIMEOUT;
    EXPECT_EQ(fake::RunUninst(std::string("/S ").append(kLog).c_str()), kExitSuccess);
    EXPECT_EQ(M().waits, std::vector<DWORD>{60000});
    EXPECT_FALSE(fake::FileExists(kLog));
}

// --- Entries never handed to a file function ----------------------------------------------

struct PathRow {
    const char* why;
    std::string path;
    PathVerdict verdict;
};

class LogPaths : public Remover, public ::testing::WithParamInterface<PathRow> {};

TEST_P(LogPaths, ClassifiedAndUnusableOnesLeftInPlaceAndReportedOnce) {
    const PathRow& row = GetParam();
    SCOPED_TRACE(row.why);
    g_Setup.WINDIR.Assign("C:\\WINDOWS\\");
    g_Setup.WINSYSDIR.Assign("C:\\WINDOWS\\SYSTEM\\");
    g_Uninst.ProgramFilesDir.Assign("C:\\Program Files");
    EXPECT_EQ(ClassifyLogPath(row.path), row.verdict);
    // An empty name ends a key list: such a line is never read as an entry.
    if (row.verdict == PathVerdict::Usable || row.path.empty()) return;

    fake::SetRegistryString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir",
                            "C:\\Program Files");

    WriteLog(Section("UninstFiles", {row.path}));
    M().calls.clear();
    // No run could ever carry it out: it does not hold the removal open.
    EXPECT_EQ(fake::RunUninst(std::string("/S ").append(kLog).c_str()), kExitSuccess);
    // No call but the log's own names the path as its argument.
    for (const std::string& call : M().calls) {
        if (call.rfind("GetPrivateProfile", 0) == 0 || call.rfind("WritePrivateProfile", 0) == 0) continue;
        bool last = call.size() > row.path.size() &&
                    call.compare(call.size() - row.path.size() - 1, std::string::npos, " " + row.path) == 0;
        EXPECT_FALSE(last || call.find(" " + row.path + " ") != std::string::npos) << call;
    }
    EXPECT_FALSE(fake::FileExists(kLog));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LogPaths,
    ::testing::Values(PathRow{"an ordinary file", "C:\\APP\\X.DLL", PathVerdict::Usable},
                      PathRow{"another drive, lower case", "d:\\app\\x.dll", PathVerdict::Usable},
                      // Would be resolved against the current directory.
                      PathRow{"relative", "APP\\X.DLL", PathVerdict::NotLocal},
                      PathRow{"drive relative", "C:APP\\X.DLL", PathVerdict::NotLocal},
                      PathRow{"root of the current drive", "\\APP\\X.DLL", PathVerdict::NotLocal},
                      // Another machine's file.
                      PathRow{"UNC", "\\\\SERVER\\SHARE\\X.DLL", PathVerdict::NotLocal},
                      PathRow{"device namespace", "\\\\.\\C:\\X.DLL", PathVerdict::NotLocal},
                      PathRow{"stream", "C:\\APP\\X.DLL:hidden", PathVerdict::NotLocal},
                      // Judged as it stands; the remover folds separators before it judges.
                      PathRow{"forward slash hides a part", "C:\\APP/../WINDOWS\\WIN.INI", PathVerdict::NotLocal},
                      PathRow{"doubled backslash", "C:\\APP\\\\X.DLL", PathVerdict::NotLocal},
                      // DeleteFileA would not take it, but nothing but one file may be named.
                      PathRow{"wildcard star", "C:\\APP\\*.DLL", PathVerdict::Wildcard},
                      PathRow{"wildcard question mark", "C:\\APP\\X?.DLL", PathVerdict::Wildcard},
                      // Leaves the directory it seems to name.
                      PathRow{"parent part", "C:\\APP\\..\\WINDOWS\\WIN.INI", PathVerdict::ParentPart},
                      PathRow{"dot part", "C:\\APP\\.\\X.DLL", PathVerdict::ParentPart},
                      PathRow{"trailing dot names the Windows directory", "C:\\WINDOWS.", PathVerdict::ParentPart},
                      // Opens a device, not a file.
                      PathRow{"device", "C:\\APP\\CON", PathVerdict::DeviceName},
                      PathRow{"device with extension", "C:\\APP\\nul.txt", PathVerdict::DeviceName},
                      PathRow{"serial port in a directory", "C:\\COM1\\X.DLL", PathVerdict::DeviceName},
                      PathRow{"printer port", "C:\\APP\\LPT9.LOG", PathVerdict::DeviceName},
                      // Not a Windows path at all.
                      PathRow{"over-long", "C:\\" + std::string(300, 'A'), PathVerdict::TooLong},
                      // Never removed, whatever the log says.
                      PathRow{"drive root", "C:\\", PathVerdict::Protected},
                      PathRow{"Windows directory", "C:\\WINDOWS", PathVerdict::Protected},
                      PathRow{"system directory, other case", "c:\\windows\\system", PathVerdict::Protected},
                      PathRow{"Program Files", "C:\\Program Files", PathVerdict::Protected},
                      PathRow{"empty", "", PathVerdict::NotLocal}),
    [](const auto& info) { return "Row" + std::to_string(info.index); });

// --- Resumable log -------------------------------------------------------------------------

TEST_F(Remover, RunCutShortIsFinishedBySecondRun) {
    Strings files;
    for (char c = 'A'; c <= 'F'; ++c) {
        std::string path = std::string("C:\\APP\\") + c + ".DLL";
        fake::WriteFile(path, "file");
        files.push_back(path);
    }
    fake::WriteFile("C:\\APP\\B.EXE", "program");
    WriteLog(Section("UninstFiles", files) + Section("UninstExec", {"C:\\APP\\B.EXE /remove"}));
    std::string log = *fake::ReadFile(kLog);
    // Power goes right after D.DLL was deleted, before its mark reached the plan.
    M().onCall = [](const std::string& call) {
        if (call == "DeleteFileA C:\\APP\\D.DLL")
            M().onCall = [](const std::string& next) {
                if (next.rfind("WriteFile", 0) == 0) throw PowerCut{};
            };
    };
    EXPECT_THROW(fake::RunUninst(std::string("/S ").append(kLog).c_str()), PowerCut);
    M().onCall = nullptr;
    // The log is as the setup wrote it; the plan beside it says what is done.
    EXPECT_EQ(*fake::ReadFile(kLog), log);
    EXPECT_TRUE(fake::FileExists("C:\\WINDOWS\\SAMPLE.IN$"));
    EXPECT_FALSE(fake::FileExists("C:\\APP\\D.DLL"));

    M().started.clear();
    M().calls.clear();
    EXPECT_EQ(fake::RunUninst(std::string("/S ").append(kLog).c_str()), kExitSuccess);
    // The removal command is not run a second time; the files marked before the cut are
    // not tried again; D.DLL, deleted but not yet marked, is, and finds itself gone.
    EXPECT_TRUE(M().started.empty());
    EXPECT_EQ(fake::CountCalls("DeleteFileA C:\\APP\\F.DLL"), 0);
    EXPECT_EQ(fake::CountCalls("DeleteFileA C:\\APP\\D.DLL"), 1);
    for (const std::string& file : files) EXPECT_FALSE(fake::FileExists(file)) << file;
    EXPECT_FALSE(fake::FileExists(kLog));
    EXPECT_FALSE(fake::FileExists("C:\\WINDOWS\\SAMPLE.IN$"));
}

TEST_F(Remover, LogStaysAsWrittenAndTheNextRunRetriesExactlyTheEntriesThatFailed) {
    fake::WriteFile("C:\\APP\\A.DLL", "a");
    fake::WriteFile("C:\\APP\\B.DLL", "b");
    fake::WriteFile("C:\\APP\\C.DLL", "c");
    WriteLog(Section("UninstFiles", {"C:\\APP\\A.DLL", "relative.dll", "C:\\APP\\B.DLL", "C:\\APP\\C.DLL"}));
    std::string log = *fake::ReadFile(kLog);
    M().files["C:\\APP\\B.DLL"].inUse = true;  // B.DLL: in use, and staging fails too
    fake::FailAlways("MoveFileExA");

    M().answers = {IDYES};
    EXPECT_EQ(fake::RunUninst(kLog), kExitFailed);
    EXPECT_EQ(*fake::ReadFile(kLog), log);
    EXPECT_TRUE(fake::FileExists("C:\\APP\\B.DLL"));
    EXPECT_FALSE(fake::FileExists("C:\\APP\\A.DLL"));
    EXPECT_NE(LastBox().text.find("C:\\APP\\B.DLL (could not be deleted)"), std::string::npos) << LastBox().text;

    // The next run tries B.DLL alone; the relative entry, named once, is not named again.
    M().files["C:\\APP\\B.DLL"].inUse = false;
    M().calls.clear();
    M().answers = {IDYES};
    EXPECT_EQ(fake::RunUninst(kLog), kExitSuccess);
    EXPECT_EQ(CallsOf({"DeleteFileA C:\\APP\\"}), Strings{"DeleteFileA C:\\APP\\B.DLL"});
    EXPECT_EQ(LastBox().text, "Sample was removed successfully");
    EXPECT_FALSE(fake::FileExists("C:\\APP\\B.DLL"));
    EXPECT_FALSE(fake::FileExists(kLog));
}

TEST_F(Remover, TenThousandEntriesAreReadWholeAndReportedWithACount) {
    fake::WriteFile("C:\\APP\\FIRST.DLL", "first");
    Strings entries{"C:\\APP\\FIRST.DLL"};
    for (int i = 0; i < 10000; ++i) entries.push_back("REL\\F" + std::to_string(i) + ".DLL");
    WriteLog(Section("UninstFiles", entries));
    M().answers = {IDYES};

    EXPECT_EQ(fake::RunUninst(kLog), kExitSuccess);
    // The first logged entry is handled last, so the whole list was walked.
    EXPECT_FALSE(fake::FileExists("C:\\APP\\FIRST.DLL"));
    // Entries no run can carry out are named once and leave: the log has served.
    EXPECT_FALSE(fake::FileExists(kLog));
    EXPECT_NE(LastBox().text.find("REL\\F9999.DLL (left in place: not a file of this product to remove)\n"),
              std::string::npos);
    EXPECT_NE(LastBox().text.find("and 9992 more\n"), std::string::npos);
}

// --- Its own file ----------------------------------------------------------------------------

TEST_F(Remover, OwnFileIsLeftToATemporaryCopyThatFinishesTheProductDirectory) {
    M().moduleFileName = "C:\\APP\\UNINST.EXE";
    fake::WriteFile("C:\\APP\\UNINST.EXE", "remover");
    fake::WriteFile("C:\\APP\\VIEW.EXE", "program");
    WriteLog(Section("UninstFiles", {"C:\\APP\\VIEW.EXE", "C:\\APP\\UNINST.EXE"}));
    M().answers = {IDYES};

    EXPECT_EQ(fake::RunUninst(kLog), kExitSuccess);
    EXPECT_TRUE(fake::FileExists("C:\\APP\\UNINST.EXE"));
    EXPECT_FALSE(fake::FileExists("C:\\APP\\VIEW.EXE"));
    // The caller's wait ends with the log gone: only this file and its directory are
    // left to the copy.
    EXPECT_FALSE(fake::FileExists(kLog));
    ASSERT_EQ(M().started.size(), 1u);
    const fake::StartedProcess& copy = M().started[0];
    EXPECT_EQ(copy.application, "C:\\TEMP\\UNI1.TMP");
    EXPECT_EQ(*fake::ReadFile(copy.application), "remover");
    EXPECT_TRUE(copy.inheritsHandles);
    EXPECT_EQ(copy.command.rfind("\"C:\\TEMP\\UNI1.TMP\" /S /W ", 0), 0u) << copy.command;
    // Before the hand-over, what a restart must finish if the copy never runs is
    // staged (the own file, the product directory; the log and the plan were too, until
    // they were deleted); the copy goes then too.
    EXPECT_EQ(fake::DelayedMoves(), (std::vector<std::pair<std::string, std::string>>{
                                        {"C:\\APP\\UNINST.EXE", ""}, {"C:\\APP", ""}, {"C:\\TEMP\\UNI1.TMP", ""}}));
    EXPECT_EQ(LastBox().text, "Sample was removed successfully");

    // The copy's own run, once this process has ended; it inherited the handle.
    std::string tail = copy.command.substr(copy.command.find(' ') + 1);
    size_t number = tail.find("/W ") + 3;
    M().openHandles.insert(reinterpret_cast<HANDLE>(std::stoull(tail.substr(number))));
    M().moduleFileName = copy.application;
    M().boxes.clear();
    M().waits.clear();
    EXPECT_EQ(fake::RunUninst(tail.c_str()), kExitSuccess);
    EXPECT_EQ(M().waits, std::vector<DWORD>{120000});
    EXPECT_FALSE(fake::FileExists("C:\\APP\\UNINST.EXE"));
    EXPECT_FALSE(fake::DirectoryExists("C:\\APP"));
    EXPECT_FALSE(fake::FileExists(kLog));
    EXPECT_TRUE(M().boxes.empty());
    EXPECT_TRUE(M().openHandles.empty());
}

TEST_F(Remover, OwnFileStaysWhenSomethingElseMustBeRemovedLater) {
    M().moduleFileName = "C:\\APP\\UNINST.EXE";
    fake::WriteFile("C:\\APP\\UNINST.EXE", "remover");
    fake::WriteFile("C:\\APP\\BUSY.DLL", "held open");
    WriteLog(Section("UninstFiles", {"C:\\APP\\BUSY.DLL", "C:\\APP\\UNINST.EXE"}));
    // Cannot be deleted now nor staged for the restart: a later run must remove it.
    fake::FailAlways("DeleteFileA");
    fake::FailAlways("MoveFileExA");

    EXPECT_EQ(fake::RunUninst(std::string("/S ").append(kLog).c_str()), kExitFailed);
    EXPECT_TRUE(M().started.empty());
    EXPECT_TRUE(fake::FileExists("C:\\APP\\UNINST.EXE"));
    EXPECT_EQ(LogKeys("UninstFiles"), (Strings{"C:\\APP\\BUSY.DLL", "C:\\APP\\UNINST.EXE"}));
}

TEST_F(Remover, OwnFileIsStagedWhenNoCopyCanBeStarted) {
    M().moduleFileName = "C:\\APP\\UNINST.EXE";
    fake::WriteFile("C:\\APP\\UNINST.EXE", "remover");
    WriteLog(Section("UninstFiles", {"C:\\APP\\UNINST.EXE"}));
    fake::FailAlways("CreateProcessA");

    // Its own file goes at the next start: a restart is still to be made.
    EXPECT_EQ(fake::RunUninst(std::string("/S ").append(kLog).c_str()), kExitRestartRequired);
    auto moves = fake::DelayedMoves();
    EXPECT_NE(std::find(moves.begin(), moves.end(), std::make_pair(std::string("C:\\APP\\UNINST.EXE"), std::string())),
              moves.end());
    EXPECT_FALSE(fake::FileExists(kLog));
}

// --- Add/Remove Programs -----------------------------------------------------------------------

TEST_F(Remover, RegisterWritesTheEntryAndRemovalDeletesIt) {
    fake::WriteFile("C:\\APP\\VIEW.EXE", "program");
    WriteLog(Section("UninstFiles", {"C:\\APP\\VIEW.EXE"}));

    EXPECT_EQ(fake::RunUninst("/register SAMPLE.INI"), kExitSuccess);
    EXPECT_TRUE(M().boxes.empty());
    const auto& values = M().registry[kArpKey].values;
    EXPECT_EQ(values.at("DisplayName").second, std::string("Sample") + '\0');
    EXPECT_EQ(values.at("UninstallString").second,
              std::string("\"C:\\REMOVER\\UNINST.EXE\" \"C:\\WINDOWS\\SAMPLE.INI\"") + '\0');

    M().answers = {IDYES};
    EXPECT_EQ(fake::RunUninst(kLog), kExitSuccess);
    EXPECT_EQ(M().registry.count(kArpKey), 0u);
}

TEST_F(Remover, KeyNameCannotOpenASubkey) {
    WriteLog("", "Tools\\Sample");
    EXPECT_EQ(fake::RunUninst(std::string("/register ").append(kLog).c_str()), kExitSuccess);
    EXPECT_EQ(
        M().registry.count("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tools_Sample"),
        1u);
}

TEST_F(Remover, RegisterThatCannotWriteShowsABox) {
    WriteLog("");
    fake::FailAlways("RegCreateKeyExA");
    EXPECT_EQ(fake::RunUninst(std::string("/register ").append(kLog).c_str()), kExitFailed);
    ASSERT_EQ(M().boxes.size(), 1u);
    EXPECT_EQ(M().boxes[0].text, "The uninstall entry of Sample could not be written to the registry.");
}

// --- Bad input and exit codes ------------------------------------------------------------------

struct ExitRow {
    const char* why;
    std::string log;  // written to C:\WINDOWS\SAMPLE.INI when not empty
    std::string tail;
    int exitCode;
    std::string boxCaption;  // "" when no box is expected
    std::string boxText;
};

class ExitCodes : public Remover, public ::testing::WithParamInterface<ExitRow> {};

TEST_P(ExitCodes, BadInputRemovesNothing) {
    const ExitRow& row = GetParam();
    SCOPED_TRACE(row.why);
    fake::WriteFile("C:\\APP\\KEEP.DLL", "keep");
    if (!row.log.empty()) fake::WriteFile(kLog, row.log);
    EXPECT_EQ(fake::RunUninst(row.tail.c_str()), row.exitCode);
    EXPECT_TRUE(fake::FileExists("C:\\APP\\KEEP.DLL"));
    EXPECT_EQ(fake::CountCalls("DeleteFileA"), 0);
    if (row.boxCaption.empty()) {
        EXPECT_TRUE(M().boxes.empty());
        return;
    }
    ASSERT_EQ(M().boxes.size(), 1u);
    EXPECT_EQ(M().boxes[0].caption, row.boxCaption);
    EXPECT_EQ(M().boxes[0].text, row.boxText);
    EXPECT_EQ(M().boxes[0].style, static_cast<UINT>(MB_ICONHAND));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ExitCodes,
    ::testing::Values(
        ExitRow{"missing log", "", "C:\\NOWHERE\\X.INI", kExitCannotOpen, "Unable to open file", "C:\\NOWHERE\\X.INI"},
        ExitRow{"missing log, silent", "", "/S C:\\NOWHERE\\X.INI", kExitCannotOpen, "", ""},
        ExitRow{"a directory", "", "C:\\WINDOWS", kExitCannotOpen, "Unable to open file", "C:\\WINDOWS"},
        ExitRow{"relative with directories", "", "sub\\X.INI", kExitCannotOpen, "Unable to open file", "sub\\X.INI"},
        // Any other INI file, text or garbage: not a log.
        ExitRow{"unrelated INI", "[UninstFiles]\r\nC:\\APP\\KEEP.DLL=\r\n", kLog, kExitNotUninstallLog, "Uninstall",
                "C:\\WINDOWS\\SAMPLE.INI is not an uninstall log. Nothing was removed."},
        ExitRow{"empty product", "[UNINST]\r\nProduct=\r\n[UninstFiles]\r\nC:\\APP\\KEEP.DLL=\r\n", kLog,
                kExitNotUninstallLog, "Uninstall",
                "C:\\WINDOWS\\SAMPLE.INI is not an uninstall log. Nothing was removed."},
        ExitRow{"binary garbage",
                std::string("\x7f"
                            "ELF\x01\x02\0\0[UninstFiles]\nC:\\APP\\KEEP.DLL=\n",
                            40),
                kLog, kExitNotUninstallLog, "Uninstall",
                "C:\\WINDOWS\\SAMPLE.INI is not an uninstall log. Nothing was removed."},
        // The command line itself.
        ExitRow{"no log named", "", "/S", kExitBadCommandLine, "", ""},
        ExitRow{"no arguments", "", "", kExitBadCommandLine, "Uninstall",
                "Usage: UNINST [/S] LOGFILE\nor: UNINST /register LOGFILE"},
        ExitRow{"unknown option", "", "/X C:\\WINDOWS\\SAMPLE.INI", kExitBadCommandLine, "Uninstall",
                "Usage: UNINST [/S] LOGFILE\nor: UNINST /register LOGFILE"},
        ExitRow{"two logs", "", "A.INI B.INI", kExitBadCommandLine, "Uninstall",
                "Usage: UNINST [/S] LOGFILE\nor: UNINST /register LOGFILE"},
        ExitRow{"wait handle not a number", "", "/W x A.INI", kExitBadCommandLine, "Uninstall",
                "Usage: UNINST [/S] LOGFILE\nor: UNINST /register LOGFILE"}),
    [](const auto& info) { return "Row" + std::to_string(info.index); });

TEST_F(Remover, SilentRunShowsNothingAndAnswersWithItsExitCode) {
    fake::WriteFile("C:\\APP\\A.DLL", "a");
    fake::WriteFile("C:\\APP\\BUSY.DLL", "b");
    M().files["C:\\APP\\BUSY.DLL"].inUse = true;
    WriteLog(Section("UninstFiles", {"C:\\APP\\A.DLL", "C:\\APP\\BUSY.DLL"}));
    EXPECT_EQ(fake::RunUninst(std::string("/s \"").append(kLog).append("\"").c_str()), kExitRestartRequired);
    EXPECT_TRUE(M().boxes.empty());
    EXPECT_TRUE(M().createdDialogs.empty());
    // Staged, but no restart is offered or made.
    EXPECT_EQ(fake::DelayedMoves().size(), 1u);
    EXPECT_TRUE(M().exitWindowsFlags.empty());
}

}  // namespace
