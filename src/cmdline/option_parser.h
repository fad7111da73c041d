// Matching arguments against a table of options.
#pragma once

#include <stdint.h>

enum OptionFlags : uint16_t { OPTF_REQUIRED = 1, OPTF_SEEN = 2 };

// What a row's value is converted to, numbered as the tables store them: no value,
// a flag, a character or texts, and numbers by width, sign and base.
// clang-format off
enum OptionType : uint16_t {
    OPTT_SWITCH = 0, OPTT_FLAG = 1, OPTT_INT8 = 2, OPTT_CHAR = 3, OPTT_STRING = 4, OPTT_INT16 = 5, OPTT_UINT16 = 6,
    OPTT_INT32 = 7, OPTT_UINT32 = 8, OPTT_HEX16 = 9, OPTT_HEX32 = 10, OPTT_REST = 11, OPTT_ESCSTRING = 12,
};
// clang-format on

enum ParseFlags : uint32_t {
    PARSE_CONTINUE = 1,
    PARSE_FIRST_VALUE = 2,
    PARSE_SKIP_UNMATCHED = 4,
    PARSE_KEEP_VALUES = 8,
};

enum ParseResult : uint32_t {
    PARSE_MISSING = 0x01,
    PARSE_BAD = 0x02,
    PARSE_REPEATED = 0x04,
    PARSE_NO_ARGS = 0x08,
    PARSE_NO_ROOM = 0x10,
};

struct OptionSpec {
    const char* Name;
    uint16_t Flags;
    uint16_t Type;
    uint16_t Size;
    void* Destination;
};

// Matches `count` arguments against `table` (rows ending in a null name), stores the
// values, marks the rows given with OPTF_SEEN and returns the PARSE_* result bits;
// 0 is a clean parse. Numeric destinations must be as wide as their type.
uint32_t ParseOptions(int32_t count, char** arguments, OptionSpec* table, uint32_t flags);
// Converts and stores one value. Returns 1 when accepted, 0 when rejected (the
// destination is then untouched).
int ConvertOptionValue(OptionSpec* row, const char* value);
// Optional white space and sign, then decimal digits; never fails, wraps at 32 bits.
uint32_t ParseDecimalNumber(const char* text);
// Optional 0x or 0X, then hexadecimal digits; never fails, wraps at 32 bits.
uint32_t ParseHexNumber(const char* text);

// The program's own table: /uninst and its value, which nothing else reads; /S, an
// unattended run; /LOG:FILE, the trace of the run.
extern char UninstOptionValue[261];
extern char TraceOptionValue[261];
extern OptionSpec CommandLineOptions[];
constexpr int kSilentOptionRow = 1;

// What the command line asked for: the run unattended, and the file of its trace
// (nullptr without /LOG or with an empty name).
struct CommandLineFindings {
    int Silent;
    const char* TracePath;
};
// Parses the arguments after argument 0 against CommandLineOptions, on past an
// argument it does not understand, and fills `found` (left as it is when there are no
// arguments). Returns 1 for a clean parse or no arguments, else 0.
int CheckCommandLine(int count, char** arguments, CommandLineFindings* found = nullptr);
