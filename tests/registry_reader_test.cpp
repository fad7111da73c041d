// The registry reader: where a value's text ends, which sizes are refused, and the
// REG_DWORD counts that the remover reads.
#include "script/registry_reader.h"

#include <gtest/gtest.h>

#include <string>

#include "fake/fake_machine.h"

namespace {

using fake::M;
using namespace std::string_literals;

constexpr char kPath[] = "Software\\Sample";

class RegistryReader : public ::testing::Test {
protected:
    void SetUp() override { fake::Reset(); }
};

struct TextRow {
    const char* what;
    DWORD type;
    std::string data;
    int result;
    std::string text;
};

TEST_F(RegistryReader, TextEndsAtTheFirstNulOrAtTheDataSize) {
    const TextRow rows[] = {
        {"a terminated string", REG_SZ, "C:\\APP\0"s, RegistryTextWhole, "C:\\APP"},
        // The type is not looked at, and data need not be terminated.
        {"unterminated binary data", REG_BINARY, "ABC", RegistryTextWhole, "ABC"},
        {"an embedded NUL ends the text", REG_EXPAND_SZ, "one\0two\0"s, RegistryTextWhole, "one"},
        {"empty data is an empty text", REG_SZ, "", RegistryTextWhole, ""},
        // 259 characters and a NUL fill the buffer exactly.
        {"a full-length string", REG_SZ, std::string(259, 'f') + '\0', RegistryTextWhole, std::string(259, 'f')},
        // 260 bytes without a NUL: the caller decides whether a cut text will do.
        {"data filling the buffer unterminated", REG_BINARY, std::string(260, 'b'), RegistryTextCut,
         std::string(259, 'b')},
        // One byte more than the buffer holds is not read at all.
        {"data larger than the buffer", REG_SZ, std::string(260, 't') + '\0', RegistryTextMissing, ""},
    };
    for (const TextRow& row : rows) {
        fake::Reset();
        fake::SetRegistryData(HKEY_LOCAL_MACHINE, kPath, "Value", row.type, row.data);
        HKEY key = OpenRegistryKey(HKEY_LOCAL_MACHINE, kPath, KEY_QUERY_VALUE);
        ASSERT_NE(key, nullptr) << row.what;
        PathText out;
        out.Assign("stale");
        EXPECT_EQ(ReadRegistryText(key, "Value", out), row.result) << row.what;
        EXPECT_EQ(std::string(out.c_str()), row.text) << row.what;
        RegCloseKey(key);
    }
}

TEST_F(RegistryReader, MissingKeyOrValueEmptiesTheTextAndLeavesNoKeyOpen) {
    fake::SetRegistryString(HKEY_LOCAL_MACHINE, kPath, "Value", "C:\\APP");
    PathText out;
    out.Assign("stale");
    EXPECT_EQ(ReadRegistryKeyText(HKEY_LOCAL_MACHINE, "Software\\Nobody", "Value", out), RegistryTextMissing);
    EXPECT_TRUE(out.empty());
    out.Assign("stale");
    EXPECT_EQ(ReadRegistryKeyText(HKEY_LOCAL_MACHINE, kPath, "Other", out), RegistryTextMissing);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(ReadRegistryKeyText(HKEY_LOCAL_MACHINE, kPath, "Value", out), RegistryTextWhole);
    EXPECT_STREQ(out.c_str(), "C:\\APP");
    EXPECT_EQ(M().keysOpened, 2);
    EXPECT_EQ(M().keysOpened, M().keysClosed);
}

struct NumberRow {
    const char* what;
    DWORD type;
    std::string data;
    int result;
    DWORD number;
};

TEST_F(RegistryReader, OnlyAFourByteDwordIsANumber) {
    const NumberRow rows[] = {
        {"a usage count", REG_DWORD, "\x03\x00\x00\x00"s, 1, 3},
        {"a count above 255 keeps its high bytes", REG_DWORD, "\x01\x02\x00\x00"s, 1, 0x201},
        // Anything else leaves the caller's number as it was.
        {"a string", REG_SZ, "3\0"s, 0, 99},
        {"a short DWORD", REG_DWORD, "\x03\x00"s, 0, 99},
        {"binary data of four bytes", REG_BINARY, "\x03\x00\x00\x00"s, 0, 99},
    };
    for (const NumberRow& row : rows) {
        fake::Reset();
        fake::SetRegistryData(HKEY_LOCAL_MACHINE, kPath, "C:\\APP\\LIB.DLL", row.type, row.data);
        HKEY key = OpenRegistryKey(HKEY_LOCAL_MACHINE, kPath, KEY_QUERY_VALUE);
        ASSERT_NE(key, nullptr) << row.what;
        DWORD number = 99;
        EXPECT_EQ(ReadRegistryNumber(key, "C:\\APP\\LIB.DLL", &number), row.result) << row.what;
        EXPECT_EQ(number, row.number) << row.what;
        DWORD untouched = 99;
        EXPECT_EQ(ReadRegistryNumber(key, "C:\\APP\\NONE.DLL", &untouched), 0) << row.what;
        EXPECT_EQ(untouched, 99u) << row.what;
        RegCloseKey(key);
    }
}

}  // namespace
