// Inputs that once broke a bound: each test replays, in readable form, a case that
// the fuzz targets of fuzz/ found, and proves the sound behaviour.
#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "cmdline/option_parser.h"
#include "fake/fake_machine.h"

namespace {

// A destination of `size` bytes followed by guard bytes that no store may reach.
struct GuardedDestination {
    static constexpr unsigned char kGuard = 0xEE;
    unsigned char bytes[16];
    GuardedDestination() { memset(bytes, kGuard, sizeof bytes); }
    bool GuardIntactFrom(size_t size) const {
        for (size_t i = size; i < sizeof bytes; ++i)
            if (bytes[i] != kGuard) return false;
        return true;
    }
};

uint32_t ParseOne(OptionSpec row, const char* argument, uint32_t flags = 0) {
    OptionSpec table[] = {row, {nullptr, 0, 0, 0, nullptr}};
    std::string text = argument;
    char* arguments[] = {text.data(), nullptr};
    return ParseOptions(1, arguments, table, flags);
}

}  // namespace

TEST(NarrowOptionDestinations, ANumberIntoARowNarrowerThanItsTypeKeepsItsLowBytesOnly) {
    fake::Reset();
    struct Case {
        uint16_t type;
        uint16_t size;
        const char* argument;
        unsigned char expected[4];
    } cases[] = {
        {OPTT_INT32, 2, "/n:65539", {0x03, 0x00}},    // 0x10003
        {OPTT_UINT32, 3, "/n:16909060", {0x04, 0x03, 0x02}},  // 0x01020304
        {OPTT_HEX32, 1, "/n:0x1234", {0x34}},
        {OPTT_INT16, 1, "/n:258", {0x02}},
        {OPTT_HEX16, 1, "/n:ABCD", {0xCD}},
    };
    for (const Case& c : cases) {
        GuardedDestination d;
        EXPECT_EQ(ParseOne({"/n", 0, c.type, c.size, d.bytes}, c.argument), 0u) << c.argument;
        EXPECT_EQ(memcmp(d.bytes, c.expected, c.size), 0) << c.argument;
        EXPECT_TRUE(d.GuardIntactFrom(c.size)) << c.argument << ": written past " << c.size << " bytes";
    }
}

TEST(NarrowOptionDestinations, AFlagIntoARowNarrowerThanFourBytesWritesOnlyThoseBytes) {
    fake::Reset();
    for (uint16_t size = 1; size <= 3; ++size) {
        GuardedDestination named;
        EXPECT_EQ(ParseOne({"/f", 0, OPTT_FLAG, size, named.bytes}, "/f"), 0u);
        EXPECT_EQ(named.bytes[0], 1);
        EXPECT_TRUE(named.GuardIntactFrom(size)) << "named flag of size " << size;

        // A positional flag row stores 1 for any non-empty value: the case the fuzzer found.
        GuardedDestination positional;
        EXPECT_EQ(ParseOne({"on", 0, OPTT_FLAG, size, positional.bytes}, "yes"), 0u);
        EXPECT_EQ(positional.bytes[0], 1);
        EXPECT_TRUE(positional.GuardIntactFrom(size)) << "positional flag of size " << size;
    }
}

namespace {

// profile_reader: a missing key with no default (a null pointer) copied an empty text
// that has no data at all; copying nothing from nowhere is still a fault.
TEST(NullProfileDefault, MissingKeyWithoutDefaultGivesAnEmptyValue) {
    fake::Reset();
    fake::WriteFile("C:\\TEST\\CASE.INI", "[S]\r\nOther=1\r\n");
    char value[8];
    memset(value, '*', sizeof value);
    EXPECT_EQ(GetPrivateProfileStringA("S", "K", nullptr, value, sizeof value, "C:\\TEST\\CASE.INI"), 0u);
    EXPECT_STREQ(value, "");
}

}  // namespace
