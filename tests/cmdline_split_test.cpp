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

class CmdlineArgList : public ::testing::Test {
protected:
    void SetUp() override {
        fake::Reset();
        ClearArgList(&list);
    }

    void Append(const std::string& text) { ASSERT_EQ(AppendArgument(text.c_str(), &list), 0); }

    // Every entry points at its string, back to back from the pool's start.
    void ExpectEntries(const std::vector<std::string>& expected) {
        ASSERT_EQ(list.Count, static_cast<int32_t>(expected.size()));
        ASSERT_NE(list.Items, nullptr);
        const char* p = list.PoolStart;
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(list.Items[i], p) << "entry " << i;
            EXPECT_EQ(std::string(list.Items[i]), expected[i]) << "entry " << i;
            p += expected[i].size() + 1;
        }
        EXPECT_EQ(list.PoolNext, p);
        EXPECT_EQ(list.Items[list.Count], nullptr);
        EXPECT_EQ(list.NextSlot, list.Items + list.Count);
        EXPECT_EQ(list.PoolLast, list.PoolStart + list.PoolSize - 1);
    }

    ArgList list;
};

TEST_F(CmdlineArgList, ClearedListHasEveryFieldZero) {
    list.Count = 5;
    list.Capacity = 9;
    list.PoolSize = 3;
    list.Items = list.NextSlot = reinterpret_cast<char**>(&list);
    list.PoolStart = list.PoolNext = list.PoolLast = reinterpret_cast<char*>(&list);
    ClearArgList(&list);
    EXPECT_EQ(list.Count, 0);
    EXPECT_EQ(list.Capacity, 0);
    EXPECT_EQ(list.PoolSize, 0);
    EXPECT_EQ(list.Items, nullptr);
    EXPECT_EQ(list.NextSlot, nullptr);
    EXPECT_EQ(list.PoolStart, nullptr);
    EXPECT_EQ(list.PoolNext, nullptr);
    EXPECT_EQ(list.PoolLast, nullptr);
}

TEST_F(CmdlineArgList, FirstAppendAllocatesOneHundredTwentyEightEntriesAndOnePoolStep) {
    Append("abc");
    EXPECT_EQ(list.Capacity, 128);
    EXPECT_EQ(list.PoolSize, 1024);
    ExpectEntries({"abc"});
}

TEST_F(CmdlineArgList, HundredTwentyEighthStringRaisesCapacityTo256) {
    std::vector<std::string> expected;
    for (int i = 0; i < 127; ++i) {
        expected.push_back(std::to_string(i));
        Append(expected.back());
    }
    EXPECT_EQ(list.Capacity, 128);  // 127 strings and the null entry
    expected.push_back("127");
    Append(expected.back());
    EXPECT_EQ(list.Capacity, 256);
    ExpectEntries(expected);
    for (int i = 128; i < 255; ++i) {
        expected.push_back(std::to_string(i));
        Append(expected.back());
    }
    EXPECT_EQ(list.Capacity, 256);
    Append("255");
    expected.push_back("255");
    EXPECT_EQ(list.Capacity, 384);
    ExpectEntries(expected);
}

TEST_F(CmdlineArgList, FirstPoolIsTheSmallestMultipleOf1024ThatHoldsTheFirstString) {
    Append(std::string(1023, 'a'));  // 1024 bytes with the terminator
    EXPECT_EQ(list.PoolSize, 1024);
    EXPECT_EQ(list.PoolNext, list.PoolLast + 1);

    ArgList second;
    ClearArgList(&second);
    ASSERT_EQ(AppendArgument(std::string(1024, 'b').c_str(), &second), 0);
    EXPECT_EQ(second.PoolSize, 2048);

    ArgList third;
    ClearArgList(&third);
    ASSERT_EQ(AppendArgument(std::string(3000, 'c').c_str(), &third), 0);
    EXPECT_EQ(third.PoolSize, 3072);
}

TEST_F(CmdlineArgList, StringThatExactlyFillsThePoolDoesNotGrowIt) {
    Append(std::string(1000, 'a'));          // 1001 bytes
    const int reallocations = M().callCounts["HeapReAlloc"];
    Append(std::string(22, 'b'));            // 23 bytes: exactly the rest
    EXPECT_EQ(M().callCounts["HeapReAlloc"], reallocations);
    EXPECT_EQ(list.PoolSize, 1024);
    EXPECT_EQ(list.PoolNext, list.PoolLast + 1);
    Append("");                              // one byte more
    EXPECT_EQ(list.PoolSize, 2048);
    ExpectEntries({std::string(1000, 'a'), std::string(22, 'b'), ""});
}

TEST_F(CmdlineArgList, OneByteOverThePoolGrowsItByOneStep) {
    Append(std::string(1000, 'a'));
    Append(std::string(23, 'b'));  // 24 bytes: one more than the rest
    EXPECT_EQ(list.PoolSize, 2048);
    ExpectEntries({std::string(1000, 'a'), std::string(23, 'b')});
}

TEST_F(CmdlineArgList, PoolGrowsBySeveralStepsWhenOneStringNeedsThem) {
    Append(std::string(1000, 'a'));  // 1001 used of 1024
    Append(std::string(3000, 'b'));  // needs 4002: raised by 3072
    EXPECT_EQ(list.PoolSize, 4096);
    ExpectEntries({std::string(1000, 'a'), std::string(3000, 'b')});
}

TEST_F(CmdlineArgList, EntriesFollowThePoolWhenItMoves) {
    std::vector<std::string> expected;
    bool moved = false;
    for (int i = 0; i < 60; ++i) {
        const char* before = list.PoolStart;
        expected.push_back(std::string(100 + i, static_cast<char>('a' + i % 26)));
        Append(expected.back());
        if (before != nullptr && list.PoolStart != before) moved = true;
        // A freshly moved pool must not leave an entry in the old block.
        for (int32_t k = 0; k < list.Count; ++k)
            ASSERT_TRUE(list.Items[k] >= list.PoolStart && list.Items[k] < list.PoolNext) << "entry " << k;
    }
    EXPECT_TRUE(moved) << "the pool never moved; the test proves nothing";
    ExpectEntries(expected);
}

TEST_F(CmdlineArgList, FinishingShrinksBothBlocksToTheirExactSize) {
    std::vector<std::string> expected = {kModule, "a", "", std::string(2000, 'z')};
    for (const auto& s : expected) Append(s);
    size_t used = static_cast<size_t>(list.PoolNext - list.PoolStart);
    ASSERT_EQ(FinishArgList(&list), 0);
    EXPECT_EQ(list.Capacity, 5);
    EXPECT_EQ(list.PoolSize, static_cast<int32_t>(used));
    EXPECT_EQ(list.PoolLast, list.PoolNext - 1);
    ExpectEntries(expected);
}

TEST_F(CmdlineArgList, FailedGrowthLeavesTheListAsItWas) {
    for (int i = 0; i < 127; ++i) Append("x");
    fake::FailCall("HeapReAlloc");
    EXPECT_EQ(AppendArgument("y", &list), kArgListNoMemory);
    EXPECT_EQ(list.Capacity, 128);
    ExpectEntries(std::vector<std::string>(127, "x"));

    fake::FailCall("HeapReAlloc");
    EXPECT_EQ(AppendArgument(std::string(1000, 'p').c_str(), &list), kArgListNoMemory);
    EXPECT_EQ(list.PoolSize, 1024);
    ReleaseArgList(&list);
    EXPECT_EQ(list.Items, nullptr);
    EXPECT_EQ(list.PoolStart, nullptr);
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
