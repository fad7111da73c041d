// Splitting the command line: blanks, tabs and quotes, the argument list's growth
// steps, entries that follow a moving pool, and the one error, 1001.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cmdline/arg_list.h"
#include "fake/fake_machine.h"

namespace {

using fake::M;

constexpr const char* kModule = "C:\\MEDIA\\SETUP.EXE";

struct SplitResult {
    int result;
    std::vector<std::string> arguments;  // argument 0 included
};

// Splits and checks the list's shape: count + 1 entries, the last null, the strings
// back to back in one block from entry 0 on.
SplitResult Split(const std::string& tail, const std::string& first = kModule) {
    int count = -1;
    char** items = nullptr;
    SplitResult out{SplitCommandLine(first.c_str(), tail.c_str(), &count, &items), {}};
    if (out.result != 0) return out;
    EXPECT_GE(count, 1);
    if (count < 1) return out;
    EXPECT_EQ(items[count], nullptr);
    for (int i = 0; i < count; ++i) {
        out.arguments.push_back(items[i]);
        if (i > 0) {
            EXPECT_EQ(items[i], items[i - 1] + out.arguments[i - 1].size() + 1) << "entry " << i;
        }
    }
    return out;
}

std::vector<std::string> TailArguments(const std::string& tail) {
    SplitResult split = Split(tail);
    EXPECT_EQ(split.result, 0) << "tail [" << tail << "]";
    if (split.arguments.empty()) return {};
    EXPECT_EQ(split.arguments[0], kModule);
    return std::vector<std::string>(split.arguments.begin() + 1, split.arguments.end());
}

class CmdlineSplit : public ::testing::Test {
protected:
    void SetUp() override { fake::Reset(); }
};

struct TailCase {
    const char* name;
    std::string tail;
    std::vector<std::string> expected;
};

TEST_F(CmdlineSplit, BlanksTabsAndQuotesSplitAsDocumented) {
    const TailCase cases[] = {
        {"empty tail", "", {}},
        {"blanks and tabs only", " \t  \t ", {}},
        {"run of blanks and tabs separates once", "a  \t b  ", {"a", "b"}},
        {"leading tabs skipped", "\t\ta", {"a"}},
        {"tab alone separates", "a\tb", {"a", "b"}},
        {"empty quoted argument in the middle", "a \"\" b", {"a", "", "b"}},
        {"empty quoted argument ended by a tab", "a \"\"\tb", {"a", "", "b"}},
        {"empty quoted argument first", "\"\" b", {"", "b"}},
        {"empty quoted argument at the very end yields nothing", "a \"\"", {"a"}},
        {"empty quoted argument then one blank", "a \"\" ", {"a", ""}},
        {"tail of only an empty quoted argument", "\"\"", {}},
        {"quotes join pieces", "ab\"c d\"ef", {"abc def"}},
        {"backslash does not escape the quote", "\"C:\\dir\\\" x", {"C:\\dir\\", "x"}},
        {"backslash kept in the middle", "x\\\"y z\"", {"x\\y z"}},
        {"unclosed quote runs to the end", "a \"b c", {"a", "b c"}},
        {"unclosed quote keeps trailing blanks", "a \"b  ", {"a", "b  "}},
        {"two quoted runs join", "\"a\"\"b\"", {"ab"}},
        {"lone quote yields nothing", "\"", {}},
        {"lone quote after an argument", "a \"", {"a"}},
        {"quoted tab kept", "\"a\tb\"", {"a\tb"}},
        {"options unchanged", "/uninst:abc -x", {"/uninst:abc", "-x"}},
    };
    for (const TailCase& c : cases) EXPECT_EQ(TailArguments(c.tail), c.expected) << c.name;
}

TEST_F(CmdlineSplit, FirstStringIsKeptWholeWithBlanksAndQuotes) {
    SplitResult split = Split("x", "C:\\My Media\\Disk \"1\"\\SETUP.EXE");
    ASSERT_EQ(split.result, 0);
    EXPECT_EQ(split.arguments, (std::vector<std::string>{"C:\\My Media\\Disk \"1\"\\SETUP.EXE", "x"}));
}

TEST_F(CmdlineSplit, EmptyFirstStringIsStillArgumentZero) {
    SplitResult split = Split("a", "");
    ASSERT_EQ(split.result, 0);
    EXPECT_EQ(split.arguments, (std::vector<std::string>{"", "a"}));
}

TEST_F(CmdlineSplit, ArgumentsLongerThanTheWorkingBufferAreKeptWhole) {
    const std::string exact(kArgumentBufferSize - 1, 'e');  // fills the working buffer
    const std::string over(kArgumentBufferSize, 'o');       // one more character
    const std::string quoted = std::string(150, 'q') + " \t " + std::string(160, 'r');
    const std::string huge(5000, 'h');
    std::vector<std::string> args =
        TailArguments(exact + " " + over + " \"" + quoted + "\" a\"" + huge + "\"b last");
    EXPECT_EQ(args, (std::vector<std::string>{exact, over, quoted, "a" + huge + "b", "last"}));
}

TEST_F(CmdlineSplit, LongArgumentBlockIsFreedAndOnlyTheListRemains) {
    const size_t before = M().heapBlocks.size();
    int count = 0;
    char** items = nullptr;
    const std::string tail = std::string(300, 'x') + " " + std::string(700, 'y');
    ASSERT_EQ(SplitCommandLine(kModule, tail.c_str(), &count, &items), 0);
    ASSERT_EQ(count, 3);
    EXPECT_EQ(std::string(items[1]), std::string(300, 'x'));
    EXPECT_EQ(std::string(items[2]), std::string(700, 'y'));
    // The pointer array and the pool; the blocks used to assemble the long arguments are gone.
    EXPECT_EQ(M().heapBlocks.size(), before + 2);
    EXPECT_EQ(M().heapBlocks.count(items), 1u);
    EXPECT_EQ(M().heapBlocks.count(items[0]), 1u);
}

// --- Growth of the list ------------------------------------------------------------
//
// The steps show in the sizes the split asks the heap for: the pointer array grows by
// 128 entries, the pool by 1024 bytes, and finishing shrinks both to their exact size.

class CmdlineArgList : public ::testing::Test {
protected:
    void SetUp() override { fake::Reset(); }

