// The profile rules over a file's text, without the fake machine: the shared rows of
// profile_cases.h (proven against the real functions under Wine) hold for the
// whole-file readers and for the reader of a section block, and the line view gives
// what diagnostics point at.
#include "script/profile_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "profile_cases.h"

namespace {

using profile_cases::Call;
using profile_cases::Case;

std::string Printable(std::string_view bytes) {
    std::string out;
    for (char c : bytes) out += c == '\0' ? std::string("\\0") : std::string(1, c);
    return out;
}

std::string RowName(const ::testing::TestParamInfo<Case>& info) {
    std::string name;
    bool upper = true;
    for (const char* p = info.param.name; *p; ++p) {
        char c = *p;
        bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!alnum) {
            upper = true;
            continue;
        }
        name += upper && c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        upper = false;
    }
    return name;
}

// Checks a string answer against the row, including that nothing went past the buffer.
template <typename Read>
void ExpectStringRow(const Case& row, Read read) {
    std::vector<char> buffer(row.size + 8, '*');
    unsigned n = read(buffer.data(), row.size);
    EXPECT_EQ(n, row.expectedResult);
    EXPECT_EQ(Printable(std::string_view(buffer.data(), row.expectedBuffer.size())), Printable(row.expectedBuffer));
    EXPECT_EQ(std::string(buffer.data() + row.size, 8), std::string(8, '*'));
}

class ProfileRulesRows : public ::testing::TestWithParam<Case> {};
class SectionBlockRows : public ::testing::TestWithParam<Case> {};

// The rows that read one key or key list of one section.
std::vector<Case> ReadsInsideOneSection() {
    std::vector<Case> rows;
    for (const Case& row : profile_cases::kCases)
        if ((row.call == Call::GetString || row.call == Call::GetInt) && row.section != nullptr) rows.push_back(row);
    return rows;
}

// Every row but the writes, which are the fake's own.
std::vector<Case> Reads() {
    std::vector<Case> rows;
    for (const Case& row : profile_cases::kCases)
        if (row.call != Call::Write) rows.push_back(row);
    return rows;
}

TEST_P(ProfileRulesRows, WholeFileReadersAnswerAsTheRowSays) {
    const Case& row = GetParam();
    std::string_view text = row.fileText ? row.fileText : "";
    const std::string_view* file = row.fileText ? &text : nullptr;
    switch (row.call) {
        case Call::GetString:
            ExpectStringRow(row, [&](char* out, unsigned size) {
                return ReadProfileString(file, row.section, row.key, row.text, out, size);
            });
            break;
        case Call::GetSection:
            ExpectStringRow(row,
                            [&](char* out, unsigned size) { return ReadProfileSection(file, row.section, out, size); });
            break;
        case Call::GetInt:
            EXPECT_EQ(ReadProfileInt(file, row.section, row.key, row.intDefault), row.expectedResult);
            break;
        case Call::Write:
            FAIL() << "writes are not rules over text";
    }
}

// SETUP.EXE may fetch a whole entry section at once and take its keys out of the
// block: every answer must be the one the file itself gives.
TEST_P(SectionBlockRows, SectionBlockReaderAnswersAsTheFileDoes) {
    const Case& row = GetParam();
    std::string_view text = row.fileText ? row.fileText : "";
    std::vector<char> block(1 << 16);
    unsigned length = ReadProfileSection(row.fileText ? &text : nullptr, row.section, block.data(),
                                         static_cast<unsigned>(block.size()));
    std::string_view section(block.data(), length);
    if (row.call == Call::GetInt)
        EXPECT_EQ(ReadSectionInt(section, row.key, row.intDefault), row.expectedResult);
    else
        ExpectStringRow(
            row, [&](char* out, unsigned size) { return ReadSectionString(section, row.key, row.text, out, size); });
}

INSTANTIATE_TEST_SUITE_P(Rows, ProfileRulesRows, ::testing::ValuesIn(Reads()), RowName);
INSTANTIATE_TEST_SUITE_P(Rows, SectionBlockRows, ::testing::ValuesIn(ReadsInsideOneSection()), RowName);

// The line view: what each line is, where it is, and whether the functions hold it.
struct LineRow {
    const char* why;
    const char* text;
    // Expected lines as "number:kind:name=value" ('S' section, 'K' key, 'N' no '=';
    // a trailing '!' when the functions drop the line).
    std::vector<std::string> lines;
};

std::string Describe(const ProfileLine& line) {
    char kind = line.Kind == ProfileSectionLine ? 'S' : line.Kind == ProfileKeyLine ? 'K' : 'N';
    std::string d = std::to_string(line.Number) + ":" + kind + ":" + std::string(line.Name);
    if (line.Kind == ProfileKeyLine) d += "=" + std::string(line.Value);
    if (!line.Held) d += "!";
    return d;
}

TEST(ProfileLines, KindNumberAndHoldOfEachLine) {
    const LineRow rows[] = {
        // CR LF, LF alone and CR alone each end one line; empty lines still count.
        {"line ends", "[A]\r\nx=1\n\ny=2\rz=3", {"1:S:A", "2:K:x=1", "4:K:y=2", "5:K:z=3"}},
        // The section name is what lies between '[' and the last ']', trimmed.
        {"section header", "  [ My Section ] trailing]\r\n[open\r\n", {"1:S:My Section ] trailing", "2:N:[open"}},
        // The first '=' splits; blanks around name and value go, quotes stay.
        {"key split", "[A]\r\n k = \"a=b\" \r\n", {"1:S:A", "2:K:k=\"a=b\""}},
        // A line with an empty name is dropped unless a named key or a header is before it.
        {"empty names", "[A]\r\n=1\r\n=2\r\nk=3\r\n=4\r\n", {"1:S:A", "2:K:=1", "3:K:=2!", "4:K:k=3", "5:K:=4"}},
        // A comment is a key line whose name starts with ';'.
        {"comment", "[A]\r\n;note=1\r\n; plain\r\n", {"1:S:A", "2:K:;note=1", "3:N:; plain"}},
        // ^Z and tabs are blanks.
        {"blanks", "\t[A]\x1a\r\n\x1a", {"1:S:A"}},
    };
    for (const LineRow& row : rows) {
        std::vector<std::string> got;
        ProfileCursor cursor;
        StartProfileLines(cursor, row.text);
        ProfileLine line;
        while (ReadNextProfileLine(cursor, line)) got.push_back(Describe(line));
        EXPECT_EQ(got, row.lines) << row.why;
    }
}

