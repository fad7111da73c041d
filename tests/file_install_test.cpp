// The AddFiles.WIN32 phase on the fake machine: what each result of the version
// service leads to, the older-source question, files in use staged for the next
// restart, the plug-in file of a host run, and how entries chain.
#include "actions/file_install.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "actions/plugin_hosts.h"
#include "fake/fake_machine.h"
#include "setup/setup_context.h"

namespace {

using fake::M;
using Strings = std::vector<std::string>;

constexpr char kLog[] = "C:\\UNINST.INI";
constexpr char kSource[] = "C:\\MEDIA\\LIB.DLL";
constexpr char kDestination[] = "C:\\APP\\LIB.DLL";
constexpr char kStaged[] = "C:\\APP\\LIB.DL~";
constexpr char kTemp[] = "C:\\APP\\VER1A2B.TMP";
constexpr char kOneFile[] = "[AddFiles.WIN32]\r\nLIB.DLL=\r\n[LIB.DLL]\r\nTargetDir=C:\\APP\r\n";
constexpr char kOlderQuestion[] =
    "The source file LIB.DLL is older than the destination file. \nDo you want to keep the existing file?";
constexpr UINT kQuestion = MB_YESNO | MB_ICONQUESTION;

class FileInstallation : public ::testing::Test {
protected:
    void SetUp() override { fake::Reset(); }

    // Start-up as the driver does it, with an uninstall log and the product "Widget".
    static void Start(const std::string& sections, DWORD platform = VER_PLATFORM_WIN32_NT) {
        fake::SetScript(std::string("[SETUP]\r\nProduct=Widget\r\nUninstFile=") + kLog + "\r\n" + sections);
        InitSetupContext("SETUP.INF");
        g_Setup.PlatformId = platform;
    }

    // The usual single file: a new LIB.DLL on the medium over an old one in C:\APP.
    static void StartOneFile(DWORD platform = VER_PLATFORM_WIN32_NT) {
        Start(kOneFile, platform);
        fake::WriteFile(kSource, "new", 2);
        fake::WriteFile(kDestination, "old", 1);
    }

    static void Script(DWORD bits, const std::string& tempName = "VER1A2B.TMP") {
        fake::VerInstallOutcome outcome;
        outcome.bits = bits;
        outcome.tempName = tempName;
        M().verInstallScript.push_back(outcome);
    }

    static Strings BoxTexts() {
        Strings texts;
        for (const auto& box : M().boxes) texts.push_back(box.text);
        return texts;
    }

    static Strings LogKeys() {
        Strings keys;
        std::vector<char> buffer(8192, '\0');
        GetPrivateProfileStringA("UninstFiles", nullptr, "", buffer.data(), static_cast<DWORD>(buffer.size()), kLog);
        for (const char* name = buffer.data(); *name != '\0'; name += std::char_traits<char>::length(name) + 1)
            keys.emplace_back(name);
        return keys;
    }

    static std::string Wininit(const std::string& key) {
        char value[300] = "";
        GetPrivateProfileStringA("rename", key.c_str(), "(none)", value, sizeof value, "wininit.ini");
        return value;
    }

    // Position of the first seam call that starts with `text`, or -1.
    static int CallIndex(const std::string& text) {
        for (size_t i = 0; i < M().calls.size(); ++i)
            if (M().calls[i].compare(0, text.size(), text) == 0) return static_cast<int>(i);
        return -1;
    }