    // The sizes of the heap blocks asked for or resized, in order ("HeapAlloc 1024").
    static std::vector<std::string> Sizes() {
        std::vector<std::string> sizes;
        for (const std::string& call : fake::CallsStartingWith("Heap"))
            if (call.rfind("HeapFree", 0) != 0) sizes.push_back(call);
        return sizes;
    }

    static std::string Entries(size_t count) { return std::to_string(count * sizeof(char*)); }

    // Splits `count` one-letter arguments after argument 0.
    static SplitResult SplitShortArguments(int count) {
        std::string tail;
        for (int i = 0; i < count; ++i) tail += "a ";
        return Split(tail);
    }
};

TEST_F(CmdlineArgList, EverySplitStartsWithAFreshList) {
    // A list left over from the first split would be grown instead of allocated.
    ASSERT_EQ(Split("a").result, 0);
    std::vector<std::string> first = Sizes();
    fake::Reset();
    ASSERT_EQ(Split("a").result, 0);
    EXPECT_EQ(Sizes(), first);
    EXPECT_EQ(first.front(), "HeapAlloc " + Entries(128));
}

TEST_F(CmdlineArgList, FirstAppendAllocatesOneHundredTwentyEightEntriesAndOnePoolStep) {
    ASSERT_EQ(Split("abc").result, 0);
    const std::string used = std::to_string(std::string(kModule).size() + 1 + 4);
    EXPECT_EQ(Sizes(), (std::vector<std::string>{"HeapAlloc " + Entries(128), "HeapAlloc 1024",
                                                 "HeapReAlloc " + Entries(3), "HeapReAlloc " + used}));
}

TEST_F(CmdlineArgList, HundredTwentyEighthStringRaisesCapacityTo256) {
    // Argument 0 and 126 more are 127 strings and the null entry: no growth yet.
    ASSERT_EQ(SplitShortArguments(126).result, 0);
    EXPECT_EQ(fake::CountCalls("HeapReAlloc " + Entries(256)), 0);
    fake::Reset();
    SplitResult split = SplitShortArguments(127);
    ASSERT_EQ(split.result, 0);
    EXPECT_EQ(split.arguments.size(), 128u);
    EXPECT_EQ(fake::CountCalls("HeapReAlloc " + Entries(256)), 1);
    EXPECT_EQ(fake::CountCalls("HeapReAlloc " + Entries(384)), 0);
    fake::Reset();
    split = SplitShortArguments(255);
    ASSERT_EQ(split.result, 0);
    EXPECT_EQ(split.arguments.size(), 256u);
    EXPECT_EQ(fake::CountCalls("HeapReAlloc " + Entries(256)), 1);
    EXPECT_EQ(fake::CountCalls("HeapReAlloc " + Entries(384)), 1);
}

TEST_F(CmdlineArgList, FirstPoolIsTheSmallestMultipleOf1024ThatHoldsTheFirstString) {
    const struct {
        size_t length;
        const char* pool;
    } rows[] = {
        {1023, "HeapAlloc 1024"},  // 1024 bytes with the terminator
        {1024, "HeapAlloc 2048"},  // one byte over a step
        {3000, "HeapAlloc 3072"},  // several steps at once
    };
    for (const auto& row : rows) {
        fake::Reset();
        ASSERT_EQ(Split("", std::string(row.length, 'a')).result, 0) << row.length;
        ASSERT_GE(Sizes().size(), 2u) << row.length;
        EXPECT_EQ(Sizes()[1], row.pool) << row.length;
    }
}

TEST_F(CmdlineArgList, StringThatExactlyFillsThePoolDoesNotGrowIt) {
    const std::string first(1000, 'a');  // 1001 bytes
    const std::string rest(22, 'b');     // 23 bytes: exactly the rest
    SplitResult split = Split(rest, first);
    ASSERT_EQ(split.result, 0);
    EXPECT_EQ(Sizes(), (std::vector<std::string>{"HeapAlloc " + Entries(128), "HeapAlloc 1024",
                                                 "HeapReAlloc " + Entries(3), "HeapReAlloc 1024"}));
    // One byte more: an empty argument.
    fake::Reset();
    split = Split(rest + " \"\" ", first);
    ASSERT_EQ(split.result, 0);
    EXPECT_EQ(split.arguments, (std::vector<std::string>{first, rest, ""}));
    EXPECT_EQ(fake::CountCalls("HeapReAlloc 2048"), 1);
}

TEST_F(CmdlineArgList, OneByteOverThePoolGrowsItByOneStep) {
    SplitResult split = Split(std::string(23, 'b'), std::string(1000, 'a'));  // 24 bytes: one more than the rest
    ASSERT_EQ(split.result, 0);
    EXPECT_EQ(fake::CountCalls("HeapReAlloc 2048"), 1);
    EXPECT_EQ(split.arguments, (std::vector<std::string>{std::string(1000, 'a'), std::string(23, 'b')}));
}

TEST_F(CmdlineArgList, PoolGrowsBySeveralStepsWhenOneStringNeedsThem) {
    // 1001 bytes used of 1024; the next string needs 4002: raised by 3072.
    SplitResult split = Split(std::string(3000, 'b'), std::string(1000, 'a'));
    ASSERT_EQ(split.result, 0);
    EXPECT_EQ(fake::CountCalls("HeapReAlloc 4096"), 1);
    EXPECT_EQ(split.arguments, (std::vector<std::string>{std::string(1000, 'a'), std::string(3000, 'b')}));
}

TEST_F(CmdlineArgList, EntriesFollowThePoolWhenItMoves) {
    std::vector<std::string> expected = {kModule};
    std::string tail;
    for (int i = 0; i < 60; ++i) {
        expected.push_back(std::string(100 + i, static_cast<char>('a' + i % 26)));
        tail += expected.back() + " ";
    }
    int count = 0;
    char** items = nullptr;
    ASSERT_EQ(SplitCommandLine(kModule, tail.c_str(), &count, &items), 0);
    EXPECT_GE(fake::CountCalls("HeapReAlloc"), 3) << "the pool never grew; the test proves nothing";
    ASSERT_EQ(count, 61);
    // Every entry lies in the one pool block that is left, none in a block let go.
    const char* poolEnd = items[0];
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(items[i], poolEnd) << "entry " << i;
        EXPECT_EQ(std::string(items[i]), expected[i]) << "entry " << i;
        poolEnd += expected[i].size() + 1;
    }
    EXPECT_EQ(M().heapBlocks.count(items[0]), 1u);
}

