// What the remover must leave alone: files that stay keep their registration, counted
// and kept files stay wherever they lie, directories stay unless the product made
// them, and entries no run could ever carry out do not hold a removal open.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "fake/fake_machine.h"
#include "ui/resource_ids.h"
#include "uninst/uninst_resource_ids.h"
#include "uninst/uninstaller.h"

namespace {

using fake::M;
using Strings = std::vector<std::string>;

constexpr char kLog[] = "C:\\WINDOWS\\SAMPLE.INI";
constexpr char kRemover[] = "C:\\REMOVER\\UNINST.EXE";
constexpr char kCurrentVersion[] = "Software\\Microsoft\\Windows\\CurrentVersion";
constexpr char kSharedDlls[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
constexpr char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char kShared[] = "C:\\WINDOWS\\SYSTEM\\SHARED.DLL";

class Keeps : public ::testing::Test {
protected:
    void SetUp() override {
        fake::Reset();
        M().moduleFileName = kRemover;
        fake::WriteFile(kRemover, "remover");
        fake::SetRegistryString(HKEY_LOCAL_MACHINE, kCurrentVersion, "ProgramFilesDir", "C:\\Program Files");
        fake::SetRegistryString(HKEY_LOCAL_MACHINE, kCurrentVersion, "CommonFilesDir",
                                "C:\\Program Files\\Common Files");
    }

    static void WriteLog(const std::string& lists) { fake::WriteFile(kLog, "[UNINST]\r\nProduct=Sample\r\n" + lists); }
    static std::string Section(const char* name, const Strings& keys) {
        std::string text = std::string("[") + name + "]\r\n";
        for (const std::string& key : keys) text += key + "=\r\n";
        return text;
    }
    static void Count(const std::string& path, char count) {
        fake::SetRegistryData(HKEY_LOCAL_MACHINE, kSharedDlls, path, REG_DWORD, std::string{count, 0, 0, 0});
    }
    static int DialogCount() {
        return static_cast<int>(std::count_if(M().boxes.begin(), M().boxes.end(),
                                              [](const auto& box) { return box.style == fake::kDialogBoxStyle; }));
    }
    static int Occurrences(const std::string& text, const std::string& part) {
        int n = 0;
        for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
        return n;
    }
};

// --- What stays keeps its state ------------------------------------------------------------

struct ComponentRow {
    const char* why;
    bool silent;
    bool counted;     // SharedDLLs counts the component's file
    bool keptByLog;   // SETUP.EXE recorded it as the person's kept newer file
    Strings answers;  // after the confirmation; "yes" "no" "no to all"
    bool fileStays;   // and with it its registration
};

class KeptComponent : public Keeps, public ::testing::WithParamInterface<ComponentRow> {};

TEST_P(KeptComponent, KeepsItsRegistrationWhileItsFileStays) {
    const ComponentRow& row = GetParam();
    SCOPED_TRACE(row.why);
    fake::WriteFile(kShared, "component");
    M().components[kShared];
    if (row.counted) Count(kShared, 3);
    WriteLog(Section("UninstFiles", {kShared}) + Section("UninstRegister", {kShared}) +
             (row.keptByLog ? Section("UninstKeptFiles", {kShared}) : ""));
    M().answers = {IDYES};
    for (const std::string& answer : row.answers)
        M().answers.push_back(answer == "yes"  ? IDC_REMOVE_SHARED
                              : answer == "no" ? IDC_KEEP_SHARED
                                               : IDC_KEEP_ALL_SHARED);

    EXPECT_EQ(fake::RunUninst((std::string(row.silent ? "/S " : "") + kLog).c_str()), kExitSuccess);
    EXPECT_EQ(fake::FileExists(kShared), row.fileStays);
    EXPECT_EQ(fake::CountCalls(std::string("DllUnregisterServer ") + kShared), row.fileStays ? 0 : 1);
    EXPECT_EQ(DialogCount(), static_cast<int>(row.answers.size()));
    // Kept by rule or by choice is handled: the log has served either way.
    EXPECT_FALSE(fake::FileExists(kLog));
}

INSTANTIATE_TEST_SUITE_P(Rows, KeptComponent,
                         ::testing::Values(
                             // Unattended, the product's own shared file goes, unregistered first.
                             ComponentRow{"silent", true, false, false, {}, false},
                             // Unattended with another product's count: it stays, registered.
                             ComponentRow{"silent, counted", true, true, false, {}, true},
                             // Another product's count: kept without a question.
                             ComponentRow{"counted", false, true, false, {}, true},
                             // The person keeps it.
                             ComponentRow{"no", false, false, false, {"no"}, true},
                             ComponentRow{"no to all", false, false, false, {"no to all"}, true},
                             // It was another product's newer file at installation: nobody is asked.
                             ComponentRow{"kept by the log", false, false, true, {}, true},
                             // Yes: the file goes, and its registration before it.
                             ComponentRow{"yes", false, false, false, {"yes"}, false}),
                         [](const auto& info) { return "Row" + std::to_string(info.index); });

TEST_F(Keeps, ComponentWhoseFileWasNeverTheProductsKeepsItsRegistration) {
    // Registered by the setup, but the file was not installed by it (a system component).
    fake::WriteFile("C:\\WINDOWS\\SYSTEM\\OLEPRO.DLL", "system component");
    M().components["C:\\WINDOWS\\SYSTEM\\OLEPRO.DLL"];
    WriteLog(Section("UninstRegister", {"C:\\WINDOWS\\SYSTEM\\OLEPRO.DLL"}));
    EXPECT_EQ(fake::RunUninst((std::string("/S ") + kLog).c_str()), kExitSuccess);
    EXPECT_EQ(fake::CountCalls("DllUnregisterServer"), 0);
    EXPECT_FALSE(fake::FileExists(kLog));
}

struct CountedRow {
    const char* why;
    std::string path;
};

class CountedFile : public Keeps, public ::testing::WithParamInterface<CountedRow> {};

TEST_P(CountedFile, StaysWhereverItLiesAndItsCountIsUntouched) {
    const CountedRow& row = GetParam();
    SCOPED_TRACE(row.why);
    fake::MakeDirectory("C:\\Program Files\\Common Files");
    fake::WriteFile(row.path, "shared");
    fake::WriteFile("C:\\APP\\OWN.EXE", "own");
    Count(row.path, 3);
    WriteLog(Section("UninstFiles", {row.path, "C:\\APP\\OWN.EXE"}));
    M().answers = {IDYES};

    EXPECT_EQ(fake::RunUninst(kLog), kExitSuccess);
    EXPECT_TRUE(fake::FileExists(row.path));
    EXPECT_FALSE(fake::FileExists("C:\\APP\\OWN.EXE"));
    EXPECT_EQ(DialogCount(), 0);
    const auto& values = M().registry[std::string("HKEY_LOCAL_MACHINE\\") + kSharedDlls].values;
    EXPECT_EQ(values.at(row.path).second, std::string("\x03\0\0\0", 4));
    EXPECT_EQ(fake::CountCalls(std::string("RegSetValueExA HKEY_LOCAL_MACHINE\\") + kSharedDlls), 0);
    EXPECT_TRUE(fake::DirectoryExists("C:\\Program Files\\Common Files"));
}

INSTANTIATE_TEST_SUITE_P(Rows, CountedFile,
                         ::testing::Values(
                             // Outside the Windows and system directories.
                             CountedRow{"common files", "C:\\Program Files\\Common Files\\Acme\\ACME.DLL"},
                             // In a product's own directory.
                             CountedRow{"product directory", "C:\\APP\\SHARED.OCX"},
                             // Where shared files lie: still no question.
                             CountedRow{"system directory", "C:\\WINDOWS\\SYSTEM\\ACME.DLL"}),
                         [](const auto& info) { return "Row" + std::to_string(info.index); });

// Each question to SharedDLLs is a round trip to the system: a run reads the whole key
// once, for all its files, and closes it again, whether the key is there or not.
TEST_F(Keeps, SharedCountsAreReadWithOneOpenOfTheKeyPerRun) {
    struct Row {
        const char* why;
        bool keyExists;
    };
    const Row rows[] = {
        {"the key is there (every real Windows): one open per run", true},
        {"a fresh machine without the key: one failed open per run", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        SetUp();
        Strings files;
        for (int i = 0; i < 20; ++i) {
            files.push_back("C:\\APP\\F" + std::to_string(i) + ".DAT");
            fake::WriteFile(files.back(), "own");
        }
        fake::WriteFile("C:\\APP\\COUNTED.DLL", "shared");
        files.push_back("C:\\APP\\COUNTED.DLL");
        if (row.keyExists) Count("C:\\APP\\COUNTED.DLL", 2);
        WriteLog(Section("UninstFiles", files));
        M().answers = {IDYES};

        EXPECT_EQ(fake::RunUninst(kLog), kExitSuccess);
        EXPECT_EQ(fake::CountCalls(std::string("RegOpenKeyExA HKEY_LOCAL_MACHINE ") + kSharedDlls), 1);
        EXPECT_EQ(fake::CountCalls(std::string("RegQueryValueExA HKEY_LOCAL_MACHINE\\") + kSharedDlls), 0);
        EXPECT_TRUE(M().openKeys.empty());
        EXPECT_EQ(fake::FileExists("C:\\APP\\COUNTED.DLL"), row.keyExists);
        EXPECT_FALSE(fake::FileExists("C:\\APP\\F7.DAT"));
    }
}

TEST_F(Keeps, AnotherProductsKeptNewerFileStaysWithoutAQuestion) {
    fake::WriteFile("C:\\WINDOWS\\SYSTEM\\CORE.DLL", "another product's 1.3");
    fake::WriteFile("C:\\APP\\NEWER.DLL", "another product's 2.0");
    fake::WriteFile("C:\\APP\\VIEW.EXE", "own");
    // As SETUP.EXE writes it: the file entry stays where it is specified, the added
    // section says the file present was kept; one of them in another spelling.
    WriteLog(Section("UninstFiles", {"C:\\WINDOWS\\SYSTEM\\CORE.DLL", "C:\\APP\\NEWER.DLL", "C:\\APP\\VIEW.EXE"}) +
             Section("UninstKeptFiles", {"C:\\WINDOWS\\SYSTEM\\CORE.DLL", "c:\\app\\\\newer.dll"}));
    M().answers = {IDYES};

    EXPECT_EQ(fake::RunUninst(kLog), kExitSuccess);
    EXPECT_EQ(fake::ReadFile("C:\\WINDOWS\\SYSTEM\\CORE.DLL"), std::optional<std::string>("another product's 1.3"));
    EXPECT_TRUE(fake::FileExists("C:\\APP\\NEWER.DLL"));
    EXPECT_FALSE(fake::FileExists("C:\\APP\\VIEW.EXE"));
    EXPECT_EQ(DialogCount(), 0);
    EXPECT_FALSE(fake::FileExists(kLog));
    EXPECT_EQ(M().boxes.back().text, "Sample was removed successfully");
}

// The log is read once, into memory. A second read of the file that fails (a sharing
// violation, no memory) answers like an empty section; if the keep decisions asked the
// file again, the kept file would be deleted as a file of the product.
TEST_F(Keeps, KeptFileStaysWhenTheLogFileCannotBeReadAgain) {
    fake::WriteFile("C:\\APP\\NEWER.DLL", "another product's 2.0");
    M().components["C:\\APP\\NEWER.DLL"];
    fake::WriteFile("C:\\APP\\VIEW.EXE", "own");
    WriteLog(Section("UninstFiles", {"C:\\APP\\NEWER.DLL", "C:\\APP\\VIEW.EXE"}) +
             Section("UninstRegister", {"C:\\APP\\NEWER.DLL"}) + Section("UninstKeptFiles", {"C:\\APP\\NEWER.DLL"}));
    M().answers = {IDYES};
    fake::FailAlways("GetPrivateProfileSectionA");

    EXPECT_EQ(fake::RunUninst(kLog), kExitSuccess);
    EXPECT_EQ(fake::ReadFile("C:\\APP\\NEWER.DLL"), std::optional<std::string>("another product's 2.0"));
    EXPECT_EQ(fake::CountCalls("LoadLibraryA"), 0) << "a kept component keeps its registration";
    EXPECT_FALSE(fake::FileExists("C:\\APP\\VIEW.EXE"));
    EXPECT_EQ(fake::CountCalls("GetPrivateProfileSectionA"), 0);
}

TEST_F(Keeps, PersonsNoSurvivesACutBeforeTheFilePass) {
    fake::WriteFile(kShared, "component");
    M().components[kShared];
    WriteLog(Section("UninstFiles", {kShared}) + Section("UninstRegister", {kShared}));
    M().answers = {IDYES, IDC_KEEP_SHARED};
    struct PowerCut {};
    M().onCall = [](const std::string& call) {
        if (call.rfind("OleInitialize", 0) == 0) throw PowerCut{};
    };
    // Nothing is unregistered for a kept file, so the run ends without a cut.
    EXPECT_EQ(fake::RunUninst(kLog), kExitSuccess);
    M().onCall = nullptr;
    EXPECT_TRUE(fake::FileExists(kShared));
    EXPECT_EQ(DialogCount(), 1);
}

struct DirectoryRow {
    const char* why;
    std::string recorded;           // the [UninstCreatedDirs] entry
    std::function<void()> arrange;  // what the machine holds besides
    bool removed;
    bool tried;  // RemoveDirectoryA was given it (and refused: it holds something)
};

class RecordedDirectory : public Keeps, public ::testing::WithParamInterface<DirectoryRow> {};

TEST_P(RecordedDirectory, GoesOnlyWhenTheProtectionRulePasses) {
    const DirectoryRow& row = GetParam();
    SCOPED_TRACE(row.why);
    std::string directory = fake::NormalisePath(row.recorded);
    fake::MakeDirectory(directory);
    fake::WriteFile("C:\\OWN\\OWN.EXE", "own");
    if (row.arrange) row.arrange();
    WriteLog(Section("UninstFiles", {"C:\\OWN\\OWN.EXE"}) + Section("UninstCreatedDirs", {row.recorded}));

    EXPECT_EQ(fake::RunUninst((std::string("/S ") + kLog).c_str()), kExitSuccess);
    EXPECT_FALSE(fake::FileExists("C:\\OWN\\OWN.EXE"));
    EXPECT_EQ(fake::DirectoryExists(directory), !row.removed);
    if (!row.removed)
        EXPECT_EQ(fake::CountCalls("RemoveDirectoryA " + directory + (directory.size() > 3 ? "" : " ")),
                  row.tried ? 1 : 0);
    // The directory of the file was not made by the setup: the log says which were.
    EXPECT_TRUE(fake::DirectoryExists("C:\\OWN"));
    EXPECT_FALSE(fake::FileExists(kLog));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RecordedDirectory,
    ::testing::Values(
        // Made by the setup and empty now.
        DirectoryRow{"recorded", "C:\\APP\\", nullptr, true, true},
        // As %WINDIR%\SAMPLE expands: folded before it is judged.
        DirectoryRow{"doubled backslash", "C:\\WINDOWS\\\\SAMPLE\\", nullptr, true, true},
        DirectoryRow{"forward slash", "C:\\APP/SUB", nullptr, true, true},
        // Someone else's file arrived since.
        DirectoryRow{"holds another file", "C:\\APP", [] { fake::WriteFile("C:\\APP\\OTHER.TXT", "x"); }, false, true},
        // The profile's folders are the person's, empty or not.
        DirectoryRow{"user shell folder", "C:\\WINDOWS\\Start Menu\\Programs\\StartUp",
                     [] {
                         fake::SetRegistryString(HKEY_CURRENT_USER, kShellFolders, "Startup",
                                                 "C:\\WINDOWS\\Start Menu\\Programs\\StartUp");
                     },
                     false, false},
        DirectoryRow{"common shell folder", "C:\\WINDOWS\\All Users\\Desktop",
                     [] {
                         fake::SetRegistryString(HKEY_LOCAL_MACHINE, kShellFolders, "Common Desktop",
                                                 "C:\\WINDOWS\\All Users\\Desktop\\");
                     },
                     false, false},
        // A junction: what it leads to is not the product's.
        DirectoryRow{"junction", "C:\\LINKED", [] { M().reparsePoints.insert("C:\\LINKED"); }, false, false},
        // Named by the registry, never the product's.
        DirectoryRow{"common files", "C:\\Program Files\\Common Files", nullptr, false, false},
        DirectoryRow{"program files", "C:\\Program Files", nullptr, false, false},
        DirectoryRow{"windows", "C:\\WINDOWS\\", nullptr, false, false},
        DirectoryRow{"drive root", "C:\\", nullptr, false, false}),
    [](const auto& info) { return "Row" + std::to_string(info.index); });

TEST_F(Keeps, DirectoryThatWasThereBeforeStaysEvenWhenEmpty) {
    fake::MakeDirectory("C:\\TOOLS");
    fake::WriteFile("C:\\TOOLS\\APP\\RUN.EXE", "own");
    fake::WriteFile("C:\\TOOLS\\HELPER.EXE", "own");
    // The setup made C:\TOOLS\APP only; C:\TOOLS was there.
    WriteLog(Section("UninstCreatedDirs", {"C:\\TOOLS\\APP\\"}) +
             Section("UninstFiles", {"C:\\TOOLS\\HELPER.EXE", "C:\\TOOLS\\APP\\RUN.EXE"}));
    EXPECT_EQ(fake::RunUninst((std::string("/S ") + kLog).c_str()), kExitSuccess);
    EXPECT_FALSE(fake::DirectoryExists("C:\\TOOLS\\APP"));
    EXPECT_TRUE(fake::DirectoryExists("C:\\TOOLS"));
    EXPECT_EQ(fake::CountCalls("RemoveDirectoryA C:\\TOOLS"), 1);  // APP's, never its parent's
}

TEST_F(Keeps, RecordedDirectoriesGoDeepestFirstWhateverTheirOrder) {
    fake::WriteFile("C:\\APP\\SUB\\DEEP\\X.DLL", "own");
    WriteLog(Section("UninstCreatedDirs", {"C:\\APP\\SUB\\DEEP", "C:\\APP\\SUB", "C:\\APP"}) +
             Section("UninstFiles", {"C:\\APP\\SUB\\DEEP\\X.DLL"}));
    EXPECT_EQ(fake::RunUninst((std::string("/S ") + kLog).c_str()), kExitSuccess);
    EXPECT_FALSE(fake::DirectoryExists("C:\\APP"));
    EXPECT_EQ(
        fake::CallsStartingWith("RemoveDirectoryA"),
        (Strings{"RemoveDirectoryA C:\\APP\\SUB\\DEEP", "RemoveDirectoryA C:\\APP\\SUB", "RemoveDirectoryA C:\\APP"}));
}

TEST_F(Keeps, NoDirectoryGoesWhileTheRegistryCannotSayWhichAreProtected) {
    fake::WriteFile("C:\\Program Files\\X.EXE", "own");
    WriteLog(Section("UninstFiles", {"C:\\Program Files\\X.EXE"}) + Section("UninstDirs", {"C:\\Program Files"}));
    fake::FailCall("RegOpenKeyExA", 1);  // the read of ProgramFilesDir
    EXPECT_EQ(fake::RunUninst((std::string("/S ") + kLog).c_str()), kExitFailed);
    EXPECT_TRUE(fake::DirectoryExists("C:\\Program Files"));
    EXPECT_EQ(fake::CountCalls("RemoveDirectoryA"), 0);
    // The next run, with the registry readable, finishes.
    EXPECT_EQ(fake::RunUninst((std::string("/S ") + kLog).c_str()), kExitSuccess);
    EXPECT_TRUE(fake::DirectoryExists("C:\\Program Files"));
    EXPECT_FALSE(fake::FileExists(kLog));
}

// --- Entries refused by rule, entries folded ------------------------------------------------

TEST_F(Keeps, EntriesNoRunCanCarryOutAreNamedOnceAndDoNotHoldTheRemovalOpen) {
    fake::WriteFile("C:\\WINDOWS\\SAMPLE\\VIEW.EXE", "own");
    fake::WriteFile("C:\\APP\\SUB\\X.DLL", "own");
    WriteLog(Section("UninstFiles", {"C:\\WINDOWS\\\\SAMPLE\\VIEW.EXE", "C:\\APP/SUB\\X.DLL",
                                     "\\\\SERVER\\SHARE\\X.DLL", "C:\\APP\\CON"}) +
             Section("UninstRegister", {"\\\\SERVER\\SHARE\\X.DLL"}));
    M().answers = {IDYES};

    EXPECT_EQ(fake::RunUninst(kLog), kExitSuccess);
    EXPECT_FALSE(fake::FileExists("C:\\WINDOWS\\SAMPLE\\VIEW.EXE"));
    EXPECT_FALSE(fake::FileExists("C:\\APP\\SUB\\X.DLL"));
    EXPECT_FALSE(fake::FileExists(kLog));
    const std::string& text = M().boxes.back().text;
    EXPECT_EQ(text.rfind("Sample was removed. These items were left in place:\n\n", 0), 0u) << text;
    EXPECT_EQ(Occurrences(text, "C:\\APP\\CON (left in place"), 1) << text;
    EXPECT_EQ(Occurrences(text, "\\\\SERVER\\SHARE\\X.DLL (left in place"), 2) << text;  // one per section
    EXPECT_EQ(text.find("again"), std::string::npos) << text;
    EXPECT_EQ(M().boxes.back().style, static_cast<UINT>(MB_ICONEXCLAMATION));
    // No file function was handed the refused entries.
    EXPECT_EQ(fake::CountCalls("DeleteFileA C:\\APP\\CON"), 0);
    EXPECT_EQ(fake::CountCalls("LoadLibraryA"), 0);
}

// --- Round trip: SETUP.EXE, then UNINST.EXE --------------------------------------------------

TEST_F(Keeps, RoundTripOverWindowsSampleLeavesOnlyTheKeptNewerFile) {
    M().moduleFileName = "C:\\MEDIA\\SETUP.EXE";
    fake::SetScript(
        "[SETUP]\r\nProduct=Sample\r\nUninstFile=SAMPLE.INI\r\n"
        "[AddFiles.WIN32]\r\nview.exe=\r\nview.hlp=\r\ncore.dll=\r\n"
        "[view.exe]\r\nTargetDir=%WINDIR%\\SAMPLE\r\n[view.hlp]\r\n"
        "[core.dll]\r\nTargetDir=%WINSYSDIR%\r\n");
    fake::WriteFile("C:\\MEDIA\\view.exe", "viewer");
    fake::WriteFile("C:\\MEDIA\\view.hlp", "help");
    fake::WriteFile("C:\\MEDIA\\core.dll", "core 1.2", 0x0001000200000000ull);
    fake::WriteFile("C:\\WINDOWS\\SYSTEM\\core.dll", "core 1.3", 0x0001000300000000ull);
    M().answers = {IDYES};  // keep the newer core.dll
    fake::RunSetup();
    ASSERT_FALSE(M().boxes.empty());
    EXPECT_EQ(M().boxes.back().text, fake::StringTable().at(IDS_SETUP_SUCCEEDED));

    // One creation per run of entries into one directory, logged before the first copy.
    EXPECT_EQ(fake::CallsStartingWith("CreateDirectoryA"),
              (Strings{"CreateDirectoryA C:\\WINDOWS\\\\SAMPLE", "CreateDirectoryA C:\\WINDOWS\\SYSTEM\\"}));
    Strings writes = fake::CallsStartingWith("WritePrivateProfileStringA Uninst");
    // The first entry of each section goes through the profile function (the others of
    // a run are appended): the kept file is named before its [UninstFiles] line.
    ASSERT_GE(writes.size(), 4u);
    EXPECT_EQ(writes[0].rfind("WritePrivateProfileStringA UninstCreatedDirs C:\\WINDOWS\\\\SAMPLE ", 0), 0u);
    EXPECT_EQ(writes[2].rfind("WritePrivateProfileStringA UninstKeptFiles C:\\WINDOWS\\SYSTEM\\core.dll ", 0), 0u);
    EXPECT_EQ(writes[3].rfind("WritePrivateProfileStringA UninstFiles C:\\WINDOWS\\SYSTEM\\core.dll ", 0), 0u);

    M().moduleFileName = kRemover;
    M().boxes.clear();
    M().answers = {IDYES};
    EXPECT_EQ(fake::RunUninst(kLog), kExitSuccess);
    EXPECT_FALSE(fake::FileExists("C:\\WINDOWS\\SAMPLE\\view.exe"));
    EXPECT_FALSE(fake::DirectoryExists("C:\\WINDOWS\\SAMPLE"));
    EXPECT_EQ(fake::ReadFile("C:\\WINDOWS\\SYSTEM\\core.dll"), std::optional<std::string>("core 1.3"));
    EXPECT_FALSE(fake::FileExists(kLog));
    EXPECT_EQ(DialogCount(), 0);
    EXPECT_EQ(M().boxes.back().text, "Sample was removed successfully");
}

}  // namespace