    static void ExpectCopyErrorThenFileCopyFailed(const std::string& copyError, const std::string& targetFile) {
        ASSERT_EQ(M().boxes.size(), 2u) << ::testing::PrintToString(BoxTexts());
        EXPECT_EQ(M().boxes[0].text, copyError);
        EXPECT_EQ(M().boxes[0].caption, "Setup Copy Error");
        EXPECT_EQ(M().boxes[0].style, static_cast<UINT>(MB_OK));
        EXPECT_EQ(M().boxes[0].owner, nullptr);
        EXPECT_EQ(M().boxes[1].text, targetFile);
        EXPECT_EQ(M().boxes[1].caption, "File Copy Failed");
        EXPECT_EQ(M().boxes[1].style, static_cast<UINT>(MB_OK));
        EXPECT_EQ(M().boxes[1].owner, nullptr);
    }
};

// --- Result bits -------------------------------------------------------------------

enum class Staging { Works, CopyFails, RegistrationFails };

struct BitRow {
    DWORD bits;
    Staging staging;
    const char* copyError;  // nullptr: the file counts as installed
    bool staged;
};

constexpr Staging kWorks = Staging::Works;
constexpr Staging kCopyFails = Staging::CopyFails;
constexpr Staging kRegistrationFails = Staging::RegistrationFails;

// Every bit of the version service, alone and in the combinations that decide.
constexpr BitRow kBitRows[] = {
    {0x0, kWorks, nullptr, false},
    {0x1, kWorks, nullptr, false},
    {0x2, kWorks, "Copy Error (2) ", false},
    {0x4, kWorks, "Copy Error (4) ", false},
    {0x8, kWorks, "Copy Error (8) Different language. ", false},
    {0x10, kWorks, "Copy Error (10) Different code page. ", false},
    {0x20, kWorks, "Copy Error (20) Different type. ", false},
    {0x40, kWorks, "Copy Error (40) Disk write protected. ", false},
    {0x80, kWorks, nullptr, true},
    {0x100, kWorks, "Copy Error (100) Out of disk space. ", false},
    {0x200, kWorks, nullptr, true},
    {0x400, kWorks, nullptr, true},
    {0x800, kWorks, "Copy Error (800) Cannot create file. ", false},
    {0x1000, kWorks, "Copy Error (1000) Cannot delete file. ", false},
    {0x2000, kWorks, "Copy Error (2000) Cannot rename file. ", false},
    {0x4000, kWorks, "Copy Error (4000) Cannot delete current file. ", false},
    {0x8000, kWorks, "Copy Error (8000) Out of memory. ", false},
    {0x10000, kWorks, "Copy Error (10000) Cannot read source. ", false},
    {0x20000, kWorks, "Copy Error (20000) Cannot read destination. ", false},
    {0x40000, kWorks, "Copy Error (40000) Buffer too small. ", false},
    {0x80000, kWorks, "Copy Error (80000) ", false},
    {0x100000, kWorks, "Copy Error (100000) ", false},
    // Reason test order: the last set bit in the catalogue's order is named.
    {0x108, kWorks, "Copy Error (108) Different language. ", false},
    {0x20040, kWorks, "Copy Error (20040) Disk write protected. ", false},
    {0x9, kWorks, "Copy Error (8) Different language. ", false},
    // In use: staging settles the in-use bits and the old file's delete/rename trouble.
    {0x1400, kWorks, nullptr, true},
    {0x2080, kWorks, nullptr, true},
    {0x3680, kWorks, nullptr, true},
    {0x3681, kWorks, nullptr, true},
    {0x36c0, kWorks, "Copy Error (40) Disk write protected. ", true},
    {0x1c80, kWorks, "Copy Error (800) Cannot create file. ", true},
    // The new file cannot be placed beside the old one: the in-use bits stay for the report.
    {0x80, kCopyFails, "Copy Error (80) ", false},
    {0x200, kCopyFails, "Copy Error (200) Access violation. ", false},
    {0x400, kCopyFails, "Copy Error (400) ", false},
    {0x1400, kCopyFails, "Copy Error (1400) Cannot delete file. ", false},
    {0x3681, kCopyFails, "Copy Error (3680) Access violation. ", false},
    // The move cannot be registered (on NT only administrators may): the old file
    // would stay for good, so the entry is not staged and its staged copy is removed.
    {0x80, kRegistrationFails, "Copy Error (80) ", false},
    {0x1400, kRegistrationFails, "Copy Error (1400) Cannot delete file. ", false},
    {0x3681, kRegistrationFails, "Copy Error (3680) Access violation. ", false},
};

TEST_F(FileInstallation, EveryResultBitLeadsToItsOutcome) {
    for (const BitRow& row : kBitRows) {
        SCOPED_TRACE(::testing::Message()
                     << "bits 0x" << std::hex << row.bits << " staging " << static_cast<int>(row.staging));
        fake::Reset();
        StartOneFile();
        Script(row.bits);
        if (row.staging == Staging::CopyFails) {
            fake::FailAlways("CopyFileA");         // from the temporary copy
            fake::FailCall("VerInstallFileA", 2);  // from the source, expanded
        }
        if (row.staging == Staging::RegistrationFails) fake::FailAlways("MoveFileExA");

        int result = RunFilePhase("AddFiles.WIN32", nullptr);

        if (row.copyError == nullptr) {
            EXPECT_EQ(result, 1);
            EXPECT_TRUE(M().boxes.empty()) << ::testing::PrintToString(BoxTexts());
            EXPECT_EQ(LogKeys(), Strings{kDestination});
        } else {
            EXPECT_EQ(result, 0);
            ExpectCopyErrorThenFileCopyFailed(row.copyError, "LIB.DLL");
            EXPECT_TRUE(LogKeys().empty());
        }
        EXPECT_EQ(g_Setup.RestartNeeded, row.staged ? 1 : 0);
        using Move = std::pair<std::string, std::string>;
        if (row.staged) {
            EXPECT_EQ(fake::DelayedMoves(), (std::vector<Move>{{kStaged, kDestination}}));
            EXPECT_EQ(fake::ReadFile(kStaged), std::optional<std::string>("new"));
        } else {
            EXPECT_TRUE(fake::DelayedMoves().empty());
            EXPECT_FALSE(fake::FileExists(kStaged));
        }
        // The temporary copy never outlives the entry.
        EXPECT_FALSE(fake::FileExists(kTemp));
        int deletions = ((row.bits & VIF_TEMPFILE) ? 1 : 0) + (row.staging == Staging::RegistrationFails ? 1 : 0);
        EXPECT_EQ(fake::CountCalls("DeleteFileA"), deletions);
        // The file present is only ever replaced by the version service itself.
        EXPECT_EQ(fake::ReadFile(kDestination), std::optional<std::string>("old"));
        // No question without both older-source bits.
        EXPECT_EQ(M().unansweredQuestions, 0);
    }
}

TEST_F(FileInstallation, FreshFileIsInstalledAndLogged) {
    Start(kOneFile);
    fake::WriteFile(kSource, "new", 2);
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
    EXPECT_EQ(fake::ReadFile(kDestination), std::optional<std::string>("new"));
    EXPECT_EQ(LogKeys(), Strings{kDestination});
    EXPECT_TRUE(M().boxes.empty());
    ASSERT_EQ(M().verInstallCalls.size(), 1u);
    const fake::VerInstallCall& call = M().verInstallCalls[0];
    EXPECT_EQ(call.flags, static_cast<DWORD>(VIFF_DONTDELETEOLD));
    EXPECT_EQ(call.srcFile, "LIB.DLL");
    EXPECT_EQ(call.destFile, "LIB.DLL");
    EXPECT_EQ(call.srcDir, "C:\\MEDIA\\");
    EXPECT_EQ(call.destDir, "C:\\APP");
    EXPECT_EQ(M().verFindFileCalls, Strings{"LIB.DLL"});
    EXPECT_GE(CallIndex("CreateDirectoryA C:\\APP"), 0);
    EXPECT_LT(CallIndex("CreateDirectoryA"), CallIndex("VerFindFileA"));
    EXPECT_LT(CallIndex("VerFindFileA"), CallIndex("VerInstallFileA"));
}

TEST_F(FileInstallation, SourceAndTargetNamesComeFromTheSection) {
    Start(
        "[AddFiles.WIN32]\r\nviewer=\r\n[viewer]\r\nSourceFilename=VIEWER.EX_\r\n"
        "TargetFilename=VIEWER.EXE\r\nTargetDir=C:\\APP\\\r\n");
    fake::WriteFile("C:\\MEDIA\\VIEWER.EX_", "program");
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
    EXPECT_EQ(fake::ReadFile("C:\\APP\\VIEWER.EXE"), std::optional<std::string>("program"));
    EXPECT_STREQ(g_Setup.SRCFILE.c_str(), "VIEWER.EX_");
    EXPECT_STREQ(g_Setup.TARGETFILE.c_str(), "VIEWER.EXE");
    // A directory that ends in a backslash gets no second one.
    EXPECT_EQ(LogKeys(), Strings{"C:\\APP\\VIEWER.EXE"});
}

TEST_F(FileInstallation, NoLogLineAfterAnErrorButEarlierFilesStayLogged) {
    Start("[AddFiles.WIN32]\r\nA.DLL=\r\nB.DLL=\r\nC.DLL=\r\n[A.DLL]\r\nTargetDir=C:\\APP\r\n");
    fake::WriteFile("C:\\MEDIA\\A.DLL", "a");
    fake::WriteFile("C:\\MEDIA\\C.DLL", "c");  // B.DLL is missing
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 0);
    EXPECT_EQ(LogKeys(), Strings{"C:\\APP\\A.DLL"});
    ExpectCopyErrorThenFileCopyFailed("Copy Error (10000) Cannot read source. ", "B.DLL");
    // A required failure ends the phase: C.DLL is never tried.
    EXPECT_EQ(M().verInstallCalls.size(), 2u);
    EXPECT_FALSE(fake::FileExists("C:\\APP\\C.DLL"));
    EXPECT_TRUE(fake::FileExists("C:\\APP\\A.DLL"));
}

TEST_F(FileInstallation, TargetDirTwoLevelsBelowAnExistingDirectoryFails) {
    Start("[AddFiles.WIN32]\r\nLIB.DLL=\r\n[LIB.DLL]\r\nTargetDir=C:\\NEW\\DEEP\r\n");
    fake::WriteFile(kSource, "new");
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 0);
    EXPECT_EQ(fake::CountCalls("CreateDirectoryA"), 1);  // only the last level is attempted
    EXPECT_FALSE(fake::DirectoryExists("C:\\NEW"));
    ExpectCopyErrorThenFileCopyFailed("Copy Error (800) Cannot create file. ", "LIB.DLL");
}

// CreateDirectoryA is a round trip to the file system for each call: each target
// directory is given to it once in a run, however its entries are ordered.
TEST_F(FileInstallation, EachTargetDirectoryIsCreatedOnceInARun) {
    struct Row {
        const char* why;
        Strings entryDirs;     // TargetDir of each entry, in order
        Strings createdCalls;  // the directories given to CreateDirectoryA, in order
    };
    Strings many, manyCalls;
    for (unsigned i = 0; i <= kTriedDirCount; ++i) many.push_back("C:\\D" + std::to_string(i));
    manyCalls = many;
    many.push_back("C:\\D0");
    manyCalls.push_back("C:\\D0");
    const Row rows[] = {
        {"runs of one directory: once for each run", {"C:\\A", "C:\\A", "C:\\B", "C:\\B"}, {"C:\\A", "C:\\B"}},
        {"a directory that comes back is not tried again", {"C:\\A", "C:\\B", "C:\\A", "C:\\B"}, {"C:\\A", "C:\\B"}},
        {"the same directory in another case", {"C:\\APP", "c:\\app"}, {"C:\\APP"}},
        {"more directories than are remembered: the oldest is tried again", many, manyCalls},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        fake::Reset();
        std::string list = "[AddFiles.WIN32]\r\n", sections;
        for (size_t i = 0; i < row.entryDirs.size(); ++i) {
            std::string name = "F" + std::to_string(i) + ".DAT";
            list += name + "=\r\n";
            sections += "[" + name + "]\r\nTargetDir=" + row.entryDirs[i] + "\r\n";
            fake::WriteFile("C:\\MEDIA\\" + name, "data");
        }
        Start(list + sections);
        EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
        Strings calls;
        for (const std::string& call : fake::CallsStartingWith("CreateDirectoryA "))
            calls.push_back(call.substr(sizeof "CreateDirectoryA " - 1));
        EXPECT_EQ(calls, row.createdCalls);
        EXPECT_EQ(M().verInstallCalls.size(), row.entryDirs.size());
    }
}