TEST(ProfileLines, CommentLinesAreToldApart) {
    ProfileCursor cursor;
    StartProfileLines(cursor, "[A]\r\n;k=1\r\nk=2\r\n");
    ProfileLine line;
    std::vector<bool> comments;
    while (ReadNextProfileLine(cursor, line)) comments.push_back(IsProfileComment(line));
    EXPECT_EQ(comments, (std::vector<bool>{false, true, false}));
}

TEST(ProfileLines, FindKeyGivesTheLineOfTheFirstKeyInTheFirstSection) {
    const char text[] = "[S]\r\nk=1\r\n[T]\r\nk=2\r\n[s]\r\nj=3\r\nK=4\r\n";
    ProfileLine line;
    ASSERT_TRUE(FindProfileKey(text, "s", "K", line));
    EXPECT_EQ(line.Number, 2u);
    EXPECT_EQ(line.Value, "1");
    EXPECT_FALSE(FindProfileKey(text, "S", "j", line)) << "only the first [S] is searched";
}

TEST(SectionBlock, CutBlockIsReadUpToWhatCameBack) {
    // The call returned 8 (size-2) for a 10-byte buffer: the reader must stay inside.
    const char block[] = "alpha=1\0\0";
    char out[8];
    EXPECT_EQ(ReadSectionString(std::string_view(block, 8), "alpha", "d", out, sizeof out), 1u);
    EXPECT_STREQ(out, "1");
    EXPECT_EQ(ReadSectionString(std::string_view(block, 8), "beta", "d", out, sizeof out), 1u);
    EXPECT_STREQ(out, "d");
}

TEST(SectionBlock, NumbersAreConvertedAsTheIntegerFunctionDoes) {
    const char block[] = "hex=0x1F\0neg=-3\0quoted=\"12\"\0word=abc\0";
    std::string_view b(block, sizeof block - 1);
    EXPECT_EQ(ReadSectionInt(b, "HEX", 0), 31u);
    EXPECT_EQ(ReadSectionInt(b, "neg", 0), 0u - 3u);
    EXPECT_EQ(ReadSectionInt(b, "quoted", 0), 12u);
    EXPECT_EQ(ReadSectionInt(b, "word", 5), 0u);
    EXPECT_EQ(ReadSectionInt(b, "missing", 5), 5u);
}

// A zero byte inside a line, as Wine 8's profile functions answer it (measured with
// GetPrivateProfileStringA and GetPrivateProfileSectionA): the value ends there, read
// alone or with its section. Rows with a zero byte cannot be C strings, so they are
// kept here rather than among the shared rows.
struct ZeroByteRow {
    const char* why;
    std::string_view file;
    const char* key;
    unsigned expectedResult;
    std::string_view expectedValue;
    std::string_view expectedBlock;
};

using namespace std::string_view_literals;
const ZeroByteRow kZeroByteRows[] = {
    // Found by fuzzing: the file reader gave 1 and the block reader 0 for this line.
    {"an empty key name with a zero byte for value", "[S]\r\n=\0\r\n"sv, "", 0, "\0"sv, "=\0\0"sv},
    // The value stops at the zero byte; the rest of the line is lost.
    {"a value cut at a zero byte", "[S]\r\nK=a\0b\r\n"sv, "K", 1, "a\0"sv, "K=a\0\0"sv},
    // Blanks before the zero byte go, as the values of a section block lose theirs: the
    // two readers agree. (Wine keeps the blank here, answering 2 and "a ", in both.)
    {"blanks before the zero byte go", "[S]\r\nK=a \0b\r\n"sv, "K", 1, "a\0"sv, "K=a\0\0"sv},
    // Quotes are matched on what is left: an opening quote alone stays (measured).
    {"a quote cut off by the zero byte stays", "[S]\r\nK=\"a\0b\"\r\n"sv, "K", 2, "\"a\0"sv, "K=\"a\0\0"sv},
};

TEST(ProfileZeroBytes, ValueEndsAtTheZeroByteInEveryReader) {
    for (const ZeroByteRow& row : kZeroByteRows) {
        SCOPED_TRACE(row.why);
        std::string_view file = row.file;
        char value[32], fromBlock[32], block[64];
        EXPECT_EQ(ReadProfileString(&file, "S", row.key, "dflt", value, sizeof value), row.expectedResult);
        EXPECT_EQ(Printable(std::string_view(value, row.expectedValue.size())), Printable(row.expectedValue));
        unsigned length = ReadProfileSection(&file, "S", block, sizeof block);
        EXPECT_EQ(Printable(std::string_view(block, length + 1)), Printable(row.expectedBlock));
        EXPECT_EQ(ReadSectionString(std::string_view(block, length), row.key, "dflt", fromBlock, sizeof fromBlock),
                  row.expectedResult);
        EXPECT_EQ(Printable(std::string_view(fromBlock, row.expectedValue.size())), Printable(row.expectedValue));
    }
}

}  // namespace