TEST_F(CmdlineArgList, FinishingShrinksBothBlocksToTheirExactSize) {
    std::vector<std::string> expected = {kModule, "a", "", std::string(2000, 'z')};
    ASSERT_EQ(Split("a \"\" " + expected[3]).arguments, expected);
    size_t used = 0;
    for (const std::string& text : expected) used += text.size() + 1;
    std::vector<std::string> sizes = Sizes();
    ASSERT_GE(sizes.size(), 2u);
    EXPECT_EQ(sizes[sizes.size() - 2], "HeapReAlloc " + Entries(5));
    EXPECT_EQ(sizes.back(), "HeapReAlloc " + std::to_string(used));
}

TEST_F(CmdlineArgList, FailedGrowthLetsTheWholeListGo) {
    std::string manyArguments;
    for (int i = 0; i < 127; ++i) manyArguments += "x ";
    const struct {
        const char* what;
        std::string tail;
    } rows[] = {
        // Argument 0 and 127 more: the first resizing grows the pointer array.
        {"pointer array", manyArguments},
        // 1001 bytes more than the first pool: the first resizing grows the pool.
        {"pool", std::string(1000, 'p')},
    };
    for (const auto& row : rows) {
        fake::Reset();
        fake::FailCall("HeapReAlloc");
        int count = 0;
        char** items = nullptr;
        EXPECT_EQ(SplitCommandLine(kModule, row.tail.c_str(), &count, &items), kArgListNoMemory) << row.what;
        EXPECT_EQ(items, nullptr) << row.what;
        EXPECT_TRUE(M().heapBlocks.empty()) << row.what;
        EXPECT_EQ(M().badHeapFrees, 0) << row.what;
    }
}