TEST_F(FileInstallation, ReadOnlyDestinationIsReportedWriteProtected) {
    StartOneFile();
    M().files[kDestination].readOnly = true;
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 0);
    ExpectCopyErrorThenFileCopyFailed("Copy Error (40) Disk write protected. ", "LIB.DLL");
    EXPECT_EQ(fake::ReadFile(kDestination), std::optional<std::string>("old"));
}

TEST_F(FileInstallation, FileNameContainingPercentIsShownUnformatted) {
    Start("[AddFiles.WIN32]\r\n%s.DLL=\r\n[%s.DLL]\r\nTargetDir=C:\\APP\r\n");
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 0);
    ExpectCopyErrorThenFileCopyFailed("Copy Error (10000) Cannot read source. ", "%s.DLL");
}

// --- The older-source question ------------------------------------------------------

TEST_F(FileInstallation, OlderSourceKeptOnYesDeletesTheTemporaryCopyAndLogs) {
    StartOneFile();
    M().files[kSource].version = 1;
    M().files[kDestination].version = 2;
    M().answers.push_back(IDYES);
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
    ASSERT_EQ(M().boxes.size(), 1u);
    EXPECT_EQ(M().boxes[0].text, kOlderQuestion);
    EXPECT_EQ(M().boxes[0].caption, "Widget");
    EXPECT_EQ(M().boxes[0].style, kQuestion);
    EXPECT_EQ(M().boxes[0].owner, nullptr);
    EXPECT_EQ(fake::ReadFile(kDestination), std::optional<std::string>("old"));
    ASSERT_EQ(M().verInstallCalls.size(), 1u);
    ASSERT_FALSE(M().verInstallCalls[0].tempName.empty());
    EXPECT_FALSE(fake::FileExists("C:\\APP\\" + M().verInstallCalls[0].tempName));
    EXPECT_EQ(LogKeys(), Strings{kDestination});
}

TEST_F(FileInstallation, OlderSourceAnsweredNoIsInstalledByForceFromTheTemporaryCopy) {
    StartOneFile();
    M().files[kSource].version = 1;
    M().files[kDestination].version = 2;
    M().answers.push_back(IDNO);
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
    EXPECT_EQ(BoxTexts(), Strings{kOlderQuestion});
    ASSERT_EQ(M().verInstallCalls.size(), 2u);
    const fake::VerInstallCall& forced = M().verInstallCalls[1];
    EXPECT_EQ(forced.flags, static_cast<DWORD>(VIFF_FORCEINSTALL));
    EXPECT_EQ(forced.srcFile, M().verInstallCalls[0].tempName);
    EXPECT_EQ(forced.srcDir, "C:\\APP");
    EXPECT_EQ(forced.destFile, "LIB.DLL");
    EXPECT_EQ(forced.destDir, "C:\\APP");
    EXPECT_EQ(forced.curDir, M().verInstallCalls[0].curDir);
    EXPECT_EQ(fake::ReadFile(kDestination), std::optional<std::string>("new"));
    EXPECT_FALSE(fake::FileExists("C:\\APP\\" + M().verInstallCalls[0].tempName));
    EXPECT_EQ(LogKeys(), Strings{kDestination});
}

TEST_F(FileInstallation, OlderSourceAnsweredYesStillReportsOtherBits) {
    StartOneFile();
    Script(0x1 | 0x2 | 0x4 | 0x8);
    M().answers.push_back(IDYES);
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 0);
    ASSERT_EQ(M().boxes.size(), 3u);
    EXPECT_EQ(M().boxes[0].text, kOlderQuestion);
    EXPECT_EQ(M().boxes[1].text, "Copy Error (8) Different language. ");
    EXPECT_EQ(M().boxes[2].text, "LIB.DLL");
    EXPECT_EQ(M().boxes[2].caption, "File Copy Failed");
    EXPECT_FALSE(fake::FileExists(kTemp));
    EXPECT_TRUE(LogKeys().empty());
}

TEST_F(FileInstallation, FailedQuestionBoxKeepsTheFilePresent) {
    StartOneFile();
    Script(0x7);
    // No answer left: the box returns 0, which is not IDNO.
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
    EXPECT_EQ(M().unansweredQuestions, 1);
    EXPECT_EQ(M().verInstallCalls.size(), 1u);
    EXPECT_EQ(fake::ReadFile(kDestination), std::optional<std::string>("old"));
}

TEST_F(FileInstallation, ForcedInstallResultReplacesTheFirstBitsEntirely) {
    struct Row {
        DWORD first, forced;
        const char* copyError;  // nullptr: installed
    };
    const Row rows[] = {
        // Write-protected, different type and language of the first call are forgotten.
        {0x1 | 0x2 | 0x4 | 0x40 | 0x20 | 0x8, 0x0, nullptr},
        {0x1 | 0x2 | 0x4 | 0x40, 0x20000, "Copy Error (20000) Cannot read destination. "},
        {0x1 | 0x2 | 0x4, 0x800, "Copy Error (800) Cannot create file. "},
        // The question is asked once: older bits of the forced call are reported.
        {0x1 | 0x2 | 0x4, 0x1 | 0x2 | 0x4, "Copy Error (6) "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << std::hex << "first 0x" << row.first << ", forced 0x" << row.forced);
        fake::Reset();
        StartOneFile();
        Script(row.first, "VER1.TMP");
        Script(row.forced, "VER2.TMP");
        M().answers.push_back(IDNO);
        int result = RunFilePhase("AddFiles.WIN32", nullptr);
        EXPECT_EQ(M().verInstallCalls.size(), 2u);
        EXPECT_EQ(M().boxes[0].text, kOlderQuestion);
        EXPECT_EQ(M().unansweredQuestions, 0);
        if (row.copyError == nullptr) {
            EXPECT_EQ(result, 1);
            EXPECT_EQ(BoxTexts(), Strings{kOlderQuestion});
            EXPECT_EQ(LogKeys(), Strings{kDestination});
        } else {
            EXPECT_EQ(result, 0);
            EXPECT_EQ(BoxTexts(), (Strings{kOlderQuestion, row.copyError, "LIB.DLL"}));
            EXPECT_TRUE(LogKeys().empty());
        }
        EXPECT_FALSE(fake::FileExists("C:\\APP\\VER1.TMP"));
        EXPECT_FALSE(fake::FileExists("C:\\APP\\VER2.TMP"));
    }
}

TEST_F(FileInstallation, ForcedInstallOfAFileInUseIsStaged) {
    StartOneFile();
    Script(0x7);
    Script(VIF_SHARINGVIOLATION | VIF_CANNOTDELETE);
    M().answers.push_back(IDNO);
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
    EXPECT_EQ(g_Setup.RestartNeeded, 1);
    // No temporary copy is left by the forced call: the version service installs the
    // source under the staged name.
    ASSERT_EQ(M().verInstallCalls.size(), 3u);
    const fake::VerInstallCall& staging = M().verInstallCalls[2];
    EXPECT_EQ(staging.flags, static_cast<DWORD>(VIFF_FORCEINSTALL | VIFF_DONTDELETEOLD));
    EXPECT_EQ(staging.srcFile, "LIB.DLL");
    EXPECT_EQ(staging.srcDir, "C:\\MEDIA\\");
    EXPECT_EQ(staging.destFile, "LIB.DL~");
    EXPECT_EQ(staging.destDir, "C:\\APP");
    EXPECT_EQ(staging.curDir, "");
    EXPECT_EQ(fake::CountCalls("CopyFileA"), 0);
    EXPECT_EQ(fake::ReadFile(kStaged), std::optional<std::string>("new"));
    EXPECT_FALSE(fake::FileExists(kTemp));
}

