// The option table parser: the program's own /uninst table, and the general rules
// (value types, named and positional rows, rest-of-line gathering, caller flags,
// result bits, the matching rule) on richer tables.
#include <gtest/gtest.h>

#include <string.h>

#include <initializer_list>
#include <map>
#include <utility>
#include <string>
#include <vector>

#include "cmdline/option_parser.h"
#include "fake/fake_machine.h"

namespace {

using fake::M;

// An argument vector that stays alive for the parse.
class Args {
public:
    Args(std::initializer_list<std::string> list) : Args(std::vector<std::string>(list)) {}
    explicit Args(std::vector<std::string> list) : text_(std::move(list)) {
        for (auto& s : text_) pointers_.push_back(&s[0]);
        pointers_.push_back(nullptr);
    }
    // The pointers lead into this object's own strings.
    Args(const Args&) = delete;
    Args& operator=(const Args&) = delete;
    int32_t count() const { return static_cast<int32_t>(text_.size()); }
    char** data() { return pointers_.data(); }

private:
    std::vector<std::string> text_;
    std::vector<char*> pointers_;
};

// A table under test: the rows given, then the ending row.
class Table {
public:
    Table(std::initializer_list<OptionSpec> rows) : rows_(rows) { rows_.push_back({nullptr, 0, 0, 0, nullptr}); }
    OptionSpec* data() { return rows_.data(); }
    OptionSpec& operator[](size_t i) { return rows_[i]; }
    bool Seen(size_t i) const { return (rows_[i].Flags & OPTF_SEEN) != 0; }

private:
    std::vector<OptionSpec> rows_;
};

uint32_t Parse(Table& table, Args args, uint32_t flags = 0) {
    return ParseOptions(args.count(), args.data(), table.data(), flags);
}

// --- The program's own table ---------------------------------------------------------

class CmdlineOwnTable : public ::testing::Test {
protected:
    void SetUp() override {
        fake::Reset();
        memset(UninstOptionValue, 0, sizeof(UninstOptionValue));
        CommandLineOptions[0].Flags = 0;
    }

