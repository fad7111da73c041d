// The script reader over any INI file named by path: fallbacks, cut texts, numbers
// and flags, as the setup script, another INI file and the uninstall log need them.
#include "script/script_reader.h"

#include <gtest/gtest.h>

#include <string>

#include "fake/fake_machine.h"

namespace {

constexpr char kFile[] = "C:\\APP\\UNINST.LOG";

class ScriptReader : public ::testing::Test {
protected:
    void SetUp() override {
        fake::Reset();
        fake::WriteFile(kFile, "[S]\r\nText=value\r\nEmpty=\r\nLong=abcdefgh\r\nN=42\r\nNeg=-5\r\nWord=abc\r\n");
    }
};

struct TextRow {
    const char* file;
    const char* key;
    const char* fallback;
    std::string expected;
    DWORD returned;
};

TEST_F(ScriptReader, TextComesFromTheNamedFileOrTheFallback) {
    const TextRow rows[] = {
        // The value of a key that is there, from a file that is not the script.
        {kFile, "Text", "x", "value", 5},
        // An empty value is a value: the fallback is not taken.
        {kFile, "Empty", "x", "", 0},
        // A missing key gives the fallback the caller named.
        {kFile, "Nothing", "fallback", "fallback", 8},
        // A missing file gives the fallback as well.
        {"C:\\APP\\NONE.LOG", "Text", "fallback", "fallback", 8},
    };
    for (const TextRow& row : rows) {
        FixedText<16> out;
        out.Assign("stale");
        EXPECT_EQ(ReadScriptText(row.file, "S", row.key, out, row.fallback), row.returned) << row.key;
        EXPECT_EQ(std::string(out.c_str()), row.expected) << row.key;
    }
}

TEST_F(ScriptReader, TextLongerThanTheBufferIsCutAndTerminated) {
    FixedText<4> out;
    ReadScriptText(kFile, "S", "Long", out);
    EXPECT_STREQ(out.c_str(), "abc");
}

TEST_F(ScriptReader, PresentKeyIsToldFromAMissingOneEvenWhenEmpty) {
    fake::WriteFile(kFile, "[S]\r\nText=value\r\nEmpty=\r\nAsk=?\r\n");
    const struct {
        const char* file;
        const char* key;
        int present;
        const char* value;
    } rows[] = {
        {kFile, "Text", 1, "value"},
        // "Key=" is there with an empty value.
        {kFile, "Empty", 1, ""},
        // A value that looks like the probe for a missing key is still a value.
        {kFile, "Ask", 1, "?"},
        // A misspelt key, or a file that is not there, is missing.
        {kFile, "TextX", 0, ""},
        {"C:\\APP\\NONE.LOG", "Text", 0, ""},
    };
    for (const auto& row : rows) {
        PathText out;
        out.Assign("stale");
        EXPECT_EQ(ReadPresentScriptText(row.file, "S", row.key, out), row.present) << row.key;
        EXPECT_STREQ(out.c_str(), row.value) << row.key;
    }
}

struct NumberRow {
    const char* key;
    int fallback;
    UINT number;
    int flag;
};

TEST_F(ScriptReader, NumbersAndFlagsFollowTheLeadingDigits) {
    const NumberRow rows[] = {
        // A plain number; any number other than zero is a set flag.
        {"N", 0, 42, 1},
        // A negative number comes back as the profile functions give it, and is set.
        {"Neg", 0, 0xFFFFFFFBu, 1},
        // Text without digits is zero: a flag written as a word is off.
        {"Word", 1, 0, 0},
        // An empty value and a missing key give the fallback.
        {"Empty", 1, 1, 1},
        {"Nothing", 0, 0, 0},
        {"Nothing", 7, 7, 1},
    };
    for (const NumberRow& row : rows) {
        EXPECT_EQ(ReadScriptNumber(kFile, "S", row.key, row.fallback), row.number) << row.key;
        EXPECT_EQ(ReadScriptFlag(kFile, "S", row.key, row.fallback), row.flag) << row.key;
    }
}

TEST_F(ScriptReader, KeyListOfAnotherFileIsWalkedNameByName) {
    fake::WriteFile(kFile, "[UninstFiles]\r\nC:\\APP\\A.DLL=\r\nC:\\APP\\B.EXE=\r\n");
    SectionKeys keys{};
    ASSERT_EQ(ReadSectionKeys(kFile, "UninstFiles", &keys), 1);
    std::string names;
    for (const char* name = keys.Names; *name != '\0'; name = NextKeyName(name)) names += std::string(name) + "|";
    FreeSectionKeys(&keys);
    EXPECT_EQ(names, "C:\\APP\\A.DLL|C:\\APP\\B.EXE|");
    EXPECT_EQ(keys.Names, nullptr);
    FreeSectionKeys(&keys);  // an empty list is left as it is
}

}  // namespace