// Wine gives the temporary name with a leading backslash ("\verdb41.tmp").
TEST_F(FileInstallation, TemporaryNameWithLeadingBackslashIsDeleted) {
    StartOneFile();
    Script(0x7, "\\verdb41.tmp");
    M().answers.push_back(IDYES);
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
    EXPECT_GE(CallIndex("DeleteFileA C:\\APP\\\\verdb41.tmp"), 0);
    EXPECT_FALSE(fake::FileExists("C:\\APP\\verdb41.tmp"));
}

TEST_F(FileInstallation, TemporaryNameWithLeadingBackslashIsInstalledByForceAndNotLeftBehind) {
    StartOneFile();
    Script(0x7, "\\verdb41.tmp");
    Script(0x0);  // as Wine: installed, and the copy it was given is left where it was
    M().answers.push_back(IDNO);
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
    ASSERT_EQ(M().verInstallCalls.size(), 2u);
    EXPECT_EQ(M().verInstallCalls[1].srcFile, "\\verdb41.tmp");
    EXPECT_EQ(M().verInstallCalls[1].srcDir, "C:\\APP");
    EXPECT_FALSE(fake::FileExists("C:\\APP\\verdb41.tmp"));
    EXPECT_EQ(LogKeys(), Strings{kDestination});
}

// --- Files in use --------------------------------------------------------------------

TEST_F(FileInstallation, InUseOnNtIsStagedAsDelayedMove) {
    StartOneFile();
    M().files[kDestination].inUse = true;  // the service answers 0x1400, as Wine does
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
    EXPECT_TRUE(M().boxes.empty());
    EXPECT_EQ(g_Setup.RestartNeeded, 1);
    EXPECT_EQ(fake::ReadFile(kStaged), std::optional<std::string>("new"));
    EXPECT_EQ(fake::ReadFile(kDestination), std::optional<std::string>("old"));
    EXPECT_EQ(fake::CallsStartingWith("MoveFileExA"),
              Strings{std::string("MoveFileExA ") + kStaged + " " + kDestination + " 5"});
    EXPECT_EQ(fake::CountCalls("WritePrivateProfileStringA rename"), 0);
    EXPECT_FALSE(fake::FileExists("C:\\WINDOWS\\wininit.ini"));
    EXPECT_EQ(LogKeys(), Strings{kDestination});
}

TEST_F(FileInstallation, InUseOnWindows95IsStagedInWininitWithShortNames) {
    Start("[AddFiles.WIN32]\r\nlibrary.dll=\r\n[library.dll]\r\nTargetDir=C:\\Program Files\\Widget Library\r\n",
          VER_PLATFORM_WIN32_WINDOWS);
    fake::WriteFile("C:\\MEDIA\\library.dll", "new");
    fake::WriteFile("C:\\Program Files\\Widget Library\\library.dll", "old");
    M().files["C:\\Program Files\\Widget Library\\library.dll"].inUse = true;
    M().shortNames["C:\\Program Files"] = "C:\\PROGRA~1";
    M().shortNames["C:\\Program Files\\Widget Library"] = "C:\\PROGRA~1\\WIDGET~1";
    M().shortNames["C:\\Program Files\\Widget Library\\library.dll"] = "C:\\PROGRA~1\\WIDGET~1\\LIBRARY.DLL";
    M().shortNames["C:\\Program Files\\Widget Library\\library.dl~"] = "C:\\PROGRA~1\\WIDGET~1\\LIBRAR~1.DL~";

    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
    EXPECT_EQ(g_Setup.RestartNeeded, 1);
    EXPECT_TRUE(fake::DelayedMoves().empty());
    EXPECT_EQ(fake::CountCalls("MoveFileExA"), 0);
    EXPECT_EQ(fake::ReadFile("C:\\Program Files\\Widget Library\\library.dl~"), std::optional<std::string>("new"));
    EXPECT_EQ(Wininit("C:\\PROGRA~1\\WIDGET~1\\LIBRARY.DLL"), "C:\\PROGRA~1\\WIDGET~1\\LIBRAR~1.DL~");
    auto text = fake::ReadFile("C:\\WINDOWS\\wininit.ini");
    ASSERT_TRUE(text.has_value());
    EXPECT_NE(text->find("[rename]"), std::string::npos);
    EXPECT_EQ(text->find("Program Files"), std::string::npos) << *text;
    // The uninstall log keeps the long name.
    EXPECT_EQ(LogKeys(), Strings{"C:\\Program Files\\Widget Library\\library.dll"});
}

TEST_F(FileInstallation, WininitKeepsTheLongFormWhereNoShortOneIsGiven) {
    StartOneFile(VER_PLATFORM_WIN32_WINDOWS);
    Script(VIF_FILEINUSE);
    fake::FailAlways("GetShortPathNameA");
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
    EXPECT_EQ(Wininit(kDestination), kStaged);
    EXPECT_EQ(fake::CountCalls("GetShortPathNameA"), 2);
}

TEST_F(FileInstallation, EveryPlatformButNtStagesInWininit) {
    for (DWORD platform : {static_cast<DWORD>(VER_PLATFORM_WIN32s), static_cast<DWORD>(VER_PLATFORM_WIN32_WINDOWS),
                           static_cast<DWORD>(7)}) {
        SCOPED_TRACE(platform);
        fake::Reset();
        StartOneFile(platform);
        Script(VIF_ACCESSVIOLATION);
        EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
        EXPECT_EQ(Wininit(kDestination), kStaged);
        EXPECT_TRUE(fake::DelayedMoves().empty());
    }
}

TEST_F(FileInstallation, FailedRegistrationOfTheMoveIsNotStaged) {
    for (DWORD platform : {static_cast<DWORD>(VER_PLATFORM_WIN32_NT), static_cast<DWORD>(VER_PLATFORM_WIN32_WINDOWS)}) {
        SCOPED_TRACE(platform);
        fake::Reset();
        StartOneFile(platform);
        Script(VIF_FILEINUSE);
        fake::FailAlways("MoveFileExA");
        if (platform != VER_PLATFORM_WIN32_NT) fake::FailCall("WritePrivateProfileStringA");  // the wininit.ini entry
        EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 0);
        ExpectCopyErrorThenFileCopyFailed("Copy Error (80) ", "LIB.DLL");
        EXPECT_EQ(g_Setup.RestartNeeded, 0);
        EXPECT_FALSE(fake::FileExists(kStaged));
        EXPECT_EQ(Wininit(kDestination), "(none)");
        EXPECT_TRUE(LogKeys().empty());
        EXPECT_EQ(fake::ReadFile(kDestination), std::optional<std::string>("old"));
    }
}

TEST_F(FileInstallation, StagingCopiesBeforeTheTemporaryCopyIsDeleted) {
    StartOneFile();
    Script(VIF_TEMPFILE | VIF_FILEINUSE);
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
    int copy = CallIndex("CopyFileA");
    int move = CallIndex("MoveFileExA");
    int remove = CallIndex("DeleteFileA");
    EXPECT_GE(copy, 0);
    EXPECT_LT(copy, move);
    EXPECT_LT(move, remove);
    EXPECT_EQ(M().calls[remove], std::string("DeleteFileA ") + kTemp);
    EXPECT_FALSE(fake::FileExists(kTemp));
}

TEST_F(FileInstallation, FailedStagingCopySetsNoRestartAndRegistersNothing) {
    StartOneFile(VER_PLATFORM_WIN32_WINDOWS);
    Script(VIF_TEMPFILE | VIF_FILEINUSE);
    fake::FailAlways("CopyFileA");
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 0);
    EXPECT_EQ(g_Setup.RestartNeeded, 0);
    EXPECT_EQ(Wininit(kDestination), "(none)");
    EXPECT_FALSE(fake::FileExists(kTemp));  // deleted also when the file is reported
    ExpectCopyErrorThenFileCopyFailed("Copy Error (80) ", "LIB.DLL");
}

