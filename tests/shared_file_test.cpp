// Files several products install (SharedFile=1) on the fake machine: the SharedDLLs
// count each installation raises once, whatever form the count was left in, the
// [UninstSharedFiles] line written before it, and what a script without the key or a
// registry that refuses leaves of the installation.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "actions/file_install.h"
#include "fake/fake_machine.h"
#include "setup/setup_context.h"
#include "ui/run_trace.h"

namespace {

using fake::M;
using namespace std::string_literals;
using Strings = std::vector<std::string>;

constexpr char kLog[] = "C:\\UNINST.INI";
constexpr char kTrace[] = "C:\\TRACE.LOG";
constexpr char kCounts[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
constexpr char kCountsPath[] = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
constexpr char kSource[] = "C:\\MEDIA\\LIB.DLL";
constexpr char kDestination[] = "C:\\APP\\LIB.DLL";
constexpr char kSharedEntry[] = "[AddFiles.WIN32]\r\nLIB.DLL=\r\n[LIB.DLL]\r\nTargetDir=C:\\APP\r\nSharedFile=1\r\n";

// A value of the SharedDLLs key: its type and bytes.
struct Value {
    DWORD type;
    std::string bytes;
    bool operator==(const Value& other) const { return type == other.type && bytes == other.bytes; }
};

std::string Dword(DWORD n) {
    return std::string{static_cast<char>(n & 0xff), static_cast<char>((n >> 8) & 0xff),
                       static_cast<char>((n >> 16) & 0xff), static_cast<char>((n >> 24) & 0xff)};
}

std::optional<Value> CountValue(const std::string& name) {
    auto key = M().registry.find(kCountsPath);
    if (key == M().registry.end()) return std::nullopt;
    auto value = key->second.values.find(name);
    if (value == key->second.values.end()) return std::nullopt;
    return Value{value->second.first, value->second.second};
}

std::string LogText() {
    return fake::ReadFile(kLog).value_or("<none>");
}

// Start-up as the driver does it, with the uninstall log kLog (none when `withLog` is
// false) and the product "Widget".
void Start(const std::string& sections, bool withLog = true) {
    fake::SetScript(std::string("[SETUP]\r\nProduct=Widget\r\n") + (withLog ? "UninstFile=" + std::string(kLog) : "") +
                    "\r\n" + sections);
    InitSetupContext("SETUP.INF");
}

// The trace lines of the run that tell what became of a count.
Strings SharedTraceLines() {
    Strings lines;
    std::string text = fake::ReadFile(kTrace).value_or("");
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find("\r\n", at);
        std::string line = text.substr(at, end - at);
        if (line.rfind("shared ", 0) == 0) lines.push_back(line);
        at = end == std::string::npos ? text.size() : end + 2;
    }
    return lines;
}

// Lines enough to make an entry section larger than the block it is read into.
std::string Filler() {
    std::string filler;
    for (int i = 0; i < 40; ++i) filler += "Note" + std::to_string(i) + "=" + std::string(60, 'n') + "\r\n";
    return filler;
}

class SharedFile : public ::testing::Test {
protected:
    void SetUp() override { fake::Reset(); }
    void TearDown() override { CloseRunTrace(); }
};

// --- The count after one installation --------------------------------------------------

enum class Present { No, Older, Newer, InUse };

struct CountRow {
    const char* why;
    Present present;              // the file at the destination before the copy
    std::optional<Value> before;  // the SharedDLLs value before the copy
    int answer;                   // to the older-source question (0: none asked)
    std::optional<Value> after;   // the value after the run
    bool logged;                  // [UninstSharedFiles] lists the file
    const char* trace;            // the run's trace line for the count
};

const CountRow kCountRows[] = {
    // The first product to install the file is its only user.
    {"a new file starts at 1", Present::No, std::nullopt, 0, Value{REG_DWORD, Dword(1)}, true,
     "shared C:\\APP\\LIB.DLL: count 1"},
    // The product that put it there without counting it uses it too.
    {"a file there without a count starts at 2", Present::Older, std::nullopt, 0, Value{REG_DWORD, Dword(2)}, true,
     "shared C:\\APP\\LIB.DLL: count 2"},
    {"a count of 3 becomes 4", Present::Older, Value{REG_DWORD, Dword(3)}, 0, Value{REG_DWORD, Dword(4)}, true,
     "shared C:\\APP\\LIB.DLL: count 4"},
    // Counts of other forms are read as counts and written back as REG_DWORD.
    {"a decimal REG_SZ \"2\" becomes 3", Present::Older, Value{REG_SZ, "2\0"s}, 0, Value{REG_DWORD, Dword(3)}, true,
     "shared C:\\APP\\LIB.DLL: count 3"},
    {"a REG_SZ without its terminator", Present::Older, Value{REG_SZ, "12"}, 0, Value{REG_DWORD, Dword(13)}, true,
     "shared C:\\APP\\LIB.DLL: count 13"},
    {"REG_BINARY of one byte", Present::Older, Value{REG_BINARY, "\x05"}, 0, Value{REG_DWORD, Dword(6)}, true,
     "shared C:\\APP\\LIB.DLL: count 6"},
    {"REG_BINARY of two bytes, least significant first", Present::Older, Value{REG_BINARY, "\x01\x02"}, 0,
     Value{REG_DWORD, Dword(0x202)}, true, "shared C:\\APP\\LIB.DLL: count 514"},
    {"REG_BINARY of four bytes", Present::Older, Value{REG_BINARY, "\x01\x00\x01\x00"s}, 0,
     Value{REG_DWORD, Dword(0x10002)}, true, "shared C:\\APP\\LIB.DLL: count 65538"},
    // A count of 0 claims nobody, but the file stayed: its earlier owner is counted.
    {"a count of 0 on a file there is taken as no count", Present::Older, Value{REG_DWORD, Dword(0)}, 0,
     Value{REG_DWORD, Dword(2)}, true, "shared C:\\APP\\LIB.DLL: count 2"},
    {"a count of 0 on a new file", Present::No, Value{REG_DWORD, Dword(0)}, 0, Value{REG_DWORD, Dword(1)}, true,
     "shared C:\\APP\\LIB.DLL: count 1"},
    // Products that counted a file since deleted still lower the count when they go.
    {"a count a missing file left is raised", Present::No, Value{REG_DWORD, Dword(2)}, 0, Value{REG_DWORD, Dword(3)},
     true, "shared C:\\APP\\LIB.DLL: count 3"},
    // The highest count cannot grow; one more would wrap to 0.
    {"the highest count stays", Present::Older, Value{REG_DWORD, Dword(0xFFFFFFFFu)}, 0,
     Value{REG_DWORD, Dword(0xFFFFFFFFu)}, true, "shared C:\\APP\\LIB.DLL: count 4294967295"},
    // Values that are no count of a known form are another program's: left alone, and
    // nothing is logged that a remover would lower.
    {"a REG_SZ that is no number", Present::Older, Value{REG_SZ, "two\0"s}, 0, Value{REG_SZ, "two\0"s}, false,
     "shared C:\\APP\\LIB.DLL: not counted (count unreadable)"},
    {"an empty REG_SZ", Present::Older, Value{REG_SZ, "\0"s}, 0, Value{REG_SZ, "\0"s}, false,
     "shared C:\\APP\\LIB.DLL: not counted (count unreadable)"},
    {"a REG_SZ of nine digits, the longest read", Present::Older, Value{REG_SZ, "999999999\0"s}, 0,
     Value{REG_DWORD, Dword(1000000000)}, true, "shared C:\\APP\\LIB.DLL: count 1000000000"},
    {"a REG_SZ with a sign", Present::Older, Value{REG_SZ, "+2\0"s}, 0, Value{REG_SZ, "+2\0"s}, false,
     "shared C:\\APP\\LIB.DLL: not counted (count unreadable)"},
    {"a REG_SZ of ten digits", Present::Older, Value{REG_SZ, "1000000000\0"s}, 0, Value{REG_SZ, "1000000000\0"s}, false,
     "shared C:\\APP\\LIB.DLL: not counted (count unreadable)"},
    {"REG_BINARY of five bytes", Present::Older, Value{REG_BINARY, "\x01\x00\x00\x00\x00"s}, 0,
     Value{REG_BINARY, "\x01\x00\x00\x00\x00"s}, false, "shared C:\\APP\\LIB.DLL: not counted (count unreadable)"},
    {"empty REG_BINARY", Present::Older, Value{REG_BINARY, ""}, 0, Value{REG_BINARY, ""}, false,
     "shared C:\\APP\\LIB.DLL: not counted (count unreadable)"},
    {"a REG_DWORD of two bytes", Present::Older, Value{REG_DWORD, "\x03\x00"s}, 0, Value{REG_DWORD, "\x03\x00"s}, false,
     "shared C:\\APP\\LIB.DLL: not counted (count unreadable)"},
    {"a REG_MULTI_SZ", Present::Older, Value{REG_MULTI_SZ, "2\0\0"s}, 0, Value{REG_MULTI_SZ, "2\0\0"s}, false,
     "shared C:\\APP\\LIB.DLL: not counted (count unreadable)"},
    {"data too long for a count", Present::Older, Value{REG_SZ, std::string(20, '1') + '\0'}, 0,
     Value{REG_SZ, std::string(20, '1') + '\0'}, false, "shared C:\\APP\\LIB.DLL: not counted (count unreadable)"},
    // The product uses the file it kept as much as one it copied.
    {"a newer file kept at the question is counted", Present::Newer, std::nullopt, IDYES, Value{REG_DWORD, Dword(2)},
     true, "shared C:\\APP\\LIB.DLL: count 2"},
    {"an older file installed over a newer one is counted", Present::Newer, Value{REG_DWORD, Dword(1)}, IDNO,
     Value{REG_DWORD, Dword(2)}, true, "shared C:\\APP\\LIB.DLL: count 2"},
    // Staged for the restart, it is the product's from then on.
    {"a file in use staged for the restart is counted", Present::InUse, std::nullopt, 0, Value{REG_DWORD, Dword(2)},
     true, "shared C:\\APP\\LIB.DLL: count 2"},
};

TEST_F(SharedFile, EachInstallationRaisesTheCountOnceFromWhatItFinds) {
    for (const CountRow& row : kCountRows) {
        SCOPED_TRACE(row.why);
        fake::Reset();
        Start(kSharedEntry);
        OpenRunTrace(kTrace);
        fake::MakeDirectory("C:\\APP");
        fake::WriteFile(kSource, "new", 2);
        if (row.present != Present::No) fake::WriteFile(kDestination, "old", row.present == Present::Newer ? 3 : 1);
        if (row.present == Present::InUse) M().files[kDestination].inUse = true;
        if (row.before)
            fake::SetRegistryData(HKEY_LOCAL_MACHINE, kCounts, kDestination, row.before->type, row.before->bytes);
        if (row.answer != 0) M().answers.push_back(row.answer);

        EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
        CloseRunTrace();

        EXPECT_EQ(CountValue(kDestination), row.after);
        // A kept file is another product's newer one: the log says so first.
        std::string kept = row.answer == IDYES ? "[UninstKeptFiles]\r\nC:\\APP\\LIB.DLL=\r\n" : "";
        std::string shared = row.logged ? "[UninstSharedFiles]\r\nC:\\APP\\LIB.DLL=\r\n" : "";
        EXPECT_EQ(LogText(),
                  "[UNINST]\r\nProduct=Widget\r\n" + kept + shared + "[UninstFiles]\r\nC:\\APP\\LIB.DLL=\r\n");
        EXPECT_EQ(SharedTraceLines(), Strings{row.trace});
        EXPECT_EQ(M().keysOpened, M().keysClosed);
        EXPECT_TRUE(M().answers.empty());
    }
}

// --- Once per installation --------------------------------------------------------------

TEST_F(SharedFile, TwoEntriesForOnePathRaiseTheCountOnce) {
    struct Row {
        const char* why;
        std::string entries;
    };
    const Row rows[] = {
        {"the same entry listed twice",
         "[AddFiles.WIN32]\r\nLIB.DLL=\r\nLIB.DLL=\r\n"
         "[LIB.DLL]\r\nTargetDir=C:\\APP\r\nSharedFile=1\r\n"},
        // Two entries name the file two ways: the count names it one way.
        {"two entries, the second spelling the directory otherwise",
         "[AddFiles.WIN32]\r\nLIB.DLL=\r\nagain=\r\n[LIB.DLL]\r\nTargetDir=C:\\APP\r\nSharedFile=1\r\n"
         "[again]\r\nSourceFilename=LIB.DLL\r\nTargetFilename=lib.dll\r\nTargetDir=c:\\app\\\\\r\nSharedFile=1\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        fake::Reset();
        Start(row.entries);
        fake::WriteFile(kSource, "new");
        EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
        EXPECT_EQ(CountValue(kDestination), (Value{REG_DWORD, Dword(1)}));
        EXPECT_EQ(fake::CountCalls("RegSetValueExA"), 1);
        // The second entry asks the log only: no registry call of its own.
        EXPECT_EQ(fake::CountCalls("RegCreateKeyExA"), 1);
    }
}

TEST_F(SharedFile, ASecondRunOverTheSameLogDoesNotRaiseTheCountAgain) {
    struct Row {
        const char* why;
        const char* targetDir;
        const char* name;
    };
    const Row rows[] = {
        {"a plain path", "C:\\APP", "C:\\APP\\LIB.DLL"},
        // Not plain ASCII: the writer leaves such a name to the profile function, and
        // still finds its line.
        {"a path with a letter beyond ASCII", "C:\\\xc9T\xc9", "C:\\\xc9T\xc9\\LIB.DLL"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        fake::Reset();
        fake::SetScript(std::string("[SETUP]\r\nProduct=Widget\r\nUninstFile=") + kLog +
                        "\r\n[AddFiles.WIN32]\r\nLIB.DLL=\r\n[LIB.DLL]\r\nTargetDir=" + row.targetDir +
                        "\r\nSharedFile=1\r\n");
        fake::WriteFile(kSource, "new");
        fake::RunSetup();
        ASSERT_EQ(CountValue(row.name), (Value{REG_DWORD, Dword(1)}));
        std::string log = LogText();
        // The same medium again, over the file and the log the first run left.
        M().calls.clear();
        fake::RunSetup();
        EXPECT_EQ(CountValue(row.name), (Value{REG_DWORD, Dword(1)}));
        EXPECT_EQ(LogText(), log);
        EXPECT_TRUE(fake::CallsStartingWith("RegCreateKeyExA").empty());
        EXPECT_TRUE(fake::CallsStartingWith("RegSetValueExA").empty());
    }
}

// Another product's installation counts for itself, with its own log.
TEST_F(SharedFile, TwoProductsWithTheirOwnLogsCountTwice) {
    for (const char* log : {"C:\\ONE.INI", "C:\\TWO.INI"}) {
        fake::SetScript(std::string("[SETUP]\r\nProduct=Widget\r\nUninstFile=") + log + "\r\n" + kSharedEntry);
        fake::WriteFile(kSource, "new");
        fake::RunSetup();
    }
    EXPECT_EQ(CountValue(kDestination), (Value{REG_DWORD, Dword(2)}));
    for (const char* log : {"C:\\ONE.INI", "C:\\TWO.INI"})
        EXPECT_NE(fake::ReadFile(log).value_or("").find("[UninstSharedFiles]\r\nC:\\APP\\LIB.DLL=\r\n"),
                  std::string::npos)
            << log;
}

// --- What is not counted ---------------------------------------------------------------------

TEST_F(SharedFile, ScriptsWithoutTheKeyMakeNoCallForIt) {
    struct Row {
        const char* why;
        std::string entries;
        bool traced;  // with a trace, whose "replaced" already asks whether the file is there
    };
    const Row rows[] = {
        {"an entry section read whole", "[AddFiles.WIN32]\r\nLIB.DLL=\r\n[LIB.DLL]\r\nTargetDir=C:\\APP\r\n", false},
        {"the same with a trace", "[AddFiles.WIN32]\r\nLIB.DLL=\r\n[LIB.DLL]\r\nTargetDir=C:\\APP\r\n", true},
        // The second entry has no section at all and inherits the directory.
        {"an entry without a section",
         "[AddFiles.WIN32]\r\nLIB.DLL=\r\nREADME.TXT=\r\n[LIB.DLL]\r\nTargetDir=C:\\APP\r\n", false},
        // Too large for the block: its other keys are read one by one, this one is not.
        {"a section too large for the block",
         "[AddFiles.WIN32]\r\nLIB.DLL=\r\n[LIB.DLL]\r\n" + Filler() + "TargetDir=C:\\APP\r\n", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        fake::Reset();
        Start(row.entries);
        if (row.traced) OpenRunTrace(kTrace);
        fake::WriteFile(kSource, "new");
        fake::WriteFile("C:\\MEDIA\\README.TXT", "text");
        fake::WriteFile(kDestination, "old");
        M().calls.clear();
        EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
        CloseRunTrace();
        EXPECT_TRUE(fake::CallsStartingWith("Reg").empty()) << ::testing::PrintToString(M().calls);
        for (const std::string& call : M().calls) EXPECT_EQ(call.find("SharedFile"), std::string::npos) << call;
        EXPECT_EQ(fake::CountCalls("GetFileAttributesA"), row.traced ? 1 : 0);
        EXPECT_EQ(LogText().find("UninstSharedFiles"), std::string::npos);
        EXPECT_FALSE(CountValue(kDestination).has_value());
    }
}

// The calls of a one-file run without the key, as they were before shared files were
// counted: nothing about them may change for a script that does not use it.
TEST_F(SharedFile, AScriptWithoutTheKeyMakesTheCallsItAlwaysMade) {
    // An entry read from its section's block, and one without a section.
    Start("[AddFiles.WIN32]\r\nLIB.DLL=\r\nREADME.TXT=\r\n[LIB.DLL]\r\nTargetDir=C:\\APP\r\n");
    fake::WriteFile(kSource, "new");
    fake::WriteFile("C:\\MEDIA\\README.TXT", "text");
    M().calls.clear();
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
    const Strings expected = {
        "GetProcessHeap",
        "HeapAlloc 1024",
        "GetPrivateProfileStringA AddFiles.WIN32  C:\\MEDIA\\SETUP.INF",
        "CreateDialogParamA 100",
        "GetSystemMetrics 0",
        "GetSystemMetrics 1",
        "GetWindowRect",
        "MoveWindow 192 252 421 95",
        "SetWindowTextA Widget",
        "SetDlgItemTextA 102 ",
        "GetPrivateProfileSectionA LIB.DLL C:\\MEDIA\\SETUP.INF",
        "SetDlgItemTextA 102 C:\\APP\\LIB.DLL",
        "PeekMessageA",
        "CreateDirectoryA C:\\APP",
        "GetPrivateProfileStringA UNINST Product C:\\UNINST.INI",
        "WritePrivateProfileStringA   (null) C:\\UNINST.INI",
        "GetProcessHeap",
        "HeapAlloc 1024",
        "GetPrivateProfileStringA   C:\\UNINST.INI",
        "GetProcessHeap",
        "HeapFree",
        "GetProcessHeap",
        "HeapAlloc 1024",
        "GetPrivateProfileSectionA UninstCreatedDirs C:\\UNINST.INI",
        "WritePrivateProfileStringA UninstCreatedDirs C:\\APP  C:\\UNINST.INI",
        "GetProcessHeap",
        "HeapReAlloc 16",
        "GetProcessHeap",
        "HeapAlloc 256",
        "VerFindFileA LIB.DLL C:\\APP",
        "VerInstallFileA LIB.DLL LIB.DLL",
        "GetProcessHeap",
        "HeapFree",
        "GetProcessHeap",
        "HeapFree",
        "WritePrivateProfileStringA   (null) C:\\UNINST.INI",
        "GetProcessHeap",
        "HeapAlloc 1024",
        "GetPrivateProfileStringA   C:\\UNINST.INI",
        "GetProcessHeap",
        "HeapFree",
        "GetProcessHeap",
        "HeapAlloc 1024",
        "GetPrivateProfileSectionA UninstFiles C:\\UNINST.INI",
        "WritePrivateProfileStringA UninstFiles C:\\APP\\LIB.DLL  C:\\UNINST.INI",
        "GetProcessHeap",
        "HeapReAlloc 32",
        "GetProcessHeap",
        "HeapAlloc 256",
        "GetPrivateProfileSectionA README.TXT C:\\MEDIA\\SETUP.INF",
        "GetPrivateProfileStringA README.TXT SourceFilename C:\\MEDIA\\SETUP.INF",
        "GetPrivateProfileStringA README.TXT TargetFilename C:\\MEDIA\\SETUP.INF",
        "GetPrivateProfileStringA README.TXT TargetDir C:\\MEDIA\\SETUP.INF",
        "GetPrivateProfileStringA README.TXT TargetDir C:\\MEDIA\\SETUP.INF",
        "SetDlgItemTextA 102 C:\\APP\\README.TXT",
        "PeekMessageA",
        "VerFindFileA README.TXT C:\\APP",
        "VerInstallFileA README.TXT README.TXT",
        "WritePrivateProfileStringA   (null) C:\\UNINST.INI",
        "CreateFileA C:\\UNINST.INI 4",
        "SetFilePointer 0 2",
        "WriteFile C:\\APP\\README.TXT=",
        "CloseHandle",
        "GetProcessHeap",
        "HeapReAlloc 70",
        "DestroyWindow",
        "GetProcessHeap",
        "HeapFree",
    };
    EXPECT_EQ(M().calls, expected);
}

// The key is found in the entry's section however it is read, and its number read as
// the profile functions read every number of the script.
TEST_F(SharedFile, TheKeyIsReadAsTheScriptsOtherNumbersAre) {
    struct Row {
        const char* why;
        std::string section;  // the lines of [LIB.DLL] after TargetDir
        bool counted;
    };
    const Row rows[] = {
        {"SharedFile=1", "SharedFile=1\r\n", true},
        {"SharedFile=0, as without the key", "SharedFile=0\r\n", false},
        {"the name in other case", "sharedfile=1\r\n", true},
        {"any number but 0", "SharedFile=2\r\n", true},
        {"a number after blanks, as the profile functions read it", "SharedFile = 1\r\n", true},
        {"a value that is no number counts as 0", "SharedFile=yes\r\n", false},
        {"an empty value", "SharedFile=\r\n", false},
        {"the first of two keys wins", "SharedFile=0\r\nSharedFile=1\r\n", false},
        {"a section too large for the block, the key among its first lines", "SharedFile=1\r\n" + Filler(), true},
        // Of a section larger than the block only its first part shows which keys it holds.
        {"a section too large for the block, the key beyond its first 2 KB", Filler() + "SharedFile=1\r\n", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        fake::Reset();
        Start("[AddFiles.WIN32]\r\nLIB.DLL=\r\n[LIB.DLL]\r\nTargetDir=C:\\APP\r\n" + row.section);
        fake::WriteFile(kSource, "new");
        EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
        EXPECT_EQ(CountValue(kDestination).has_value(), row.counted);
    }
}

TEST_F(SharedFile, WithoutAnUninstallLogNothingIsCounted) {
    Start(kSharedEntry, false);
    OpenRunTrace(kTrace);
    fake::WriteFile(kSource, "new");
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
    CloseRunTrace();
    EXPECT_TRUE(fake::FileExists(kDestination));
    EXPECT_TRUE(fake::CallsStartingWith("Reg").empty());
    EXPECT_FALSE(CountValue(kDestination).has_value());
    EXPECT_EQ(SharedTraceLines(), Strings{"shared C:\\APP\\LIB.DLL: not counted (no log)"});
}

// A failed copy installs nothing, so nothing is counted.
TEST_F(SharedFile, AFailedCopyIsNotCounted) {
    Start(kSharedEntry);
    // No source on the medium.
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 0);
    EXPECT_TRUE(fake::CallsStartingWith("Reg").empty());
    EXPECT_EQ(LogText().find("UninstSharedFiles"), std::string::npos);
}

// --- Failures of the registry and the log ---------------------------------------------------

TEST_F(SharedFile, ARegistryOrLogThatRefusesChangesNothingOfTheInstallation) {
    struct Row {
        const char* why;
        const char* failing;  // the call that fails, always
        bool logged;          // [UninstSharedFiles] lists the file after all
        std::optional<Value> after;
        const char* trace;
    };
    const Row rows[] = {
        // The common one: on Windows NT only administrators may write below HKLM.
        {"the key cannot be opened for writing", "RegCreateKeyExA", false, std::nullopt,
         "shared C:\\APP\\LIB.DLL: not counted (registry 5)"},
        // The value cannot be read: it may be a count, and it is not written over.
        {"the count cannot be read", "RegQueryValueExA", false, std::nullopt,
         "shared C:\\APP\\LIB.DLL: not counted (count unreadable)"},
        // The count is written first: without it, no line either, and the remover takes
        // the file for the product's alone (no other count there).
        {"the count cannot be written", "RegSetValueExA", false, std::nullopt,
         "shared C:\\APP\\LIB.DLL: not counted (registry 5)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        fake::Reset();
        Start(kSharedEntry);
        OpenRunTrace(kTrace);
        fake::WriteFile(kSource, "new");
        fake::FailAlways(row.failing);
        EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
        CloseRunTrace();
        EXPECT_TRUE(M().boxes.empty());
        EXPECT_EQ(fake::ReadFile(kDestination), std::optional<std::string>("new"));
        EXPECT_EQ(LogText().find("[UninstSharedFiles]\r\nC:\\APP\\LIB.DLL=\r\n") != std::string::npos, row.logged);
        EXPECT_NE(LogText().find("[UninstFiles]\r\nC:\\APP\\LIB.DLL=\r\n"), std::string::npos);
        EXPECT_EQ(CountValue(kDestination), row.after);
        EXPECT_EQ(SharedTraceLines(), Strings{row.trace});
        EXPECT_EQ(M().keysOpened, M().keysClosed);
    }
}

// The count goes first, the line after: a line that cannot be written leaves a count
// that no removal lowers (the file is kept for good), never a line without this
// installation's count, which would have a removal lower another product's.
TEST_F(SharedFile, ALogThatCannotBeWrittenLeavesTheCountRaisedAndUnrecorded) {
    Start(kSharedEntry);
    OpenRunTrace(kTrace);
    fake::WriteFile(kSource, "new");
    fake::SetRegistryData(HKEY_LOCAL_MACHINE, kCounts, kDestination, REG_DWORD, Dword(3));
    // The section is new to the log, so its first line goes to the profile function.
    fake::FailAlways("WritePrivateProfileStringA");
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
    M().failAlways.clear();
    CloseRunTrace();
    EXPECT_EQ(CountValue(kDestination), (Value{REG_DWORD, Dword(4)}));
    EXPECT_EQ(LogText().find("[UninstSharedFiles]"), std::string::npos);
    Strings lines = SharedTraceLines();
    EXPECT_EQ(lines, Strings{"shared C:\\APP\\LIB.DLL: counted, not logged (log not written)"});
}

// --- Order and names ---------------------------------------------------------------------------

// The count first, then the line that lets a remover lower it, then the file's entry: a
// cut anywhere leaves no line without this installation's count.
TEST_F(SharedFile, TheCountComesBeforeTheLineAndTheFileEntryAfterBoth) {
    Start(kSharedEntry);
    fake::WriteFile(kSource, "new");
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
    auto at = [](const std::string& prefix) {
        for (size_t i = 0; i < M().calls.size(); ++i)
            if (M().calls[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
        return -1;
    };
    int opened = at("RegCreateKeyExA HKEY_LOCAL_MACHINE Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs");
    int line = at("WritePrivateProfileStringA UninstSharedFiles C:\\APP\\LIB.DLL ");
    int count = at("RegSetValueExA " + std::string(kCountsPath) + " C:\\APP\\LIB.DLL");
    int entry = at("WritePrivateProfileStringA UninstFiles C:\\APP\\LIB.DLL ");
    ASSERT_GE(opened, 0);
    EXPECT_LT(opened, count);
    EXPECT_LT(count, line);
    EXPECT_LT(line, entry);
}

TEST_F(SharedFile, TheCountIsNamedByTheFoldedPath) {
    struct Row {
        const char* why;
        const char* targetDir;
        const char* name;  // the value's name, and the log line
    };
    const Row rows[] = {
        {"a directory as written", "C:\\APP", "C:\\APP\\LIB.DLL"},
        // %WINSYSDIR%\ gives a doubled backslash; other installers count the single one.
        {"a doubled backslash", "C:\\APP\\\\", "C:\\APP\\LIB.DLL"},
        {"a forward slash", "C:\\APP/", "C:\\APP\\LIB.DLL"},
        // A network path keeps its leading pair.
        {"a network path", "\\\\SERVER\\SHARE\\\\APP", "\\\\SERVER\\SHARE\\APP\\LIB.DLL"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        fake::Reset();
        fake::MakeDirectory("\\\\SERVER\\SHARE");
        Start(std::string("[AddFiles.WIN32]\r\nLIB.DLL=\r\n[LIB.DLL]\r\nTargetDir=") + row.targetDir +
              "\r\nSharedFile=1\r\n");
        fake::WriteFile(kSource, "new");
        EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
        EXPECT_EQ(CountValue(row.name), (Value{REG_DWORD, Dword(1)}));
        EXPECT_EQ(M().registry[kCountsPath].values.size(), 1u);
        EXPECT_NE(LogText().find("[UninstSharedFiles]\r\n" + std::string(row.name) + "=\r\n"), std::string::npos);
    }
}

}  // namespace