    static uint32_t ParseOwn(Args args) { return ParseOptions(args.count(), args.data(), CommandLineOptions, 0); }
    // As the driver calls it: argument 0 first.
    static int Check(std::initializer_list<std::string> tail) {
        std::vector<std::string> all{"C:\\MEDIA\\SETUP.EXE"};
        all.insert(all.end(), tail);
        std::vector<char*> pointers;
        for (auto& s : all) pointers.push_back(&s[0]);
        pointers.push_back(nullptr);
        return CheckCommandLine(static_cast<int>(all.size()), pointers.data());
    }
    static std::string Value() { return UninstOptionValue; }
    static bool Seen() { return (CommandLineOptions[0].Flags & OPTF_SEEN) != 0; }
};

TEST_F(CmdlineOwnTable, HasTheUninstStringRowFirstAndEndsAfterSAndLog) {
    EXPECT_STREQ(CommandLineOptions[0].Name, "/uninst");
    EXPECT_EQ(CommandLineOptions[0].Type, OPTT_STRING);
    EXPECT_EQ(CommandLineOptions[0].Size, 261);
    EXPECT_EQ(CommandLineOptions[0].Destination, static_cast<void*>(UninstOptionValue));
    EXPECT_STREQ(CommandLineOptions[kSilentOptionRow].Name, "/S");
    EXPECT_STREQ(CommandLineOptions[2].Name, "/LOG");
    EXPECT_EQ(CommandLineOptions[3].Name, nullptr);
}

TEST_F(CmdlineOwnTable, NoArgumentsAfterArgumentZeroTouchNothing) {
    memset(UninstOptionValue, 'Q', 10);
    CommandLineOptions[0].Flags = OPTF_SEEN;
    EXPECT_EQ(ParseOptions(0, nullptr, CommandLineOptions, 0), static_cast<uint32_t>(PARSE_NO_ARGS));
    EXPECT_EQ(Check({}), 1);
    EXPECT_EQ(Value(), "QQQQQQQQQQ");
    EXPECT_TRUE(Seen());
}

TEST_F(CmdlineOwnTable, BareUninstStoresTheEmptyText) {
    memset(UninstOptionValue, 'Q', 10);
    EXPECT_EQ(ParseOwn({"/uninst"}), 0u);
    EXPECT_EQ(Value(), "");
    EXPECT_TRUE(Seen());
    EXPECT_EQ(Check({"/uninst"}), 1);
}

TEST_F(CmdlineOwnTable, UninstFollowedByAnOptionTakesNoValueFromIt) {
    EXPECT_EQ(ParseOwn({"/uninst", "-abc"}), static_cast<uint32_t>(PARSE_BAD));
    EXPECT_EQ(Value(), "");
    EXPECT_TRUE(Seen());
    EXPECT_EQ(ParseOwn({"/uninst", "/uninst:x"}), static_cast<uint32_t>(PARSE_REPEATED));
    EXPECT_EQ(Value(), "x");
}

TEST_F(CmdlineOwnTable, EveryFormOfTheValueStoresIt) {
    const std::vector<std::vector<std::string>> forms = {
        {"/uninst", "abc"}, {"/uninst:abc"}, {"-UNINST:abc"}, {"-uninst", "abc"}, {"/UnInSt:abc"}};
    for (const auto& form : forms) {
        SetUp();
        Args args(form);
        EXPECT_EQ(ParseOptions(args.count(), args.data(), CommandLineOptions, 0), 0u) << form[0];
        EXPECT_EQ(Value(), "abc") << form[0];
        EXPECT_TRUE(Seen()) << form[0];
    }
    EXPECT_EQ(Check({"-UNINST:abc"}), 1);
}

TEST_F(CmdlineOwnTable, ColonWithNothingAfterItStoresTheEmptyText) {
    EXPECT_EQ(ParseOwn({"/uninst:"}), 0u);
    EXPECT_EQ(Value(), "");
    EXPECT_TRUE(Seen());
}

TEST_F(CmdlineOwnTable, ValueWithBlanksAndColonsIsStoredAsGiven) {
    EXPECT_EQ(ParseOwn({"/uninst:C:\\Program Files\\x.log"}), 0u);
    EXPECT_EQ(Value(), "C:\\Program Files\\x.log");
}

TEST_F(CmdlineOwnTable, UninstTwiceIsRepeatedAndKeepsTheSecondValue) {
    EXPECT_EQ(ParseOwn({"/uninst:first", "-uninst", "second"}), static_cast<uint32_t>(PARSE_REPEATED));
    EXPECT_EQ(Value(), "second");
    EXPECT_EQ(Check({"/uninst:first", "/uninst:second"}), 0);
    EXPECT_EQ(Value(), "second");
}

TEST_F(CmdlineOwnTable, PositionalArgumentFindsNoRoomAndStopsTheParse) {
    EXPECT_EQ(ParseOwn({"abc", "/uninst:x"}), static_cast<uint32_t>(PARSE_NO_ROOM));
    EXPECT_EQ(Value(), "");
    EXPECT_FALSE(Seen());
    EXPECT_EQ(Check({"abc"}), 0);
    // A backslash or any other first character is not an option.
    EXPECT_EQ(ParseOwn({"\\uninst"}), static_cast<uint32_t>(PARSE_NO_ROOM));
    EXPECT_EQ(ParseOwn({"xuninst:abc"}), static_cast<uint32_t>(PARSE_NO_ROOM));
    EXPECT_EQ(ParseOwn({""}), static_cast<uint32_t>(PARSE_NO_ROOM));
}

TEST_F(CmdlineOwnTable, UnknownOptionIsBadAndStopsTheParse) {
    EXPECT_EQ(ParseOwn({"/x", "/uninst:y"}), static_cast<uint32_t>(PARSE_BAD));
    EXPECT_EQ(Value(), "");
    EXPECT_FALSE(Seen());
    EXPECT_EQ(Check({"/x"}), 0);
    EXPECT_EQ(ParseOwn({"/"}), static_cast<uint32_t>(PARSE_BAD));
    EXPECT_EQ(ParseOwn({"-uninst-"}), static_cast<uint32_t>(PARSE_BAD));
}

TEST_F(CmdlineOwnTable, LongerNameWithoutColonDoesNotMatch) {
    EXPECT_EQ(ParseOwn({"/uninstall"}), static_cast<uint32_t>(PARSE_BAD));
    EXPECT_EQ(ParseOwn({"/uninstall:x"}), static_cast<uint32_t>(PARSE_BAD));
    EXPECT_EQ(ParseOwn({"/unins"}), static_cast<uint32_t>(PARSE_BAD));
    EXPECT_EQ(Value(), "");
}

TEST_F(CmdlineOwnTable, OverlongValueIsCutTo260Characters) {
    const std::string value(400, 'v');
    EXPECT_EQ(ParseOwn({"/uninst:" + value}), 0u);
    EXPECT_EQ(Value(), std::string(260, 'v'));
    EXPECT_EQ(UninstOptionValue[260], '\0');
}

TEST_F(CmdlineOwnTable, EachParseClearsTheWholeValueBuffer) {
    ParseOwn({"/uninst:" + std::string(200, 'a')});
    EXPECT_EQ(ParseOwn({"/uninst:b"}), 0u);
    for (size_t i = 1; i < sizeof(UninstOptionValue); ++i) ASSERT_EQ(UninstOptionValue[i], '\0') << i;
}

// The seam calls of a run apart from the heap, whose block sizes follow the arguments.
std::vector<std::string> CallsBesideTheHeap() {
    std::vector<std::string> calls;
    for (const auto& call : M().calls)
        if (call.compare(0, 4, "Heap") != 0 && call != "GetProcessHeap") calls.push_back(call);
    return calls;
}

std::map<std::string, std::string> FileContents() {
    std::map<std::string, std::string> contents;
    for (const auto& [path, data] : M().files) contents[path] = data.content;
    return contents;
}

// One file copied, with an uninstall log.
void StartInstallation() {
    fake::Reset();
    fake::SetScript(
        "[SETUP]\r\nProduct=Demo\r\nUninstFile=C:\\UNINST.INI\r\n"
        "[AddFiles.WIN32]\r\nLIB.DLL=\r\n[LIB.DLL]\r\nTargetDir=C:\\APP\r\n");
    fake::WriteFile("C:\\MEDIA\\LIB.DLL", "new", 2);
}

TEST_F(CmdlineOwnTable, SetupRunsTheSameWithOrWithoutArguments) {
    StartInstallation();
    fake::RunSetup("");
    const auto boxes = M().boxes;
    const auto calls = CallsBesideTheHeap();
    const auto files = FileContents();
    ASSERT_EQ(boxes.size(), 1u);
    ASSERT_EQ(files.count("C:\\APP\\LIB.DLL"), 1u);
    const std::string longQuoted = "\"C:\\a very long quoted " + std::string(300, 'x') + "\" argument";
    for (const std::string& tail : {std::string("/uninst"), std::string("-UNINST:abc"), std::string("/bogus x y"),
                                    longQuoted}) {
        StartInstallation();
        fake::RunSetup(tail.c_str());
        ASSERT_EQ(M().boxes.size(), boxes.size()) << tail;
        for (size_t i = 0; i < boxes.size(); ++i) {
            EXPECT_EQ(M().boxes[i].text, boxes[i].text) << tail;
            EXPECT_EQ(M().boxes[i].caption, boxes[i].caption) << tail;
            EXPECT_EQ(M().boxes[i].style, boxes[i].style) << tail;
        }
        EXPECT_EQ(CallsBesideTheHeap(), calls) << tail;
        EXPECT_EQ(FileContents(), files) << tail;
    }
}

TEST_F(CmdlineOwnTable, SetupStoresTheUninstValueItWasGiven) {
    fake::SetScript("");
    fake::RunSetup("  -uninst   \"C:\\My Logs\\u.log\" ");
    EXPECT_EQ(Value(), "C:\\My Logs\\u.log");
    EXPECT_TRUE(Seen());
}

TEST_F(CmdlineOwnTable, SetupWithoutMemoryForTheArgumentsChecksNothingAndGoesOn) {
    fake::SetScript("");
    fake::RunSetup("");
    const auto boxes = M().boxes.size();
    fake::Reset();
    fake::SetScript("");
    fake::FailCall("HeapAlloc");  // the argument list is the first heap block
    fake::RunSetup("/uninst:abc");
    EXPECT_EQ(Value(), "");
    EXPECT_FALSE(Seen());
    EXPECT_EQ(M().boxes.size(), boxes);
}

// --- Value types ----------------------------------------------------------------------

// One named row of each type, each with its own destination and a guard byte after it.
struct Destinations {
    int32_t flag = -1;
    int8_t int8 = -1;
    char guard1 = 'G';
    char character = '?';
    char guard2 = 'G';
    char text[8] = "?";
    int16_t int16 = -1;
    uint16_t uint16 = 0xEEEE;
    int32_t int32 = -1;
    uint32_t uint32 = 0xEEEEEEEE;
    uint16_t hex16 = 0xEEEE;
    uint32_t hex32 = 0xEEEEEEEE;
    char rest[8] = "?";
    char escaped[8] = "?";
    int32_t unknown = -1;
};

class CmdlineOptionTypes : public ::testing::Test {
protected:
    void SetUp() override { fake::Reset(); }