// --- Compressed sources --------------------------------------------------------------

// LIB.DL_ on the medium is compressed; the version service installs it expanded. The
// staged file must hold the expanded file too, or the restart puts the compressed
// image in place.
TEST_F(FileInstallation, CompressedSourceInUseIsStagedExpanded) {
    struct Row {
        const char* why;
        DWORD bits;              // scripted answer of the service; 0: the fake's own (held file, 0x1400)
        const char* tempName;    // the temporary copy it reports
        const char* stagedFrom;  // the CopyFileA source, "" when the service expands under the staged name
    };
    const Row rows[] = {
        {"held destination, no temporary copy (Wine): the service expands into the staged name", 0, "", ""},
        {"in use with a temporary copy (Windows): that copy is already expanded", VIF_TEMPFILE | VIF_FILEINUSE,
         "VER1A2B.TMP", "C:\\APP\\VER1A2B.TMP"},
        {"the same with Wine's leading backslash in the temporary name", VIF_TEMPFILE | VIF_SHARINGVIOLATION,
         "\\verdb41.tmp", "C:\\APP\\\\verdb41.tmp"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        fake::Reset();
        Start("[AddFiles.WIN32]\r\nLIB.DLL=\r\n[LIB.DLL]\r\nSourceFilename=LIB.DL_\r\nTargetDir=C:\\APP\r\n");
        fake::WriteFile("C:\\MEDIA\\LIB.DL_", "SZDD compressed");
        M().expandedContent["C:\\MEDIA\\LIB.DL_"] = "expanded";
        fake::WriteFile(kDestination, "old");
        M().files[kDestination].inUse = true;
        if (row.bits != 0) Script(row.bits, row.tempName);

        EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
        EXPECT_TRUE(M().boxes.empty()) << ::testing::PrintToString(BoxTexts());
        EXPECT_EQ(fake::ReadFile(kStaged), std::optional<std::string>("expanded"));
        EXPECT_EQ(fake::DelayedMoves(), (std::vector<std::pair<std::string, std::string>>{{kStaged, kDestination}}));
        if (*row.stagedFrom == '\0') {
            EXPECT_EQ(fake::CountCalls("CopyFileA"), 0);
            ASSERT_EQ(M().verInstallCalls.size(), 2u);
            EXPECT_EQ(M().verInstallCalls[1].srcFile, "LIB.DL_");
            EXPECT_EQ(M().verInstallCalls[1].destFile, "LIB.DL~");
        } else {
            EXPECT_EQ(fake::CallsStartingWith("CopyFileA"),
                      Strings{std::string("CopyFileA ") + row.stagedFrom + " " + kStaged});
            EXPECT_EQ(M().verInstallCalls.size(), 1u);
        }
        // No temporary copy is left, neither the service's first one nor one of its own.
        for (const auto& [path, data] : M().files)
            EXPECT_TRUE(path.rfind("C:\\APP\\", 0) != 0 || path == kDestination || path == kStaged) << path;
    }
}

// --- Staged names that collide ------------------------------------------------------------

struct CollisionRow {
    const char* why;
    DWORD platform;
    Strings targets;     // one entry each, all into C:\APP, every destination in use
    Strings lyingThere;  // files already in C:\APP before the run
    Strings staged;      // the staged name expected for each entry
};

const CollisionRow kCollisionRows[] = {
    {"LIB.DLL and LIB.DLX share the tilde name: the second takes another, still 8.3",
     VER_PLATFORM_WIN32_NT,
     {"LIB.DLL", "LIB.DLX"},
     {},
     {"LIB.DL~", "LIB.~01"}},
    {"the same on Windows 95, where wininit.ini needs 8.3 names",
     VER_PLATFORM_WIN32_WINDOWS,
     {"LIB.DLL", "LIB.DLX"},
     {},
     {"LIB.DL~", "LIB.~01"}},
    {"a file lying under the next name may be an earlier run's pending copy: it is passed over",
     VER_PLATFORM_WIN32_NT,
     {"LIB.DLL", "LIB.DLX"},
     {"LIB.~01"},
     {"LIB.DL~", "LIB.~02"}},
    {"the tilde name left by an earlier run for the same destination is written over",
     VER_PLATFORM_WIN32_NT,
     {"LIB.DLL"},
     {"LIB.DL~"},
     {"LIB.DL~"}},
    {"names without an extension are given one",
     VER_PLATFORM_WIN32_NT,
     {"README", "READMF"},
     {},
     {"READM~", "READMF.~01"}},
    {"three destinations: each its own name",
     VER_PLATFORM_WIN32_NT,
     {"LIB.DLL", "LIB.DLX", "LIB.DLY"},
     {},
     {"LIB.DL~", "LIB.~01", "LIB.~02"}},
    {"the same destination twice keeps its name and its one registered move; the later file wins",
     VER_PLATFORM_WIN32_NT,
     {"LIB.DLL", "LIB.DLL"},
     {},
     {"LIB.DL~", "LIB.DL~"}},
};

TEST_F(FileInstallation, CollidingStagedNamesGiveEachDestinationItsOwn) {
    for (const CollisionRow& row : kCollisionRows) {
        SCOPED_TRACE(row.why);
        fake::Reset();
        std::string list = "[AddFiles.WIN32]\r\n", sections;
        for (size_t i = 0; i < row.targets.size(); ++i) {
            std::string entry = "E" + std::to_string(i);
            list += entry + "=\r\n";
            sections += "[" + entry + "]\r\nSourceFilename=SRC" + std::to_string(i) +
                        "\r\nTargetFilename=" + row.targets[i] + "\r\nTargetDir=C:\\APP\r\n";
            fake::WriteFile("C:\\MEDIA\\SRC" + std::to_string(i), "new" + std::to_string(i));
            fake::WriteFile("C:\\APP\\" + row.targets[i], "old");
            M().files["C:\\APP\\" + row.targets[i]].inUse = true;
        }
        for (const std::string& name : row.lyingThere) fake::WriteFile("C:\\APP\\" + name, "earlier");
        Start(list + sections, row.platform);

        EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
        EXPECT_TRUE(M().boxes.empty()) << ::testing::PrintToString(BoxTexts());
        EXPECT_EQ(g_Setup.RestartNeeded, 1);

        using Move = std::pair<std::string, std::string>;
        std::vector<Move> moves;
        std::map<std::string, std::string> lastContent;
        for (size_t i = 0; i < row.targets.size(); ++i) {
            Move move{"C:\\APP\\" + row.staged[i], "C:\\APP\\" + row.targets[i]};
            if (std::find(moves.begin(), moves.end(), move) == moves.end()) moves.push_back(move);
            lastContent[move.first] = "new" + std::to_string(i);
        }
        for (const auto& [staged, content] : lastContent)
            EXPECT_EQ(fake::ReadFile(staged), std::optional<std::string>(content)) << staged;
        if (row.platform == VER_PLATFORM_WIN32_NT) {
            EXPECT_EQ(fake::DelayedMoves(), moves);
        } else {
            EXPECT_TRUE(fake::DelayedMoves().empty());
            for (const Move& move : moves) EXPECT_EQ(Wininit(move.second), move.first);
        }
        for (const std::string& name : row.lyingThere) {
            if (lastContent.count("C:\\APP\\" + name) == 0) {
                EXPECT_EQ(fake::ReadFile("C:\\APP\\" + name), std::optional<std::string>("earlier")) << name;
            }
        }
    }
}

TEST_F(FileInstallation, NoFreeStagedNameLeavesTheFileReportedInUse) {
    Start(
        "[AddFiles.WIN32]\r\nA=\r\nB=\r\n[A]\r\nTargetFilename=LIB.DLL\r\nTargetDir=C:\\APP\r\n"
        "[B]\r\nTargetFilename=LIB.DLX\r\n");
    for (const char* name : {"A", "B"}) fake::WriteFile(std::string("C:\\MEDIA\\") + name, name);
    for (const char* name : {"LIB.DLL", "LIB.DLX"}) {
        fake::WriteFile(std::string("C:\\APP\\") + name, "old");
        M().files[std::string("C:\\APP\\") + name].inUse = true;
    }
    for (int n = 1; n <= 99; ++n)
        fake::WriteFile("C:\\APP\\LIB.~" + std::string(n < 10 ? "0" : "") + std::to_string(n), "x");
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 0);
    ExpectCopyErrorThenFileCopyFailed("Copy Error (1400) Cannot delete file. ", "LIB.DLX");
    EXPECT_EQ(fake::DelayedMoves().size(), 1u);
    EXPECT_EQ(fake::ReadFile(kStaged), std::optional<std::string>("A"));
    EXPECT_EQ(LogKeys(), Strings{kDestination});
}

