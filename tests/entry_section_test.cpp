// The entry reader on the fake machine: a section fetched at once gives every key
// exactly as the per-key profile calls do (the shared rows, both ways), it falls back
// to those calls where the block cannot be trusted, and the file phase reads each
// entry with one call.
#include "script/entry_section.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "actions/file_install.h"
#include "fake/fake_machine.h"
#include "profile_cases.h"
#include "script/profile_rules.h"
#include "setup/setup_context.h"

namespace {

using fake::M;
using profile_cases::Call;
using profile_cases::Case;

constexpr char kRowFile[] = "C:\\ROW.INI";

std::string Printable(std::string_view bytes) {
    std::string out;
    for (char c : bytes) out += c == '\0' ? std::string("\\0") : std::string(1, c);
    return out;
}

// The rows that read one text key of one section: what an entry's texts are.
std::vector<Case> OneKeyRows() {
    std::vector<Case> rows;
    for (const Case& row : profile_cases::kCases)
        if (row.call == Call::GetString && row.section != nullptr && row.key != nullptr) rows.push_back(row);
    return rows;
}

// Runs the row through the entry reader; `whole` says which way the keys were taken.
void ExpectRowThroughEntryReader(const Case& row, int& whole) {
    if (row.fileText != nullptr) fake::WriteFile(kRowFile, row.fileText);
    EntrySection entry;
    ReadEntrySection(kRowFile, row.section, entry);
    whole = entry.Whole;
    // SETUP.EXE takes text into a PathText; the rows with a smaller buffer show the
    // cutting rule of the same block.
    std::string got;
    if (row.size == PathText::Capacity) {
        PathText value;
        TakeEntryText(entry, row.key, row.text, value);
        EXPECT_EQ(value.length(), row.expectedResult);
        got.assign(value.text, row.expectedBuffer.size());
    } else {
        if (!entry.Whole) return;  // the per-key calls are the rows themselves
        std::vector<char> buffer(row.size + 8, '*');
        EXPECT_EQ(
            ReadSectionString(std::string_view(entry.Block, entry.Length), row.key, row.text, buffer.data(), row.size),
            row.expectedResult);
        EXPECT_EQ(std::string(buffer.data() + row.size, 8), std::string(8, '*'));
        got.assign(buffer.data(), row.expectedBuffer.size());
    }
    EXPECT_EQ(Printable(got), Printable(row.expectedBuffer));
}

TEST(EntrySection, EveryOneKeyRowHoldsWhenTheSectionIsReadAtOnce) {
    int wholeReads = 0;
    for (const Case& row : OneKeyRows()) {
        SCOPED_TRACE(row.name);
        fake::Reset();
        int whole = 0;
        ExpectRowThroughEntryReader(row, whole);
        wholeReads += whole;
    }
    // Most rows have their section: the block, not the fallback, answered them.
    EXPECT_GT(wholeReads, 15);
}

TEST(EntrySection, EveryOneKeyRowHoldsWhenTheSectionReadFails) {
    for (const Case& row : OneKeyRows()) {
        SCOPED_TRACE(row.name);
        fake::Reset();
        fake::FailAlways("GetPrivateProfileSectionA");
        int whole = 1;
        ExpectRowThroughEntryReader(row, whole);
        EXPECT_EQ(whole, 0);
    }
}

// A section whose block is `length` bytes long (entries and their NULs, without the
// final NUL), with TargetDir as its last key.
std::string SectionWithBlockLength(size_t length) {
    const std::string last = "TargetDir=C:\\APP";  // 16 bytes and its NUL
    std::string text = "[LIB.DLL]\r\n";
    size_t remaining = length - last.size() - 1;
    for (int i = 0; remaining > 0; ++i) {
        size_t entry = remaining >= 110 ? 100 : remaining;  // bytes with its NUL, never fewer than 10
        std::string name = "N" + std::to_string(i) + "=";
        text += name + std::string(entry - 1 - name.size(), 'x') + "\r\n";
        remaining -= entry;
    }
    return text + last + "\r\n";
}

struct BlockEdgeRow {
    size_t blockLength;
    int whole;
    const char* why;
};

constexpr BlockEdgeRow kBlockEdges[] = {
    {200, 1, "a short section"},
    {kEntrySectionBytes - 3, 1, "the longest block that comes back whole"},
    {kEntrySectionBytes - 2, 0, "only just fits: the call returns size-2, as for a cut block"},
    {kEntrySectionBytes - 1, 0, "one byte too long: cut"},
    {3 * kEntrySectionBytes, 0, "far too long: cut"},
};

TEST(EntrySection, ABlockThatMayBeCutIsReadKeyByKey) {
    for (const BlockEdgeRow& row : kBlockEdges) {
        SCOPED_TRACE(row.why);
        fake::Reset();
        std::string text = SectionWithBlockLength(row.blockLength);
        fake::WriteFile(kRowFile, text);
        EntrySection entry;
        ReadEntrySection(kRowFile, "LIB.DLL", entry);
        EXPECT_EQ(entry.Whole, row.whole);
        if (row.whole) {
            EXPECT_EQ(entry.Length, row.blockLength);
        }
        // Either way the last key of the section is found.
        PathText value;
        TakeEntryText(entry, "TargetDir", "none", value);
        EXPECT_EQ(value.view(), "C:\\APP");
        EXPECT_EQ(fake::CountCalls("GetPrivateProfileStringA LIB.DLL TargetDir"), row.whole ? 0 : 1);
    }
}

// --- The file phase ---------------------------------------------------------------------

class EntryReads : public ::testing::Test {
protected:
    void SetUp() override { fake::Reset(); }

