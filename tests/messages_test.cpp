// Composition of catalogue texts: bounded formatting and the copy-error text.
#include <gtest/gtest.h>

#include "fake/fake_machine.h"
#include "setup/setup_context.h"
#include "ui/messages.h"

namespace {

class Catalogue : public ::testing::Test {
protected:
    void SetUp() override { fake::Reset(); }
};

std::string CopyError(DWORD bits) {
    CopyErrorText text;
    ComposeCopyErrorText(bits, text);
    return text.c_str();
}

TEST_F(Catalogue, CopyErrorShowsEveryRemainingBitAndAtMostOneReason) {
    EXPECT_EQ(CopyError(0x80), "Copy Error (80) ");
    EXPECT_EQ(CopyError(0x400), "Copy Error (400) ");
    EXPECT_EQ(CopyError(0x20000), "Copy Error (20000) Cannot read destination. ");
    EXPECT_EQ(CopyError(0x108), "Copy Error (108) Different language. ");
    EXPECT_EQ(CopyError(0x20040), "Copy Error (20040) Disk write protected. ");
    EXPECT_EQ(CopyError(0x10000), "Copy Error (10000) Cannot read source. ");
    EXPECT_EQ(CopyError(0x800), "Copy Error (800) Cannot create file. ");
    EXPECT_EQ(CopyError(0x80000), "Copy Error (80000) ");
}

TEST_F(Catalogue, TheReasonOfTheLastSetBitInTestOrderWins) {
    // Each row: every bit up to and including this one in test order, and the reason
    // that must win.
    const std::pair<DWORD, const char*> order[] = {
        {0x20000, "Cannot read destination. "}, {0x10000, "Cannot read source. "},
        {0x8000, "Out of memory. "},            {0x4000, "Cannot delete current file. "},
        {0x100, "Out of disk space. "},         {0x40, "Disk write protected. "},
        {0x800, "Cannot create file. "},        {0x2000, "Cannot rename file. "},
        {0x1000, "Cannot delete file. "},       {0x200, "Access violation. "},
        {0x20, "Different type. "},             {0x10, "Different code page. "},
        {0x8, "Different language. "},          {0x40000, "Buffer too small. "},
    };
    DWORD bits = 0;
    for (const auto& [bit, reason] : order) {
        bits |= bit;
        std::string text = CopyError(bits);
        EXPECT_EQ(text.substr(text.find(") ") + 2), reason) << "bits " << std::hex << bits;
        EXPECT_EQ(CopyError(bit).substr(CopyError(bit).find(") ") + 2), reason) << "bit alone " << std::hex << bit;
    }
}

TEST_F(Catalogue, ValuesArePassedAsArgumentsSoPercentSignsStay) {
    FixedText<520> text;
    ComposeCatalogueText(text, IDS_SETUP_FAILED, "C:\\100%s\\%n\\");
    EXPECT_STREQ(text.c_str(), "Setup failed for C:\\100%s\\%n\\");
}

TEST_F(Catalogue, CompositionThatDoesNotFitIsCutNeverOverrun) {
    FixedText<32> small;
    std::string dir(300, 'd');
    EXPECT_FALSE(ComposeCatalogueText(small, IDS_SETUP_FAILED, dir.c_str()));
    EXPECT_EQ(small.length(), 31u);
    EXPECT_EQ(std::string(small.c_str()), ("Setup failed for " + dir).substr(0, 31));
}

TEST_F(Catalogue, UnloadableTextLeavesAnEmptyBuffer) {
    MessageText text;
    text.Assign("stale");
    LoadCatalogueText(9999, text);
    EXPECT_TRUE(text.empty());
}

TEST(FixedTextType, CutsExplicitlyAndStaysTerminated) {
    FixedText<5> t;
    EXPECT_TRUE(t.Assign("abcd"));
    EXPECT_FALSE(t.Append("ef"));
    EXPECT_STREQ(t.c_str(), "abcd");
    EXPECT_FALSE(t.Assign("abcdefgh"));
    EXPECT_STREQ(t.c_str(), "abcd");
    EXPECT_TRUE(t.HasRoomFor(0));
    EXPECT_FALSE(t.HasRoomFor(1));
    t.Truncate(2);
    EXPECT_STREQ(t.c_str(), "ab");
    EXPECT_TRUE(t.Append('c'));
    EXPECT_EQ(t.last(), 'c');
}

}  // namespace