TEST_F(FileInstallation, MoreFilesInUseThanOneRunRemembersAreReported) {
    std::string list = "[AddFiles.WIN32]\r\n", sections;
    int files = kMaxStagedReplacements + 1;
    for (int i = 0; i < files; ++i) {
        std::string name = "F" + std::to_string(i) + ".DLL";
        list += name + "=\r\n";
        fake::WriteFile("C:\\MEDIA\\" + name, "new");
        fake::WriteFile("C:\\APP\\" + name, "old");
        M().files["C:\\APP\\" + name].inUse = true;
    }
    Start(list + "[F0.DLL]\r\nTargetDir=C:\\APP\r\n");
    std::string last = "F" + std::to_string(files - 1) + ".DLL";
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 0);
    ExpectCopyErrorThenFileCopyFailed("Copy Error (1400) Cannot delete file. ", last);
    EXPECT_EQ(fake::DelayedMoves().size(), static_cast<size_t>(kMaxStagedReplacements));
    EXPECT_FALSE(fake::FileExists("C:\\APP\\" + last.substr(0, last.size() - 1) + "~"));
    EXPECT_EQ(LogKeys().size(), static_cast<size_t>(kMaxStagedReplacements));
}

TEST_F(FileInstallation, RestartNeededStaysSetAfterALaterFile) {
    Start("[AddFiles.WIN32]\r\nA.DLL=\r\nB.DLL=\r\n[A.DLL]\r\nTargetDir=C:\\APP\r\n");
    fake::WriteFile("C:\\MEDIA\\A.DLL", "a");
    fake::WriteFile("C:\\MEDIA\\B.DLL", "b");
    Script(VIF_FILEINUSE);
    Script(0);
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
    EXPECT_EQ(g_Setup.RestartNeeded, 1);
    EXPECT_EQ(LogKeys(), (Strings{"C:\\APP\\A.DLL", "C:\\APP\\B.DLL"}));
}

// --- Entries and the phase -------------------------------------------------------------

TEST_F(FileInstallation, EntryNamingAMissingSectionCopiesItsOwnNameIntoTheCurrentDirectory) {
    Start("[AddFiles.WIN32]\r\nLIB.DLL=\r\nREADME.TXT=\r\n[LIB.DLL]\r\nTargetDir=C:\\APP\r\n");
    fake::WriteFile(kSource, "lib");
    fake::WriteFile("C:\\MEDIA\\README.TXT", "read me");
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
    ASSERT_EQ(M().verInstallCalls.size(), 2u);
    EXPECT_EQ(M().verInstallCalls[1].srcFile, "README.TXT");
    EXPECT_EQ(M().verInstallCalls[1].destFile, "README.TXT");
    EXPECT_EQ(M().verInstallCalls[1].destDir, "C:\\APP");
    EXPECT_EQ(fake::ReadFile("C:\\APP\\README.TXT"), std::optional<std::string>("read me"));
}

TEST_F(FileInstallation, TargetDirCarriesOverFromThePreviousPhase) {
    Start("[AddFiles.WIN32]\r\nLIB.DLL=\r\n");
    fake::WriteFile(kSource, "lib");
    fake::MakeDirectory("C:\\EARLIER");
    g_Setup.TARGETDIR.Assign("C:\\EARLIER\\");
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
    EXPECT_TRUE(fake::FileExists("C:\\EARLIER\\LIB.DLL"));
    EXPECT_STREQ(g_Setup.TARGETDIR.c_str(), "C:\\EARLIER\\");
}

TEST_F(FileInstallation, InheritedTargetDirIsNotExpandedAgain) {
    // "100%%" is "100%" once expanded; a second expansion would drop the lone '%'.
    Start("[AddFiles.WIN32]\r\nLIB.DLL=\r\nREADME.TXT=\r\n[LIB.DLL]\r\nTargetDir=C:\\100%%\\\r\n");
    fake::MakeDirectory("C:\\100%");
    fake::WriteFile(kSource, "lib");
    fake::WriteFile("C:\\MEDIA\\README.TXT", "read me");
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
    EXPECT_EQ(LogKeys(), (Strings{"C:\\100%\\LIB.DLL", "C:\\100%\\README.TXT"}));
    EXPECT_STREQ(g_Setup.TARGETDIR.c_str(), "C:\\100%\\");
}

TEST_F(FileInstallation, TargetDirIsExpanded) {
    Start("[AddFiles.WIN32]\r\nLIB.DLL=\r\n[LIB.DLL]\r\nTargetDir=%WINDIR%WIDGET\r\n");
    fake::WriteFile(kSource, "lib");
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
    EXPECT_STREQ(g_Setup.TARGETDIR.c_str(), "C:\\WINDOWS\\WIDGET");
    EXPECT_TRUE(fake::FileExists("C:\\WINDOWS\\WIDGET\\LIB.DLL"));
}

TEST_F(FileInstallation, OptionalFileFailingShowsOneBoxAndThePhaseGoesOn) {
    Start("[AddFiles.WIN32]\r\nGONE.DLL=\r\nLIB.DLL=\r\n[GONE.DLL]\r\nRequiredCopy=0\r\nTargetDir=C:\\APP\r\n");
    fake::WriteFile(kSource, "lib");
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
    EXPECT_EQ(BoxTexts(), Strings{"Copy Error (10000) Cannot read source. "});
    EXPECT_EQ(M().boxes[0].caption, "Setup Copy Error");
    EXPECT_TRUE(fake::FileExists(kDestination));
    EXPECT_EQ(LogKeys(), Strings{kDestination});
}

TEST_F(FileInstallation, AnyNonZeroRequiredCopyMakesTheFileRequired) {
    Start("[AddFiles.WIN32]\r\nGONE.DLL=\r\nLIB.DLL=\r\n[GONE.DLL]\r\nRequiredCopy=7\r\nTargetDir=C:\\APP\r\n");
    fake::WriteFile(kSource, "lib");
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 0);
    ExpectCopyErrorThenFileCopyFailed("Copy Error (10000) Cannot read source. ", "GONE.DLL");
    EXPECT_FALSE(fake::FileExists(kDestination));
}

TEST_F(FileInstallation, EmptyOrMissingListSucceedsWithoutAProgressWindow) {
    // A list of comments and key lines without '=' has no entries either.
    for (const char* script : {"", "[AddFiles.WIN32]\r\n", "[AddFiles.WIN32]\r\n;LIB.DLL=\r\nLIB.DLL\r\n"}) {
        SCOPED_TRACE(script);
        fake::Reset();
        Start(script);
        EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
        EXPECT_EQ(fake::CountCalls("CreateDialogParamA"), 0);
        EXPECT_EQ(fake::CountCalls("DestroyWindow"), 0);
        EXPECT_EQ(g_Setup.ProgressWindow, nullptr);
        EXPECT_TRUE(M().verInstallCalls.empty());
    }
}

TEST_F(FileInstallation, ListThatCannotBeAllocatedFailsWithoutWindowOrMessage) {
    Start(kOneFile);
    fake::FailCall("HeapAlloc");
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 0);
    EXPECT_EQ(fake::CountCalls("CreateDialogParamA"), 0);
    EXPECT_TRUE(M().boxes.empty());
    EXPECT_TRUE(M().verInstallCalls.empty());
}