    static void Start(const std::string& sections) {
        fake::SetScript("[SETUP]\r\nProduct=Widget\r\n" + sections);
        InitSetupContext("SETUP.INF");
        fake::WriteFile("C:\\MEDIA\\LIB.DLL", "lib");
    }
    static int EntryKeyReads() {
        return fake::CountCalls("GetPrivateProfileStringA LIB.DLL") + fake::CountCalls("GetPrivateProfileIntA LIB.DLL");
    }
};

TEST_F(EntryReads, AnEntryThatIsCopiedIsReadWithOneProfileCall) {
    Start(
        "[AddFiles.WIN32]\r\nLIB.DLL=\r\n[LIB.DLL]\r\nRequiredCopy=1\r\nSourceFilename=LIB.DLL\r\n"
        "TargetFilename=\"NEW.DLL\"\r\nTargetDir=C:\\APP\r\n");
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
    EXPECT_EQ(fake::ReadFile("C:\\APP\\NEW.DLL"), std::optional<std::string>("lib"));
    EXPECT_EQ(fake::CountCalls("GetPrivateProfileSectionA LIB.DLL"), 1);
    EXPECT_EQ(EntryKeyReads(), 0);
}

TEST_F(EntryReads, ALargeSectionIsReadKeyByKeyWithTheSameOutcome) {
    std::string filler;
    for (int i = 0; i < 40; ++i) filler += "Note" + std::to_string(i) + "=" + std::string(60, 'n') + "\r\n";
    Start("[AddFiles.WIN32]\r\nLIB.DLL=\r\n[LIB.DLL]\r\n" + filler + "TargetFilename=NEW.DLL\r\nTargetDir=C:\\APP\r\n");
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
    EXPECT_EQ(fake::ReadFile("C:\\APP\\NEW.DLL"), std::optional<std::string>("lib"));
    // Source, target and directory.
    EXPECT_EQ(fake::CountCalls("GetPrivateProfileStringA LIB.DLL"), 3);
    EXPECT_EQ(fake::CountCalls("GetPrivateProfileIntA LIB.DLL"), 0);
}

TEST_F(EntryReads, RequiredCopyIsAskedOnlyOfAFileThatFailed) {
    Start(
        "[AddFiles.WIN32]\r\nLIB.DLL=\r\nGONE.DLL=\r\nLAST.DLL=\r\n[LIB.DLL]\r\nRequiredCopy=1\r\nTargetDir=C:\\APP\r\n"
        "[GONE.DLL]\r\nRequiredCopy=0\r\n[LAST.DLL]\r\nSourceFilename=LIB.DLL\r\nRequiredCopy=1\r\n");
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);  // GONE.DLL is optional: the phase goes on
    EXPECT_TRUE(fake::FileExists("C:\\APP\\LAST.DLL"));
    EXPECT_EQ(fake::CallsStartingWith("GetPrivateProfileIntA"),
              std::vector<std::string>{"GetPrivateProfileIntA GONE.DLL RequiredCopy C:\\MEDIA\\SETUP.INF"});
    ASSERT_EQ(M().boxes.size(), 1u);  // the copy error, no "File Copy Failed"
}

TEST_F(EntryReads, AnEntryWithoutSectionTakesEveryDefaultKeyByKey) {
    Start("[AddFiles.WIN32]\r\nLIB.DLL=\r\n[OTHER.DLL]\r\nTargetDir=C:\\APP\r\n");
    g_Setup.TARGETDIR.Assign("C:\\PREVIOUS\\");
    fake::MakeDirectory("C:\\PREVIOUS");
    EXPECT_EQ(RunFilePhase("AddFiles.WIN32", nullptr), 1);
    EXPECT_EQ(fake::ReadFile("C:\\PREVIOUS\\LIB.DLL"), std::optional<std::string>("lib"));
    // Source, target, and TargetDir twice: an empty answer is asked again to tell a
    // missing key from "TargetDir=".
    EXPECT_EQ(fake::CountCalls("GetPrivateProfileStringA LIB.DLL"), 4);
}

}  // namespace