// --- Out of memory -------------------------------------------------------------------

struct FailureCase {
    const char* name;
    const char* function;
    int nth;
    std::string tail;
};

TEST_F(CmdlineSplit, FailedAllocationAnywhereYields1001AndLeavesTheOutParametersAlone) {
    std::string manyArguments;
    for (int i = 0; i < 130; ++i) manyArguments += "a ";
    // 250-character arguments fit the working buffer; the fifth overflows the first pool.
    std::string fiveQuarterPools;
    for (char c = 'p'; c < 'u'; ++c) fiveQuarterPools += std::string(250, c) + " ";
    const FailureCase cases[] = {
        {"pointer array", "HeapAlloc", 1, "a b"},
        {"pool", "HeapAlloc", 2, "a b"},
        {"block for a long argument", "HeapAlloc", 3, std::string(300, 'l')},
        {"growing the pointer array", "HeapReAlloc", 1, manyArguments},
        {"growing the pool", "HeapReAlloc", 1, fiveQuarterPools},
        {"finishing the pointer array", "HeapReAlloc", 1, "a b"},
        {"finishing the pool", "HeapReAlloc", 2, "a b"},
    };
    for (const FailureCase& c : cases) {
        fake::Reset();
        fake::FailCall(c.function, c.nth);
        int count = -7;
        char** sentinel = reinterpret_cast<char**>(static_cast<uintptr_t>(0x1234));
        char** items = sentinel;
        EXPECT_EQ(SplitCommandLine(kModule, c.tail.c_str(), &count, &items), kArgListNoMemory) << c.name;
        EXPECT_EQ(count, -7) << c.name;
        EXPECT_EQ(items, sentinel) << c.name;
        // The injected failure was the one meant, and the partly built list was let go.
        EXPECT_EQ(M().failNth.count(c.function), 0u) << c.name;
        EXPECT_TRUE(M().heapBlocks.empty()) << c.name;
    }
}

TEST_F(CmdlineSplit, ShortArgumentsNeedNoAllocationBeyondTheTwoBlocksAndTheirShrinking) {
    // Failures armed for a third allocation and a third reallocation are never reached.
    fake::FailCall("HeapAlloc", 3);
    fake::FailCall("HeapReAlloc", 3);
    EXPECT_EQ(TailArguments("a b"), (std::vector<std::string>{"a", "b"}));
}

}  // namespace