TEST_F(FileInstallation, PhaseFreesItsListAndDestroysTheWindowAfterAFailure) {
    Start(kOneFile);
    // An existing directory: no creation is logged, so the log writer's list (kept
    // for the whole run) is not among the blocks counted.
    fake::MakeDirectory("C:\\APP");
    size_t blocksBefore = M().heapBlocks.size();
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 0);  // LIB.DLL is not on the medium
    EXPECT_EQ(M().heapBlocks.size(), blocksBefore);
    EXPECT_EQ(fake::CountCalls("DestroyWindow"), 1);
    EXPECT_EQ(g_Setup.ProgressWindow, nullptr);
}

TEST_F(FileInstallation, ProgressWindowNamesTheFileWhileItsBoxIsUp) {
    Start(kOneFile);
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 0);
    ASSERT_FALSE(M().boxes.empty());
    EXPECT_TRUE(M().boxes[0].progressWindowExists);
    EXPECT_EQ(M().boxes[0].progressCaption, "Widget");
    EXPECT_EQ(M().boxes[0].progressFileLine, kDestination);
}

// --- Target directories that are not full paths ------------------------------------

// Each would put the file below whatever drive or directory is current (often the
// medium): refused like a path that does not fit, before anything is touched.
TEST_F(FileInstallation, TargetDirThatIsNotAFullPathIsRefused) {
    struct Row {
        const char* why;
        const char* section;  // the first entry's section
    };
    const Row rows[] = {
        {"no TargetDir in the first entry: the directory is still empty", "[LIB.DLL]\r\nRequiredCopy=1\r\n"},
        {"a misspelt key is not read: the same", "[LIB.DLL]\r\nTargetDirectory=C:\\APP\r\n"},
        {"an empty value", "[LIB.DLL]\r\nTargetDir=\r\n"},
        {"a macro that expands to nothing leaves a relative path", "[LIB.DLL]\r\nTargetDir=%TARGETDIR%APP\\\r\n"},
        {"relative to the current directory", "[LIB.DLL]\r\nTargetDir=APP\r\n"},
        {"the root of the current drive", "[LIB.DLL]\r\nTargetDir=\\APP\r\n"},
        {"relative to drive C's current directory", "[LIB.DLL]\r\nTargetDir=C:APP\r\n"},
        {"a network path without its share", "[LIB.DLL]\r\nTargetDir=\\\\SERVER\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        fake::Reset();
        Start(std::string("[AddFiles.WIN32]\r\nLIB.DLL=\r\n") + row.section);
        fake::WriteFile(kSource, "new");
        // A same-named file in use where the relative path would lead.
        fake::WriteFile("C:\\LIB.DLL", "old");
        M().files["C:\\LIB.DLL"].inUse = true;

        EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 0);
        ExpectCopyErrorThenFileCopyFailed("Copy Error (800) Cannot create file. ", "LIB.DLL");
        EXPECT_TRUE(M().verInstallCalls.empty());
        EXPECT_EQ(fake::CountCalls("CreateDirectoryA"), 0);
        EXPECT_EQ(fake::CountCalls("CopyFileA"), 0);
        EXPECT_TRUE(fake::DelayedMoves().empty());
        EXPECT_EQ(g_Setup.RestartNeeded, 0);
        EXPECT_TRUE(LogKeys().empty());
        EXPECT_FALSE(fake::FileExists("C:\\LIB.DL~"));
        EXPECT_FALSE(fake::DirectoryExists("C:\\MEDIA\\APP"));
    }
}

TEST_F(FileInstallation, OptionalFileWithoutAFullTargetDirIsRefusedAndThePhaseGoesOn) {
    Start(
        "[AddFiles.WIN32]\r\nNOTES.TXT=\r\nLIB.DLL=\r\n[NOTES.TXT]\r\nRequiredCopy=0\r\n"
        "[LIB.DLL]\r\nTargetDir=C:\\APP\r\n");
    fake::WriteFile("C:\\MEDIA\\NOTES.TXT", "notes");
    fake::WriteFile(kSource, "lib");
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
    EXPECT_EQ(BoxTexts(), Strings{"Copy Error (800) Cannot create file. "});
    EXPECT_EQ(LogKeys(), Strings{kDestination});
}

// --- Paths that do not fit ----------------------------------------------------------

TEST_F(FileInstallation, DestinationPathOfExactly259CharactersIsInstalled) {
    std::string directory = "C:\\" + std::string(247, 'D');  // 250 characters
    Start("[AddFiles.WIN32]\r\nLIB.DLL=\r\n[LIB.DLL]\r\nTargetDir=" + directory + "\r\nTargetFilename=12345678\r\n");
    fake::WriteFile(kSource, "lib");
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
    std::string destination = directory + "\\12345678";
    ASSERT_EQ(destination.size(), 259u);
    EXPECT_EQ(LogKeys(), Strings{destination});
}

TEST_F(FileInstallation, OverLongDestinationPathFailsWithoutTouchingAnything) {
    std::string directory = "C:\\" + std::string(247, 'D');
    Start("[AddFiles.WIN32]\r\nLIB.DLL=\r\nNEXT.DLL=\r\n[LIB.DLL]\r\nTargetDir=" + directory +
          "\r\nTargetFilename=123456789\r\n");
    fake::WriteFile(kSource, "lib");
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 0);
    ExpectCopyErrorThenFileCopyFailed("Copy Error (800) Cannot create file. ", "123456789");
    EXPECT_TRUE(M().verInstallCalls.empty());
    EXPECT_EQ(fake::CountCalls("CreateDirectoryA"), 0);
    EXPECT_EQ(fake::CountCalls("CopyFileA"), 0);
    EXPECT_TRUE(LogKeys().empty());
}

TEST_F(FileInstallation, OverLongOptionalDestinationGoesOn) {
    std::string directory = "C:\\" + std::string(250, 'D');
    Start("[AddFiles.WIN32]\r\nLONG.DLL=\r\nLIB.DLL=\r\n[LONG.DLL]\r\nRequiredCopy=0\r\nTargetDir=" + directory +
          "\r\n[LIB.DLL]\r\nTargetDir=C:\\APP\r\n");
    fake::WriteFile(kSource, "lib");
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
    EXPECT_EQ(BoxTexts(), Strings{"Copy Error (800) Cannot create file. "});
    EXPECT_EQ(LogKeys(), Strings{kDestination});
}

TEST_F(FileInstallation, OverLongSourcePathFailsAsUnreadableSource) {
    M().moduleFileName = "C:\\" + std::string(240, 'M') + "\\SETUP.EXE";
    fake::MakeDirectory("C:\\" + std::string(240, 'M'));
    Start("[AddFiles.WIN32]\r\nLIB.DLL=\r\n[LIB.DLL]\r\nTargetDir=C:\\APP\r\nSourceFilename=" + std::string(20, 'S') +
          "\r\n");
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 0);
    ExpectCopyErrorThenFileCopyFailed("Copy Error (10000) Cannot read source. ", "LIB.DLL");
    EXPECT_TRUE(M().verInstallCalls.empty());
}

TEST_F(FileInstallation, OlderSourceQuestionWithALongNameIsShownWhole) {
    M().moduleFileName = "A:\\SETUP.EXE";
    fake::MakeDirectory("A:\\");
    std::string name(256, 'N');
    Start("[AddFiles.WIN32]\r\nLIB.DLL=\r\n[LIB.DLL]\r\nTargetDir=C:\\APP\r\nSourceFilename=" + name + "\r\n");
    Script(0x7);
    M().answers.push_back(IDYES);
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
    ASSERT_EQ(M().boxes.size(), 1u);
    EXPECT_EQ(M().boxes[0].text, "The source file " + name +
                                     " is older than the destination file. \nDo you want to keep the existing file?");
}