    Destinations d;
    Table table{
        {"/s", 0, OPTT_SWITCH, 0, nullptr},
        {"/f", 0, OPTT_FLAG, 4, &d.flag},
        {"/i8", 0, OPTT_INT8, 1, &d.int8},
        {"/c", 0, OPTT_CHAR, 1, &d.character},
        {"/t", 0, OPTT_STRING, 8, d.text},
        {"/i16", 0, OPTT_INT16, 2, &d.int16},
        {"/u16", 0, OPTT_UINT16, 2, &d.uint16},
        {"/i32", 0, OPTT_INT32, 4, &d.int32},
        {"/u32", 0, OPTT_UINT32, 4, &d.uint32},
        {"/h16", 0, OPTT_HEX16, 2, &d.hex16},
        {"/h32", 0, OPTT_HEX32, 4, &d.hex32},
        {"/r", 0, OPTT_REST, 8, d.rest},
        {"/e", 0, OPTT_ESCSTRING, 8, d.escaped},
        {"/z", 0, 13, 4, &d.unknown},
    };

    // Parses one argument and says whether it went through cleanly.
    uint32_t One(const std::string& argument, uint32_t flags = 0) { return Parse(table, {argument}, flags); }
};

TEST_F(CmdlineOptionTypes, StartOfParseClearsEveryDestinationWithinItsSize) {
    EXPECT_EQ(One("/s"), 0u);
    EXPECT_EQ(d.flag, 0);
    EXPECT_EQ(d.int8, 0);
    EXPECT_EQ(d.character, '\0');
    for (char c : d.text) EXPECT_EQ(c, '\0');
    EXPECT_EQ(d.uint16, 0);
    EXPECT_EQ(d.hex32, 0u);
    EXPECT_EQ(d.unknown, 0);
    EXPECT_EQ(d.guard1, 'G');
    EXPECT_EQ(d.guard2, 'G');
}

TEST_F(CmdlineOptionTypes, SwitchIsOnlySeenAndTakesNoValue) {
    EXPECT_EQ(One("/s"), 0u);
    EXPECT_TRUE(table.Seen(0));
    // Not the form with a colon, and the next argument is handled on its own.
    EXPECT_EQ(One("/s:x"), static_cast<uint32_t>(PARSE_BAD));
    EXPECT_FALSE(table.Seen(0));
    EXPECT_EQ(Parse(table, {"/s", "x"}), static_cast<uint32_t>(PARSE_NO_ROOM));
    EXPECT_TRUE(table.Seen(0));
}

TEST_F(CmdlineOptionTypes, NamedFlagStoresOneAndIgnoresAnyColonText) {
    EXPECT_EQ(One("/f"), 0u);
    EXPECT_EQ(d.flag, 1);
    EXPECT_EQ(One("/f:0"), 0u);
    EXPECT_EQ(d.flag, 1);
    EXPECT_TRUE(table.Seen(1));
    EXPECT_EQ(Parse(table, {"/f", "0"}), static_cast<uint32_t>(PARSE_NO_ROOM));
    EXPECT_EQ(d.flag, 1);
}

TEST_F(CmdlineOptionTypes, Int8KeepsTheLowEightBitsOfTheDecimalValue) {
    EXPECT_EQ(One("/i8:-5"), 0u);
    EXPECT_EQ(d.int8, -5);
    EXPECT_EQ(One("/i8:300"), 0u);
    EXPECT_EQ(d.int8, 44);
    EXPECT_EQ(One("/i8:-129"), 0u);
    EXPECT_EQ(d.int8, 127);
    EXPECT_EQ(d.guard1, 'G');
}

TEST_F(CmdlineOptionTypes, CharStoresTheFirstCharacterOnly) {
    EXPECT_EQ(Parse(table, {"/c", "xyz"}), 0u);
    EXPECT_EQ(d.character, 'x');
    EXPECT_EQ(d.guard1, 'G');
    EXPECT_EQ(d.guard2, 'G');
    EXPECT_EQ(One("/c:"), static_cast<uint32_t>(PARSE_BAD));
}

TEST_F(CmdlineOptionTypes, TextIsCutToSizeLessOneAndTheRestZeroed) {
    EXPECT_EQ(One("/t:abcdefghij"), 0u);
    EXPECT_EQ(std::string(d.text), "abcdefg");
    EXPECT_EQ(d.text[7], '\0');
    memset(d.text, 'Q', sizeof(d.text));
    EXPECT_EQ(One("/t:ab", PARSE_KEEP_VALUES), 0u);
    EXPECT_EQ(std::string(d.text, sizeof(d.text)), std::string("ab\0\0\0\0\0\0", 8));
    EXPECT_EQ(One("/r:abcdefghij"), 0u);
    EXPECT_EQ(std::string(d.rest), "abcdefg");
}

TEST_F(CmdlineOptionTypes, Int16AndUint16TakeTheLowSixteenBits) {
    EXPECT_EQ(One("/i16:-2"), 0u);
    EXPECT_EQ(d.int16, -2);
    EXPECT_EQ(One("/i16:70000"), 0u);
    EXPECT_EQ(d.int16, 4464);
    EXPECT_EQ(One("/u16:65535"), 0u);
    EXPECT_EQ(d.uint16, 65535);
    EXPECT_EQ(One("/u16:65536"), 0u);
    EXPECT_EQ(d.uint16, 0);
}

TEST_F(CmdlineOptionTypes, NegativeValueIsStoredForSignedTypesAndRejectedForTheOthers) {
    EXPECT_EQ(One("/i32:-5"), 0u);
    EXPECT_EQ(d.int32, -5);
    for (const char* arg : {"/u16:-5", "/u32:-5", "/h16:-5", "/h32:-5"}) {
        EXPECT_EQ(One(arg), static_cast<uint32_t>(PARSE_BAD)) << arg;
    }
}

TEST_F(CmdlineOptionTypes, RejectedValueLeavesTheDestinationUntouched) {
    d.uint16 = 77;
    d.hex32 = 0xABCD;
    EXPECT_EQ(Parse(table, {"/u16:-1", "/h32:-1"}, PARSE_KEEP_VALUES | PARSE_CONTINUE),
              static_cast<uint32_t>(PARSE_BAD));
    EXPECT_EQ(d.uint16, 77);
    EXPECT_EQ(d.hex32, 0xABCDu);
    EXPECT_FALSE(table.Seen(6));
    EXPECT_FALSE(table.Seen(10));
}

TEST_F(CmdlineOptionTypes, SignTestLooksOnlyAtTheFirstCharacter) {
    EXPECT_EQ(One("/u16: -1"), 0u);
    EXPECT_EQ(d.uint16, 65535);
    EXPECT_EQ(One("/u32:\t-5"), 0u);
    EXPECT_EQ(d.uint32, 0xFFFFFFFBu);
    EXPECT_EQ(One("/u32:+7"), 0u);
    EXPECT_EQ(d.uint32, 7u);
}

TEST_F(CmdlineOptionTypes, DecimalAcceptsAnyTextAndWraps) {
    EXPECT_EQ(One("/i32:abc"), 0u);
    EXPECT_EQ(d.int32, 0);
    EXPECT_EQ(One("/i32: \n+42xyz"), 0u);
    EXPECT_EQ(d.int32, 42);
    EXPECT_EQ(One("/u32:4294967297"), 0u);
    EXPECT_EQ(d.uint32, 1u);
}

TEST_F(CmdlineOptionTypes, HexadecimalFormsAllGiveTheirValue) {
    for (const char* arg : {"/h16:0x1F", "/h16:0X1f", "/h16:1f", "/h16:1fz"}) {
        d.hex16 = 0;
        EXPECT_EQ(One(arg), 0u) << arg;
        EXPECT_EQ(d.hex16, 31) << arg;
    }
    for (const char* arg : {"/h16:0x", "/h16:zz"}) {
        EXPECT_EQ(One(std::string(arg), PARSE_KEEP_VALUES), 0u) << arg;
        EXPECT_EQ(d.hex16, 0) << arg;
        EXPECT_TRUE(table.Seen(9)) << arg;
    }
    EXPECT_EQ(One("/h16:12345"), 0u);
    EXPECT_EQ(d.hex16, 0x2345);
    EXPECT_EQ(One("/h32:0xdeadBEEF"), 0u);
    EXPECT_EQ(d.hex32, 0xDEADBEEFu);
}

TEST_F(CmdlineOptionTypes, EscapedTextDropsOneLeadingBackslash) {
    EXPECT_EQ(One("/e:\\-x"), 0u);
    EXPECT_EQ(std::string(d.escaped), "-x");
    EXPECT_EQ(One("/e:\\\\x"), 0u);
    EXPECT_EQ(std::string(d.escaped), "\\x");
    EXPECT_EQ(One("/e:a\\b"), 0u);
    EXPECT_EQ(std::string(d.escaped), "a\\b");
    // A value that must begin with "/" is given after a backslash, since that is no option.
    EXPECT_EQ(Parse(table, {"/e", "\\/v"}), 0u);
    EXPECT_EQ(std::string(d.escaped), "/v");
}

TEST_F(CmdlineOptionTypes, EmptyValueIsAcceptedOnlyByTheTwoTextTypes) {
    EXPECT_EQ(Parse(table, {"/t:", "/e:"}), 0u);
    EXPECT_TRUE(table.Seen(4));
    EXPECT_TRUE(table.Seen(12));
    for (const char* arg : {"/i8:", "/i16:", "/u16:", "/i32:", "/u32:", "/h16:", "/h32:", "/r:"})
        EXPECT_EQ(One(arg), static_cast<uint32_t>(PARSE_BAD)) << arg;
    // An empty next argument is a value too, and rejected the same way.
    EXPECT_EQ(Parse(table, {"/i32", ""}), static_cast<uint32_t>(PARSE_BAD));
    EXPECT_EQ(Parse(table, {"/t", ""}), 0u);
}

TEST_F(CmdlineOptionTypes, EmptyTextClearsOnlyTheFirstByte) {
    memset(d.text, 'Q', sizeof(d.text));
    EXPECT_EQ(One("/t:", PARSE_KEEP_VALUES), 0u);
    EXPECT_EQ(std::string(d.text, sizeof(d.text)), std::string("\0QQQQQQQ", 8));
    memset(d.escaped, 'Q', sizeof(d.escaped));
    EXPECT_EQ(ConvertOptionValue(&table[12], ""), 1);
    EXPECT_EQ(std::string(d.escaped, sizeof(d.escaped)), std::string("\0QQQQQQQ", 8));
}

TEST_F(CmdlineOptionTypes, TypeOutsideTheTableRejectsEveryValue) {
    EXPECT_EQ(One("/z:1"), static_cast<uint32_t>(PARSE_BAD));
    EXPECT_EQ(One("/z"), static_cast<uint32_t>(PARSE_BAD));
    EXPECT_FALSE(table.Seen(13));
}

TEST_F(CmdlineOptionTypes, BareNameTakesTheNextArgumentAsItsValue) {
    EXPECT_EQ(Parse(table, {"/i32", "7", "/t", "abc", "/h16", "ff"}), 0u);
    EXPECT_EQ(d.int32, 7);
    EXPECT_EQ(std::string(d.text), "abc");
    EXPECT_EQ(d.hex16, 0xff);
}

TEST_F(CmdlineOptionTypes, BareTextOptionWithoutValueGetsTheEmptyText) {
    EXPECT_EQ(Parse(table, {"/t", "/e"}), 0u);
    EXPECT_EQ(d.text[0], '\0');
    EXPECT_TRUE(table.Seen(4));
    EXPECT_TRUE(table.Seen(12));
}

TEST_F(CmdlineOptionTypes, BareNumericOptionWithoutValueIsBad) {
    EXPECT_EQ(One("/i32"), static_cast<uint32_t>(PARSE_BAD));
    EXPECT_EQ(Parse(table, {"/i32", "/f"}), static_cast<uint32_t>(PARSE_BAD));
    EXPECT_EQ(One("/r"), static_cast<uint32_t>(PARSE_BAD));
}

TEST_F(CmdlineOptionTypes, NegativeNumberAfterABareNameIsAnOptionOfItsOwn) {
    Table withMinusFive{{"/n", 0, OPTT_INT32, 4, &d.int32}, {"/5", 0, OPTT_SWITCH, 0, nullptr}};
    EXPECT_EQ(Parse(withMinusFive, {"/n", "-5"}), static_cast<uint32_t>(PARSE_BAD));
    EXPECT_FALSE(withMinusFive.Seen(1));  // stopped before it
    EXPECT_EQ(Parse(withMinusFive, {"/n", "-5"}, PARSE_CONTINUE), static_cast<uint32_t>(PARSE_BAD));
    EXPECT_FALSE(withMinusFive.Seen(0));
    EXPECT_TRUE(withMinusFive.Seen(1));
    EXPECT_EQ(d.int32, 0);
    EXPECT_EQ(Parse(withMinusFive, {"/n:-5"}), 0u);
    EXPECT_EQ(d.int32, -5);
}

TEST_F(CmdlineOptionTypes, RejectedNextArgumentIsConsumedAllTheSame) {
    char file[8] = "";
    Table withFile{{"/z", 0, 13, 4, &d.unknown}, {"file", 0, OPTT_STRING, 8, file}};
    EXPECT_EQ(Parse(withFile, {"/z", "abc"}, PARSE_CONTINUE), static_cast<uint32_t>(PARSE_BAD));
    EXPECT_FALSE(withFile.Seen(1));
    EXPECT_EQ(std::string(file), "");
}

// --- Size 0 rows ---------------------------------------------------------------------

TEST(CmdlineSizeZeroRows, RejectEveryNonEmptyValueAndNeverTouchTheDestination) {
    fake::Reset();
    int32_t canary[4] = {-1, -1, -1, -1};
    Table table{
        {"/t", 0, OPTT_STRING, 0, &canary[0]},
        {"/n", 0, OPTT_INT32, 0, &canary[1]},
        {"/e", 0, OPTT_ESCSTRING, 0, &canary[2]},
        {"pos", 0, OPTT_FLAG, 0, &canary[3]},
    };
    EXPECT_EQ(Parse(table, {"/t:abc"}), static_cast<uint32_t>(PARSE_BAD));
    EXPECT_EQ(Parse(table, {"/n:1"}), static_cast<uint32_t>(PARSE_BAD));
    EXPECT_EQ(Parse(table, {"yes"}), static_cast<uint32_t>(PARSE_BAD));
    // The empty text is accepted, but a row of size 0 owns no byte to write it to.
    EXPECT_EQ(Parse(table, {"/t:", "/e"}), 0u);
    EXPECT_TRUE(table.Seen(0));
    EXPECT_FALSE(table.Seen(1));
    EXPECT_TRUE(table.Seen(2));
    for (int32_t c : canary) EXPECT_EQ(c, -1);
}

TEST(CmdlineSizeZeroRows, NamedFlagStillStoresOne) {
    fake::Reset();
    int32_t flag = -1;
    Table table{{"/f", 0, OPTT_FLAG, 0, &flag}, {"/g", 0, OPTT_FLAG, 0, nullptr}};
    EXPECT_EQ(Parse(table, {"/f", "/g"}), 0u);
    EXPECT_EQ(flag, 1);
    EXPECT_TRUE(table.Seen(1));
}

// --- Positional rows and gathering ---------------------------------------------------------

class CmdlinePositional : public ::testing::Test {
protected:
    void SetUp() override { fake::Reset(); }
    char file[8] = "?";
    int32_t count = -1;
    int32_t verbose = -1;
};

TEST_F(CmdlinePositional, ValuesFillThePositionalRowsInTableOrder) {
    Table table{{"file", 0, OPTT_STRING, 8, file},
                {"/v", 0, OPTT_FLAG, 4, &verbose},
                {"count", 0, OPTT_INT32, 4, &count}};
    EXPECT_EQ(Parse(table, {"a.txt", "/v", "12"}), 0u);
    EXPECT_EQ(std::string(file), "a.txt");
    EXPECT_EQ(count, 12);
    EXPECT_EQ(verbose, 1);
    EXPECT_TRUE(table.Seen(0) && table.Seen(1) && table.Seen(2));
}

TEST_F(CmdlinePositional, ValueBeyondTheLastRowFindsNoRoom) {
    Table table{{"file", 0, OPTT_STRING, 8, file}, {"/v", 0, OPTT_FLAG, 4, &verbose}};
    EXPECT_EQ(Parse(table, {"a", "b", "/v"}), static_cast<uint32_t>(PARSE_NO_ROOM));
    EXPECT_FALSE(table.Seen(1));
    EXPECT_EQ(Parse(table, {"a", "b", "/v"}, PARSE_CONTINUE), static_cast<uint32_t>(PARSE_NO_ROOM));
    EXPECT_TRUE(table.Seen(1));
    EXPECT_EQ(std::string(file), "a");
}

TEST_F(CmdlinePositional, RejectedValueLeavesTheSameRowCurrent) {
    uint16_t port = 0;
    Table table{{"port", 0, OPTT_UINT16, 2, &port}, {"file", 0, OPTT_STRING, 8, file}};
    EXPECT_EQ(Parse(table, {"", "80", "x"}, PARSE_CONTINUE), static_cast<uint32_t>(PARSE_BAD));
    EXPECT_EQ(port, 80);
    EXPECT_EQ(std::string(file), "x");
    EXPECT_EQ(Parse(table, {"", "80"}), static_cast<uint32_t>(PARSE_BAD));
    EXPECT_EQ(port, 0);
}

TEST_F(CmdlinePositional, PositionalFlagStoresOneForAnyNonEmptyValue) {
    Table table{{"on", 0, OPTT_FLAG, 4, &verbose}};
    EXPECT_EQ(Parse(table, {"0"}), 0u);
    EXPECT_EQ(verbose, 1);
    EXPECT_EQ(Parse(table, {""}), static_cast<uint32_t>(PARSE_BAD));
    EXPECT_EQ(verbose, 0);
}

TEST_F(CmdlinePositional, PositionalRowIsMatchedByOptionsToo) {
    // The rows are all tried, and the first character of the name is never compared:
    // "-ile" names the row "file".
    Table table{{"file", 0, OPTT_STRING, 8, file}};
    EXPECT_EQ(Parse(table, {"-ILE:b"}), 0u);
    EXPECT_EQ(std::string(file), "b");
    EXPECT_TRUE(table.Seen(0));
    EXPECT_EQ(Parse(table, {"-file:b"}), static_cast<uint32_t>(PARSE_BAD));
    // Seen as a positional value first, it is then repeated.
    EXPECT_EQ(Parse(table, {"a", "/ile:c"}), static_cast<uint32_t>(PARSE_REPEATED));
    EXPECT_EQ(std::string(file), "c");
}

TEST_F(CmdlinePositional, RestRowGathersEveryLaterArgumentAfterOneBlank) {
    char rest[32];
    Table table{{"cmd", 0, OPTT_REST, 32, rest}, {"/v", 0, OPTT_FLAG, 4, &verbose}};
    EXPECT_EQ(Parse(table, {"a"}), 0u);
    EXPECT_EQ(std::string(rest), "a");
    EXPECT_EQ(Parse(table, {"a", "b"}), 0u);
    EXPECT_EQ(std::string(rest), "a b");
    EXPECT_EQ(Parse(table, {"a", "b c", "/v", "-x", ""}), 0u);
    EXPECT_EQ(std::string(rest), "a b c /v -x ");
    EXPECT_FALSE(table.Seen(1));
    EXPECT_EQ(verbose, 0);
}

TEST_F(CmdlinePositional, RestTextThatDoesNotFitEndsTheParseWithNoRoom) {
    char rest[8];
    Table table{{"cmd", 0, OPTT_REST, 8, rest}, {"/req", OPTF_REQUIRED, OPTT_SWITCH, 0, nullptr}};
    // "abc def" and its terminator fill all 8 bytes.
    EXPECT_EQ(Parse(table, {"abc", "def"}), static_cast<uint32_t>(PARSE_MISSING));
    EXPECT_EQ(std::string(rest), "abc def");
    // One more character does not fit; even PARSE_CONTINUE stops, and no missing check runs.
    EXPECT_EQ(Parse(table, {"abc", "def", "g", "h"}, PARSE_CONTINUE), static_cast<uint32_t>(PARSE_NO_ROOM));
    EXPECT_EQ(std::string(rest), "abc def");
    EXPECT_EQ(Parse(table, {"abc", "defg"}), static_cast<uint32_t>(PARSE_NO_ROOM));
    EXPECT_EQ(std::string(rest), "abc");
}

TEST_F(CmdlinePositional, EmptyFirstRestValueIsRejected) {
    char rest[8] = "?";
    Table table{{"cmd", 0, OPTT_REST, 8, rest}};
    EXPECT_EQ(Parse(table, {"", "a"}, PARSE_CONTINUE), static_cast<uint32_t>(PARSE_BAD));
    EXPECT_EQ(std::string(rest), "a");
}

// --- Caller flags and result bits ------------------------------------------------------

class CmdlineParseFlags : public ::testing::Test {
protected:
    void SetUp() override { fake::Reset(); }
    int32_t n = -1, m = -1, f = -1;
    char text[8] = "?";
    char rest[16] = "?";
};

TEST_F(CmdlineParseFlags, FirstValueReturnsAfterTheFirstStoredValue) {
    Table table{{"/s", 0, OPTT_SWITCH, 0, nullptr}, {"/f", 0, OPTT_FLAG, 4, &f},
                {"/t", 0, OPTT_STRING, 8, text},    {"/n", OPTF_REQUIRED, OPTT_INT32, 4, &n},
                {"/m", OPTF_REQUIRED, OPTT_INT32, 4, &m}};
    // Switches, flags and a value-less text option do not count; the early return skips
    // the missing check.
    EXPECT_EQ(Parse(table, {"/s", "/f", "/t", "/n:5", "/m:6"}, PARSE_FIRST_VALUE), 0u);
    EXPECT_TRUE(table.Seen(0) && table.Seen(1) && table.Seen(2) && table.Seen(3));
    EXPECT_EQ(n, 5);
    EXPECT_FALSE(table.Seen(4));
    EXPECT_EQ(m, 0);
    // An empty text after a colon is a value.
    EXPECT_EQ(Parse(table, {"/t:", "/n:5"}, PARSE_FIRST_VALUE), 0u);
    EXPECT_FALSE(table.Seen(3));
    // So is a bare name's next argument.
    EXPECT_EQ(Parse(table, {"/t", "x", "/n:5"}, PARSE_FIRST_VALUE), 0u);
    EXPECT_EQ(std::string(text), "x");
    EXPECT_FALSE(table.Seen(3));
}

TEST_F(CmdlineParseFlags, FirstValueStopsAPositionalRestRowBeforeGathering) {
    Table table{{"cmd", 0, OPTT_REST, 16, rest}};
    EXPECT_EQ(Parse(table, {"a", "b", "c"}, PARSE_FIRST_VALUE), 0u);
    EXPECT_EQ(std::string(rest), "a");
}

TEST_F(CmdlineParseFlags, FirstValueKeepsBitsGatheredBeforeIt) {
    Table table{{"/f", 0, OPTT_FLAG, 4, &f}, {"/n", 0, OPTT_INT32, 4, &n}};
    EXPECT_EQ(Parse(table, {"/f", "/f", "/n:1", "/x"}, PARSE_FIRST_VALUE), static_cast<uint32_t>(PARSE_REPEATED));
}

TEST_F(CmdlineParseFlags, SkipUnmatchedIgnoresUnknownOptionsOnly) {
    Table table{{"/n", 0, OPTT_INT32, 4, &n}};
    EXPECT_EQ(Parse(table, {"/x", "/n:5"}, PARSE_SKIP_UNMATCHED), 0u);
    EXPECT_EQ(n, 5);
    // The argument after a skipped option is handled on its own.
    EXPECT_EQ(Parse(table, {"/x", "7"}, PARSE_SKIP_UNMATCHED), static_cast<uint32_t>(PARSE_NO_ROOM));
    // Rejected values are still bad.
    EXPECT_EQ(Parse(table, {"/n:"}, PARSE_SKIP_UNMATCHED), static_cast<uint32_t>(PARSE_BAD));
    EXPECT_EQ(Parse(table, {"/x", "/n:5"}), static_cast<uint32_t>(PARSE_BAD));
    EXPECT_EQ(n, 0);
}

TEST_F(CmdlineParseFlags, ContinueGathersEveryBitAndEndsWithTheMissingCheck) {
    Table table{{"/n", 0, OPTT_INT32, 4, &n}, {"/m", OPTF_REQUIRED, OPTT_INT32, 4, &m}};
    EXPECT_EQ(Parse(table, {"/x", "/n:1", "pos", "/n:2", "/n:"}, PARSE_CONTINUE),
              static_cast<uint32_t>(PARSE_BAD | PARSE_NO_ROOM | PARSE_REPEATED | PARSE_MISSING));
    EXPECT_EQ(n, 2);
}

TEST_F(CmdlineParseFlags, KeepValuesLeavesDestinationsButClearsSeenBits) {
    Table table{{"/n", 0, OPTT_INT32, 4, &n}, {"/t", 0, OPTT_STRING, 8, text}};
    n = 41;
    table[1].Flags = OPTF_SEEN;
    EXPECT_EQ(Parse(table, {"/t:x"}, PARSE_KEEP_VALUES), 0u);
    EXPECT_EQ(n, 41);
    EXPECT_FALSE(table.Seen(0));
    EXPECT_EQ(std::string(text), "x");
    // Without it, every destination is cleared.
    EXPECT_EQ(Parse(table, {"/t:y"}), 0u);
    EXPECT_EQ(n, 0);
}

TEST_F(CmdlineParseFlags, MissingRequiredRowIsReportedAtTheEnd) {
    Table table{{"/n", OPTF_REQUIRED, OPTT_INT32, 4, &n}, {"/m", 0x10, OPTT_INT32, 4, &m}};
    EXPECT_EQ(Parse(table, {"/m:1"}), static_cast<uint32_t>(PARSE_MISSING));
    EXPECT_EQ(Parse(table, {"/n:1"}), 0u);
    EXPECT_EQ(table[1].Flags, 0x10);  // other bits are left alone
    // An early return skips the check.
    EXPECT_EQ(Parse(table, {"/x"}), static_cast<uint32_t>(PARSE_BAD));
}

TEST_F(CmdlineParseFlags, RepeatedOptionIsProcessedAgain) {
    uint16_t u = 0;
    Table table{{"/u", 0, OPTT_UINT16, 2, &u}, {"/s", 0, OPTT_SWITCH, 0, nullptr}};
    EXPECT_EQ(Parse(table, {"/u:1", "/u:2"}), static_cast<uint32_t>(PARSE_REPEATED));
    EXPECT_EQ(u, 2);
    EXPECT_EQ(Parse(table, {"/u:1", "/u:-2"}, PARSE_CONTINUE), static_cast<uint32_t>(PARSE_REPEATED | PARSE_BAD));
    EXPECT_EQ(u, 1);
    EXPECT_EQ(Parse(table, {"/s", "-S"}), static_cast<uint32_t>(PARSE_REPEATED));
}

// --- Matching ---------------------------------------------------------------------------

class CmdlineMatching : public ::testing::Test {
protected:
    void SetUp() override { fake::Reset(); }
    int32_t n = -1;
    char name[8] = "?";
    char text[8] = "?";
};

TEST_F(CmdlineMatching, FirstCharacterIsNeverComparedAndCaseIsIgnored) {
    Table table{{"-n", 0, OPTT_INT32, 4, &n}, {"/Name", 0, OPTT_STRING, 8, name}};
    EXPECT_EQ(Parse(table, {"/n:3"}), 0u);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(Parse(table, {"-N:4", "/nAmE:bob"}), 0u);
    EXPECT_EQ(n, 4);
    EXPECT_EQ(std::string(name), "bob");
}

TEST_F(CmdlineMatching, PrefixMatchDoesNotStopTheSearch) {
    Table shortFirst{{"/n", 0, OPTT_INT32, 4, &n}, {"/name", 0, OPTT_STRING, 8, name}};
    EXPECT_EQ(Parse(shortFirst, {"/name:bob", "/n:1"}), 0u);
    EXPECT_EQ(std::string(name), "bob");
    EXPECT_EQ(n, 1);
    Table longFirst{{"/name", 0, OPTT_STRING, 8, name}, {"/n", 0, OPTT_INT32, 4, &n}};
    EXPECT_EQ(Parse(longFirst, {"/n:2", "/name:al"}), 0u);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(std::string(name), "al");
}

TEST_F(CmdlineMatching, SwitchWithAColonFallsThroughToALaterRowOfTheSameName) {
    Table table{{"/s", 0, OPTT_SWITCH, 0, nullptr}, {"/s", 0, OPTT_STRING, 8, text}};
    EXPECT_EQ(Parse(table, {"/s:x"}), 0u);
    EXPECT_FALSE(table.Seen(0));
    EXPECT_TRUE(table.Seen(1));
    EXPECT_EQ(std::string(text), "x");
    EXPECT_EQ(Parse(table, {"/s"}), 0u);
    EXPECT_TRUE(table.Seen(0));
    EXPECT_FALSE(table.Seen(1));
}

TEST_F(CmdlineMatching, LengthTestRejectsLongerAndShorterArguments) {
    Table table{{"/name", 0, OPTT_STRING, 8, name}};
    for (const char* arg : {"/names", "/nam", "/nam:x", "/", "-", "/name-x", "/namex:y"})
        EXPECT_EQ(Parse(table, {arg}), static_cast<uint32_t>(PARSE_BAD)) << arg;
    EXPECT_EQ(Parse(table, {"/name::x"}), 0u);
    EXPECT_EQ(std::string(name), ":x");
}

TEST_F(CmdlineMatching, OneCharacterNameMatchesAnyOptionSignAlone) {
    Table table{{"/", 0, OPTT_STRING, 8, text}};
    EXPECT_EQ(Parse(table, {"-"}), 0u);
    EXPECT_TRUE(table.Seen(0));
    EXPECT_EQ(Parse(table, {"-:v"}), 0u);
    EXPECT_EQ(std::string(text), "v");
}

// --- The two number conversions on their own ---------------------------------------------

TEST(CmdlineNumbers, DecimalConversion) {
    const struct {
        const char* text;
        uint32_t value;
    } cases[] = {
        {"", 0},          {"0", 0},         {"42", 42},          {"  \t\n\v\f\r42", 42}, {"+7", 7},
        {"-7", 0u - 7u},  {"12ab34", 12},   {"abc", 0},          {"-", 0},               {"+-3", 0},
        {"4294967295", 4294967295u},        {"4294967296", 0},   {"- 5", 0},             {"007", 7},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseDecimalNumber(c.text), c.value) << "[" << c.text << "]";
}

TEST(CmdlineNumbers, HexadecimalConversion) {
    const struct {
        const char* text;
        uint32_t value;
    } cases[] = {
        {"0x1F", 31},  {"0X1f", 31},          {"1f", 31},       {"0x", 0},        {"zz", 0},
        {"", 0},       {"0", 0},              {"0xg", 0},       {"ABCDEF", 0xABCDEF},
        {"00x1", 0},   {"123456789", 0x23456789}, {" 1", 0},    {"-1", 0},        {"0x0x1", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseHexNumber(c.text), c.value) << "[" << c.text << "]";
}

}  // namespace
