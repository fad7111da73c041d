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

struct CountRow {
    const char* why;
    DWORD type;
    std::string data;
    int result;
    DWORD count;  // 99 when left as it was
};

// The forms other installers leave SharedDLLs counts in, and the values that are no count.
TEST_F(RegistryReader, CountsAreReadInEveryFormInstallersLeave) {
    const CountRow rows[] = {
        {"a REG_DWORD", REG_DWORD, "\x03\x00\x00\x00"s, RegistryCountRead, 3},
        {"a REG_DWORD of 0 is a count", REG_DWORD, "\x00\x00\x00\x00"s, RegistryCountRead, 0},
        {"all four bytes of a REG_DWORD", REG_DWORD, "\x78\x56\x34\x12"s, RegistryCountRead, 0x12345678},
        {"a decimal REG_SZ", REG_SZ, "2\0"s, RegistryCountRead, 2},
        {"a REG_SZ of several digits", REG_SZ, "120\0"s, RegistryCountRead, 120},
        {"a REG_SZ without its terminator", REG_SZ, "7", RegistryCountRead, 7},
        {"leading zeros", REG_SZ, "007\0"s, RegistryCountRead, 7},
        {"nine digits, the most read", REG_SZ, "123456789\0"s, RegistryCountRead, 123456789},
        {"REG_BINARY of one byte", REG_BINARY, "\x05", RegistryCountRead, 5},
        {"REG_BINARY of three bytes, least significant first", REG_BINARY, "\x01\x02\x03", RegistryCountRead, 0x030201},
        {"REG_BINARY of four bytes", REG_BINARY, "\xff\xff\xff\xff", RegistryCountRead, 0xFFFFFFFFu},
        // Anything else is no count: the caller's number stays.
        {"ten digits", REG_SZ, "1234567890\0"s, RegistryCountUnreadable, 99},
        {"a letter after the digits", REG_SZ, "2x\0"s, RegistryCountUnreadable, 99},
        {"a blank before the digits", REG_SZ, " 2\0"s, RegistryCountUnreadable, 99},
        {"a negative number", REG_SZ, "-1\0"s, RegistryCountUnreadable, 99},
        {"a hexadecimal text", REG_SZ, "0x10\0"s, RegistryCountUnreadable, 99},
        {"an empty REG_SZ", REG_SZ, "\0"s, RegistryCountUnreadable, 99},
        {"a REG_SZ of no bytes", REG_SZ, "", RegistryCountUnreadable, 99},
        {"a short REG_DWORD", REG_DWORD, "\x03\x00"s, RegistryCountUnreadable, 99},
        {"a long REG_DWORD", REG_DWORD, "\x03\x00\x00\x00\x00"s, RegistryCountUnreadable, 99},
        {"empty REG_BINARY", REG_BINARY, "", RegistryCountUnreadable, 99},
        {"REG_BINARY of five bytes", REG_BINARY, "\x01\x00\x00\x00\x00"s, RegistryCountUnreadable, 99},
        {"a REG_EXPAND_SZ", REG_EXPAND_SZ, "2\0"s, RegistryCountUnreadable, 99},
        {"a REG_MULTI_SZ", REG_MULTI_SZ, "2\0\0"s, RegistryCountUnreadable, 99},
        {"more data than a count takes", REG_BINARY, std::string(17, '\x01'), RegistryCountUnreadable, 99},
    };
    for (const CountRow& row : rows) {
        fake::Reset();
        fake::SetRegistryData(HKEY_LOCAL_MACHINE, kPath, "C:\\APP\\LIB.DLL", row.type, row.data);
        HKEY key = OpenRegistryKey(HKEY_LOCAL_MACHINE, kPath, KEY_QUERY_VALUE);
        ASSERT_NE(key, nullptr) << row.why;
        DWORD count = 99;
        EXPECT_EQ(ReadRegistryCount(key, "C:\\APP\\LIB.DLL", &count), row.result) << row.why;
        EXPECT_EQ(count, row.count) << row.why;
        RegCloseKey(key);
    }
}

TEST_F(RegistryReader, AMissingCountIsToldFromOneThatCannotBeRead) {
    fake::SetRegistryData(HKEY_LOCAL_MACHINE, kPath, "C:\\APP\\LIB.DLL", REG_DWORD, "\x02\x00\x00\x00"s);
    HKEY key = OpenRegistryKey(HKEY_LOCAL_MACHINE, kPath, KEY_QUERY_VALUE);
    ASSERT_NE(key, nullptr);
    DWORD count = 99;
    EXPECT_EQ(ReadRegistryCount(key, "C:\\APP\\NONE.DLL", &count), RegistryCountMissing);
    // Denied is not missing: the value may hold a count nobody may lower.
    fake::FailCall("RegQueryValueExA");
    EXPECT_EQ(ReadRegistryCount(key, "C:\\APP\\LIB.DLL", &count), RegistryCountUnreadable);
    EXPECT_EQ(count, 99u);
    EXPECT_EQ(ReadRegistryCount(key, "C:\\APP\\LIB.DLL", &count), RegistryCountRead);
    EXPECT_EQ(count, 2u);
    RegCloseKey(key);
}

}  // namespace