// --- The plug-in file of a host run ---------------------------------------------------

constexpr char kPluginScript[] =
    "[PLUGINFILE]\r\nPluginFileName=npwidget.dll\r\n"
    "[AddFiles.WIN32]\r\nNPWIDGET.DLL=\r\nHELP.TXT=\r\nLIB.DLL=\r\n"
    "[NPWIDGET.DLL]\r\nTargetDir=C:\\APP\r\n"
    "[LIB.DLL]\r\nTargetDir=C:\\APP\r\n";

class PluginFileInstallation : public FileInstallation {
protected:
    void SetUp() override {
        FileInstallation::SetUp();
        Start(kPluginScript);
        fake::WriteFile("C:\\MEDIA\\NPWIDGET.DLL", "plugin");
        fake::WriteFile("C:\\MEDIA\\HELP.TXT", "help");
        fake::WriteFile(kSource, "lib");
        fake::MakeDirectory("C:\\NS\\PROGRAM\\PLUGINS");
        host_.PluginDir.Assign("C:\\NS\\PROGRAM\\PLUGINS\\");
        host_.InstallPath.Assign("C:\\NS");
        host_.SubkeyName.Assign("4.0");
        host_.Next = nullptr;
    }
    PluginHost host_{};
};

TEST_F(PluginFileInstallation, HostRunPutsThePluginFileIntoThePluginDirectory) {
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", &host_), 1);
    EXPECT_EQ(fake::ReadFile("C:\\NS\\PROGRAM\\PLUGINS\\NPWIDGET.DLL"), std::optional<std::string>("plugin"));
    EXPECT_FALSE(fake::FileExists("C:\\APP\\NPWIDGET.DLL"));
    // The next entry without TargetDir follows the plug-in into the host's directory.
    EXPECT_TRUE(fake::FileExists("C:\\NS\\PROGRAM\\PLUGINS\\HELP.TXT"));
    // Other sections keep their own TargetDir.
    EXPECT_TRUE(fake::FileExists(kDestination));
    EXPECT_EQ(fake::CountCalls("GetPrivateProfileStringA NPWIDGET.DLL TargetDir"), 0);
    EXPECT_EQ(LogKeys(),
              (Strings{"C:\\NS\\PROGRAM\\PLUGINS\\NPWIDGET.DLL", "C:\\NS\\PROGRAM\\PLUGINS\\HELP.TXT", kDestination}));
}

TEST_F(PluginFileInstallation, NormalRunInstallsThePluginFileByItsOwnTargetDir) {
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
    EXPECT_TRUE(fake::FileExists("C:\\APP\\NPWIDGET.DLL"));
    EXPECT_FALSE(fake::FileExists("C:\\NS\\PROGRAM\\PLUGINS\\NPWIDGET.DLL"));
    EXPECT_EQ(fake::CountCalls("GetPrivateProfileStringA PLUGINFILE"), 0);
}

TEST_F(PluginFileInstallation, PluginDirectoryIsTakenUnexpanded) {
    fake::MakeDirectory("C:\\NS");
    host_.PluginDir.Assign("C:\\NS\\%WINDIR%");
    RunFilePhase("AddFiles.WIN32", &host_);
    ASSERT_GE(M().verInstallCalls.size(), 2u);
    EXPECT_EQ(M().verInstallCalls[0].destDir, "C:\\NS\\%WINDIR%");
    EXPECT_TRUE(fake::FileExists("C:\\NS\\%WINDIR%\\NPWIDGET.DLL"));
    // The next entry inherits it as it is.
    EXPECT_EQ(M().verInstallCalls[1].destDir, "C:\\NS\\%WINDIR%");
}

TEST_F(PluginFileInstallation, DefaultPluginFileNameMatchesASectionNamedPluginFileInAnyCase) {
    fake::Reset();
    Start("[AddFiles.WIN32]\r\npluginFile=\r\n[pluginFile]\r\nTargetDir=C:\\APP\r\n");
    fake::WriteFile("C:\\MEDIA\\pluginFile", "plugin");
    fake::MakeDirectory("C:\\NS\\PROGRAM\\PLUGINS");
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", &host_), 1);
    EXPECT_TRUE(fake::FileExists("C:\\NS\\PROGRAM\\PLUGINS\\pluginFile"));
}

TEST_F(PluginFileInstallation, ANameThatOnlyResemblesThePluginFileIsNotRedirected) {
    fake::Reset();
    Start(
        "[PLUGINFILE]\r\nPluginFileName=npwidget.dl\r\n[AddFiles.WIN32]\r\nNPWIDGET.DLL=\r\n"
        "[NPWIDGET.DLL]\r\nTargetDir=C:\\APP\r\n");
    fake::WriteFile("C:\\MEDIA\\NPWIDGET.DLL", "plugin");
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", &host_), 1);
    EXPECT_TRUE(fake::FileExists("C:\\APP\\NPWIDGET.DLL"));
}

// --- Through the whole program ----------------------------------------------------------

TEST_F(FileInstallation, StagedFileLeadsToTheRestartOfferAfterTheSuccessBox) {
    fake::SetScript(std::string("[SETUP]\r\nProduct=Widget\r\n") + kOneFile);
    fake::WriteFile(kSource, "new");
    fake::WriteFile(kDestination, "old");
    M().files[kDestination].inUse = true;
    M().answers.push_back(IDYES);
    fake::RunSetup();
    ASSERT_EQ(M().boxes.size(), 2u) << ::testing::PrintToString(BoxTexts());
    EXPECT_EQ(M().boxes[0].text, "Setup completed successfully");
    EXPECT_EQ(M().boxes[1].text,
              "The system needs to be restarted to activate the changes.  Do you want to restart now?");
    EXPECT_EQ(M().boxes[1].caption, "Widget");
    EXPECT_EQ(M().boxes[1].style, kQuestion);
    EXPECT_EQ(fake::DelayedMoves().size(), 1u);
    EXPECT_EQ(M().exitWindowsFlags.size(), 1u);
}

TEST_F(FileInstallation, FirstEntryWithoutTargetDirFailsTheSetupWithoutARestartOffer) {
    fake::SetScript("[SETUP]\r\nProduct=Widget\r\n[AddFiles.WIN32]\r\nNOTES.EXE=\r\n");
    fake::WriteFile("C:\\MEDIA\\NOTES.EXE", "new");
    fake::WriteFile("C:\\NOTES.EXE", "old");
    M().files["C:\\NOTES.EXE"].inUse = true;
    fake::RunSetup();
    ASSERT_EQ(M().boxes.size(), 3u) << ::testing::PrintToString(BoxTexts());
    EXPECT_EQ(M().boxes[0].text, "Copy Error (800) Cannot create file. ");
    EXPECT_EQ(M().boxes[1].text, "NOTES.EXE");
    EXPECT_EQ(M().boxes[1].caption, "File Copy Failed");
    EXPECT_EQ(M().boxes[2].text.rfind("Setup failed for", 0), 0u);
    EXPECT_TRUE(M().exitWindowsFlags.empty());
    EXPECT_FALSE(fake::FileExists("C:\\NOTES.EX~"));
}

TEST_F(FileInstallation, FailedFilePhaseOffersNoRestartEvenAfterAStagedFile) {
    fake::SetScript(
        "[SETUP]\r\nProduct=Widget\r\n[AddFiles.WIN32]\r\nLIB.DLL=\r\nGONE.DLL=\r\n"
        "[LIB.DLL]\r\nTargetDir=C:\\APP\r\n");
    fake::WriteFile(kSource, "new");
    fake::WriteFile(kDestination, "old");
    M().files[kDestination].inUse = true;
    fake::RunSetup();
    EXPECT_EQ(BoxTexts(), (Strings{"Copy Error (10000) Cannot read source. ", "GONE.DLL", "Setup failed for C:\\APP"}));
    EXPECT_TRUE(M().exitWindowsFlags.empty());
}

}  // namespace
