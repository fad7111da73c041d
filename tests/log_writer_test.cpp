// The uninstall log's writer leaves the text the profile function would have left,
// entry by entry, and a run cut anywhere leaves every entry whose file is in place.
#include "uninstlog/log_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "fake/fake_machine.h"
#include "profile_cases.h"
#include "script/script_names.h"
#include "setup/setup_context.h"

namespace {

using fake::M;
using Entries = std::vector<std::pair<const char*, std::string>>;

const char* const kLog = "C:\\APP\\UNINST.INI";
constexpr const char* kFiles = ScriptName::UninstFiles;
constexpr const char* kExec = ScriptName::UninstExec;
constexpr const char* kRegister = ScriptName::UninstRegister;

// The log after the entries, written by the writer or key by key by the profile
// function, on a fresh machine holding `existing` (none when null).
std::string WriteLog(const char* existing, const Entries& entries, bool byProfileFunction) {
    fake::Reset();
    fake::MakeDirectory("C:\\APP");
    if (existing) fake::WriteFile(kLog, existing);
    ResetLogWriter();
    for (const auto& [section, key] : entries) {
        if (byProfileFunction)
            WritePrivateProfileStringA(section, key.c_str(), "", kLog);
        else
            AddLogKey(kLog, section, key.c_str());
    }
    return fake::ReadFile(kLog).value_or("<none>");
}

Entries ManyFiles(int count, const char* prefix = "C:\\APP\\F") {
    Entries entries;
    for (int i = 0; i < count; ++i) entries.emplace_back(kFiles, prefix + std::to_string(i) + ".DAT");
    return entries;
}

Entries operator+(Entries a, const Entries& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct SameTextRow {
    const char* why;
    const char* existing;
    Entries entries;
};

const char* const kWritten = "[UNINST]\r\nProduct=Sample\r\n[UninstFiles]\r\nC:\\OLD\\A.DLL=\r\n";

const SameTextRow kSameTextRows[] = {
    // A fresh log: sections in the order of their first entries, names in order.
    {"fresh log", "[UNINST]\r\nProduct=Sample\r\n",
     ManyFiles(20) + Entries{{kExec, "C:\\APP\\SETUP.EXE /remove"}, {kRegister, "C:\\APP\\F1.DAT"}}},
    // No file yet: the first entry makes it.
    {"no file", nullptr, ManyFiles(3)},
    // An earlier run's log: its entries stay and the new ones join them.
    {"merged existing log", kWritten, ManyFiles(5) + Entries{{kFiles, "C:\\OLD\\B.DLL"}}},
    // The same name again, in other case, is not a second entry.
    {"duplicates in other case", kWritten,
     ManyFiles(4) + Entries{{kFiles, "c:\\old\\a.dll"}, {kFiles, "C:\\app\\f2.dat"}, {kFiles, "C:\\APP\\F3.DAT"}}},
    // The section written is not the file's last one: entries go into it, not the end.
    {"last section is another one",
     "[UNINST]\r\nProduct=Sample\r\n[UninstFiles]\r\nC:\\OLD\\A.DLL=\r\n[Other]\r\nk=v\r\n", ManyFiles(5)},
    // Sections taking turns: each entry lands in its own section.
    {"sections taking turns", "[UNINST]\r\nProduct=Sample\r\n",
     Entries{{kFiles, "C:\\APP\\A"},
             {kExec, "C:\\APP\\A /x"},
             {kFiles, "C:\\APP\\B"},
             {kExec, "C:\\APP\\B /x"},
             {kFiles, "C:\\APP\\A"}}},
    // A log in another form (LF line ends, blanks, empty lines) ends in the functions' form.
    {"log in another form", "[UNINST]\nProduct = Sample\n\n[UninstFiles]\n  C:\\OLD\\A.DLL =\n", ManyFiles(4)},
    // A logged name with a value loses it, as the profile function writes "name=".
    {"name with a value", "[UNINST]\r\nProduct=Sample\r\n[UninstFiles]\r\nC:\\APP\\F1.DAT=old\r\n", ManyFiles(3)},
    // A file ending without a line end gets its entries on lines of their own.
    {"no line end at the end", "[UNINST]\r\nProduct=Sample\r\n[UninstFiles]\r\nC:\\OLD\\A.DLL=", ManyFiles(3)},
    // Names the writer leaves to the profile function: '=', blanks around, '[' and
    // ';' first, other than ASCII.
    {"names that are not plain", kWritten,
     ManyFiles(2) + Entries{{kFiles, "C:\\APP\\a=b.dat"},
                            {kFiles, "C:\\APP\\a=b.dat"},
                            {kExec, "C:\\APP\\X.EXE /x "},
                            {kExec, " C:\\APP\\Y.EXE"},
                            {kFiles, "[C:\\APP\\Z]"},
                            {kFiles, ";C:\\APP\\Z"},
                            {kFiles, "C:\\APP\\\xc9T\xc9.DAT"},
                            {kFiles, "C:\\APP\\F9.DAT"}}},
    // Hundreds of names, then each again in other case and some with a value before:
    // the duplicate check finds every one, wherever it stands in the section.
    {"many names, then again in other case",
     "[UNINST]\r\nProduct=Sample\r\n[UninstFiles]\r\nC:\\APP\\F7.DAT=old\r\nc:\\app\\f7.dat=\r\n",
     ManyFiles(300) + ManyFiles(300, "c:\\app\\f") + ManyFiles(40, "C:\\APP\\G")},
    // A second section of the same name at the end: the functions only see the first.
    {"section named twice", "[UninstFiles]\r\nC:\\OLD\\A.DLL=\r\n[UNINST]\r\nProduct=Sample\r\n[UninstFiles]\r\nx=\r\n",
     ManyFiles(3) + Entries{{kFiles, "x"}}},
};

TEST(LogWriter, LeavesTheTextOfTheProfileFunction) {
    for (const SameTextRow& row : kSameTextRows) {
        std::string expected = WriteLog(row.existing, row.entries, true);
        EXPECT_EQ(WriteLog(row.existing, row.entries, false), expected) << row.why;
    }
}

TEST(LogWriter, AppendsWithoutRewritingTheFile) {
    // After the first new entry, each entry is one write at the end of the file: no
    // profile function reads or rewrites the whole file per entry.
    WriteLog("[UNINST]\r\nProduct=Sample\r\n", ManyFiles(1), false);
    M().calls.clear();
    for (const auto& [section, key] : ManyFiles(50, "C:\\APP\\G")) AddLogKey(kLog, section, key.c_str());
    // One flush of the profile cache before the first direct write, none after.
    EXPECT_EQ(fake::CountCalls("WritePrivateProfileStringA"), 1);
    EXPECT_EQ(fake::CountCalls("WriteFile"), 50);
    EXPECT_EQ(fake::CountCalls("GetPrivateProfile"), 0);
}

// The shared rows of the profile functions that write a name with an empty value
// hold for the writer too, as the first entry of a run and as a later one.
TEST(LogWriter, HoldsTheSharedProfileRows) {
    for (const profile_cases::Case& row : profile_cases::kCases) {
        if (row.call != profile_cases::Call::Write || row.key == nullptr || row.text == nullptr || row.text[0] != '\0')
            continue;
        for (bool later : {false, true}) {
            fake::Reset();
            fake::MakeDirectory("C:\\TEST");
            if (row.fileText) fake::WriteFile("C:\\TEST\\CASE.INI", row.fileText);
            ResetLogWriter();
            if (later) AddLogKey("C:\\TEST\\OTHER.INI", "Other", "first");
            AddLogKey("C:\\TEST\\CASE.INI", row.section, row.key);
            EXPECT_EQ(fake::ReadFile("C:\\TEST\\CASE.INI").value_or("<none>"), row.expectedFile)
                << row.name << (later ? " (later entry)" : " (first entry)");
        }
    }
}

// --- What the writer says ------------------------------------------------------------------

constexpr const char* kShared = ScriptName::UninstSharedFiles;

struct ResultRow {
    const char* why;
    const char* existing;  // the log before, none when null
    Entries before;        // entries of the run before the one judged
    const char* key;       // the entry judged, into [UninstSharedFiles]
    const char* failing;   // a call that fails from then on, or null
    int result;
};

const ResultRow kResultRows[] = {
    {"a new name, the run's first entry",
     "[UNINST]\r\nProduct=Sample\r\n",
     {},
     "C:\\APP\\A.DLL",
     nullptr,
     LogKeyWritten},
    {"a new name appended at the end",
     "[UNINST]\r\nProduct=Sample\r\n",
     {{kShared, "C:\\APP\\B.DLL"}},
     "C:\\APP\\A.DLL",
     nullptr,
     LogKeyWritten},
    {"a name there from an earlier run",
     "[UninstSharedFiles]\r\nC:\\APP\\A.DLL=\r\n",
     {},
     "C:\\APP\\A.DLL",
     nullptr,
     LogKeyAlreadyThere},
    {"a name there in other case",
     "[UninstSharedFiles]\r\nc:\\app\\a.dll=\r\n",
     {},
     "C:\\APP\\A.DLL",
     nullptr,
     LogKeyAlreadyThere},
    {"a name written earlier in this run",
     nullptr,
     {{kShared, "C:\\APP\\A.DLL"}},
     "C:\\APP\\A.DLL",
     nullptr,
     LogKeyAlreadyThere},
    // The line loses its value, as the profile function writes it.
    {"a name there with a value",
     "[UninstSharedFiles]\r\nC:\\APP\\A.DLL=old\r\n",
     {},
     "C:\\APP\\A.DLL",
     nullptr,
     LogKeyWritten},
    // The writer does not compare what is not plain: the profile function decides.
    {"a name beyond ASCII, there already",
     "[UninstSharedFiles]\r\nC:\\\xc9T\xc9=\r\n",
     {},
     "C:\\\xc9T\xc9",
     nullptr,
     LogKeyWritten},
    {"the profile function refuses the first entry",
     "[UNINST]\r\nProduct=Sample\r\n",
     {},
     "C:\\APP\\A.DLL",
     "WritePrivateProfileStringA",
     LogKeyNotWritten},
    {"the profile function refuses a name beyond ASCII",
     "[UNINST]\r\nProduct=Sample\r\n",
     {},
     "C:\\\xc9T\xc9",
     "WritePrivateProfileStringA",
     LogKeyNotWritten},
    // The direct append fails, and so does the profile function it falls back on.
    {"neither way of a later entry works",
     "[UNINST]\r\nProduct=Sample\r\n",
     {{kShared, "C:\\APP\\B.DLL"}},
     "C:\\APP\\A.DLL",
     "WriteFile",
     LogKeyNotWritten},
};

TEST(LogWriter, SaysWhatBecameOfEachEntry) {
    for (const ResultRow& row : kResultRows) {
        WriteLog(row.existing, row.before, false);
        if (row.failing) {
            fake::FailAlways(row.failing);
            fake::FailAlways("WritePrivateProfileStringA");
        }
        EXPECT_EQ(AddLogKey(kLog, kShared, row.key), row.result) << row.why;
    }
}

struct HoldsRow {
    const char* why;
    const char* existing;
    Entries before;
    const char* section;
    const char* key;
    bool held;
};

const char* const kSharedLog =
    "[UNINST]\r\nProduct=Sample\r\n[UninstSharedFiles]\r\nC:\\APP\\A.DLL=\r\nC:\\APP\\V.DLL=1\r\n"
    "C:\\\xc9T\xc9\\E.DLL=\r\nC:\\APP\\a=b.dll=\r\n[UninstFiles]\r\nC:\\APP\\F.DLL=\r\n";

const HoldsRow kHoldsRows[] = {
    {"a line of the section", kSharedLog, {}, kShared, "C:\\APP\\A.DLL", true},
    {"the same in other case", kSharedLog, {}, kShared, "c:\\app\\a.dll", true},
    // A line with a value is not the entry the writer would leave.
    {"a line with a value", kSharedLog, {}, kShared, "C:\\APP\\V.DLL", false},
    {"a name beyond ASCII", kSharedLog, {}, kShared, "C:\\\xc9T\xc9\\E.DLL", true},
    // The whole line counts, though the profile functions' key is what precedes the first '='.
    {"a name holding '='", kSharedLog, {}, kShared, "C:\\APP\\a=b.dll", true},
    {"the start of a name holding '='", kSharedLog, {}, kShared, "C:\\APP\\a", false},
    {"a line of another section", kSharedLog, {}, kShared, "C:\\APP\\F.DLL", false},
    {"a name no section holds", kSharedLog, {}, kShared, "C:\\APP\\N.DLL", false},
    {"no log at all", nullptr, {}, kShared, "C:\\APP\\A.DLL", false},
    {"written earlier in this run", nullptr, {{kShared, "C:\\APP\\A.DLL"}}, kShared, "C:\\APP\\A.DLL", true},
    // The writer held another section last: the one asked about is read.
    {"asked after another section's entry", kSharedLog, {{kFiles, "C:\\APP\\G.DLL"}}, kShared, "C:\\APP\\A.DLL", true},
};

TEST(LogWriter, KnowsTheLinesASectionHolds) {
    for (const HoldsRow& row : kHoldsRows) {
        WriteLog(row.existing, row.before, false);
        EXPECT_EQ(HasLogKey(kLog, row.section, row.key), row.held) << row.why;
    }
}

// Asked just before the entry is added, the question costs the entry no read.
TEST(LogWriter, AskingBeforeAddingReadsTheSectionOnce) {
    WriteLog(kSharedLog, ManyFiles(2), false);
    M().calls.clear();
    EXPECT_FALSE(HasLogKey(kLog, kShared, "C:\\APP\\N.DLL"));
    size_t reads = fake::CallsStartingWith("GetPrivateProfile").size();
    EXPECT_GT(reads, 0u);
    EXPECT_EQ(AddLogKey(kLog, kShared, "C:\\APP\\N.DLL"), LogKeyWritten);
    EXPECT_EQ(fake::CallsStartingWith("GetPrivateProfile").size(), reads);
    EXPECT_TRUE(HasLogKey(kLog, kShared, "C:\\APP\\N.DLL"));
}

// --- A run cut short ------------------------------------------------------------------

struct PowerCut {};

const char* const kMediumScript =
    "[SETUP]\r\nProduct=Sample\r\nUninstFile=C:\\APP\\UNINST.INI\r\n"
    "[AddFiles.WIN32]\r\nA.DAT=\r\nB.DAT=\r\nC.DAT=\r\nD.DAT=\r\nE.DAT=\r\n"
    "[A.DAT]\r\nTargetDir=C:\\APP\r\n";

void MakeMedium() {
    fake::Reset();
    fake::MakeDirectory("C:\\APP");
    fake::SetScript(kMediumScript);
    for (const char* name : {"A.DAT", "B.DAT", "C.DAT", "D.DAT", "E.DAT"})
        fake::WriteFile(std::string("C:\\MEDIA\\") + name, name);
}

std::vector<std::string> LoggedFiles() {
    std::vector<std::string> names;
    char block[4096];
    GetPrivateProfileStringA(kFiles, nullptr, "", block, sizeof block, kLog);
    for (const char* name = block; *name; name += std::string(name).size() + 1) names.push_back(name);
    return names;
}

TEST(LogWriter, RunCutAfterAnyCallKeepsEveryEntryWhoseFileIsInPlace) {
    MakeMedium();
    fake::RunSetup();
    const std::vector<std::string> complete = LoggedFiles();
    ASSERT_EQ(complete.size(), 5u);
    const size_t totalCalls = M().calls.size();

    for (size_t cut = 1; cut <= totalCalls; ++cut) {
        MakeMedium();
        size_t count = 0;
        M().onCall = [&](const std::string&) {
            if (++count == cut) throw PowerCut{};
        };
        try {
            fake::RunSetup();
        } catch (const PowerCut&) {
        }
        M().onCall = nullptr;
        std::vector<std::string> logged = LoggedFiles();
        // What the log holds is the start of the complete list...
        ASSERT_LE(logged.size(), complete.size()) << "cut at call " << cut;
        EXPECT_TRUE(std::equal(logged.begin(), logged.end(), complete.begin())) << "cut at call " << cut;
        // ...and every file in place is in it, but the one being installed at the cut.
        size_t inPlace = 0;
        for (const std::string& path : complete)
            if (fake::FileExists(path)) ++inPlace;
        EXPECT_LE(inPlace, logged.size() + 1) << "cut at call " << cut;
        // Each logged line is whole: the file reads back as the profile functions wrote it.
        if (!logged.empty()) EXPECT_EQ(fake::ReadFile(kLog)->substr(0, 26), "[UNINST]\r\nProduct=Sample\r\n");
    }
}

// A log in a directory the file phase makes gets the product's name with its first
// entry, so that the remover accepts it.
TEST(LogWriter, LogMadeLaterGetsTheProductName) {
    fake::Reset();
    fake::SetScript(
        "[SETUP]\r\nProduct=Sample\r\nUninstFile=C:\\NEW\\UNINST.INI\r\n"
        "[AddFiles.WIN32]\r\nA.DAT=\r\n[A.DAT]\r\nTargetDir=C:\\NEW\r\n");
    fake::WriteFile("C:\\MEDIA\\A.DAT", "a");
    fake::RunSetup();
    EXPECT_EQ(fake::ReadFile("C:\\NEW\\UNINST.INI").value_or("<none>"),
              "[UNINST]\r\nProduct=Sample\r\n[UninstCreatedDirs]\r\nC:\\NEW=\r\n[UninstFiles]\r\nC:\\NEW\\A.DAT=\r\n");
}

}  // namespace

namespace {
// A log the file functions cannot name (a bare name too long for the Windows
// directory) leaves every entry to the profile function, without touching memory the
// writer does not hold.
TEST(LogWriter, LogPathTooLongForTheFileFunctionsFallsBackCleanly) {
    fake::Reset();
    ResetLogWriter();
    g_Setup.WINDIR.Assign("C:\\WINDOWS\\");
    std::string bare(255, 'L');
    AddLogKey(bare.c_str(), kFiles, "C:\\APP\\A.DAT");
    AddLogKey(bare.c_str(), kFiles, "C:\\APP\\B.DAT");
    EXPECT_EQ(M().badHeapFrees, 0);
    EXPECT_EQ(fake::CountCalls("WriteFile"), 0);
}
}  // namespace
