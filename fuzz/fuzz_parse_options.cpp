// ParseOptions with arbitrary option tables (names, flags, types, sizes), arguments
// and caller flags. Every destination is a heap block of exactly the row's size, so
// a store or clear past it is caught; a row of size 0 gets a four-byte block (a
// named flag row still stores its 1 there, an empty text its terminator).
#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include "cmdline/option_parser.h"
#include "fuzz_support.h"

namespace {

const char* const kNames[] = {"/uninst", "/a", "-a", "/ab", "/n", "-x", "/", "-", "pos", "rest", "", "/A:"};
const char* const kArguments[] = {"/uninst", "-UNINST:abc", "/a", "/a:", "/ab:12", "-5", "/n:-5", "0x1F",
                                  "zz", " -3", "\\/x", "abc", "", "/uninstall", "/n", "1f"};

bool IsTextType(uint16_t type) { return type == OPTT_STRING || type == OPTT_REST || type == OPTT_ESCSTRING; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);

    size_t rowCount = in.ConsumeIntegralInRange<size_t>(0, 8);
    std::vector<std::string> names(rowCount);
    std::vector<std::unique_ptr<unsigned char[]>> blocks(rowCount);
    std::vector<size_t> blockSizes(rowCount);
    std::vector<OptionSpec> table(rowCount + 1);
    for (size_t r = 0; r < rowCount; ++r) {
        names[r] = in.ConsumeBool() ? kNames[in.ConsumeIntegralInRange<size_t>(0, 11)] : fuzz::ConsumeText(in, 12);
        OptionSpec& row = table[r];
        row.Flags = in.ConsumeIntegral<uint16_t>();
        row.Type = in.ConsumeIntegralInRange<uint16_t>(0, 15);
        static const uint16_t kSizes[] = {0, 1, 2, 3, 4, 8, 261};
        row.Size = in.ConsumeBool() ? kSizes[in.ConsumeIntegralInRange(0, 6)] : in.ConsumeIntegralInRange<uint16_t>(0, 300);
        blockSizes[r] = row.Size != 0 ? row.Size : 4;
        blocks[r].reset(new unsigned char[blockSizes[r]]);
        memset(blocks[r].get(), 0xA5, blockSizes[r]);
        row.Destination = blocks[r].get();
    }
    for (size_t r = 0; r < rowCount; ++r) table[r].Name = names[r].c_str();
    table[rowCount] = OptionSpec{nullptr, 0, 0, 0, nullptr};

    uint32_t callerFlags = in.ConsumeBool() ? in.ConsumeIntegral<uint32_t>() : in.ConsumeIntegralInRange<uint32_t>(0, 15);
    size_t argumentCount = in.ConsumeIntegralInRange<size_t>(0, 10);
    std::vector<std::string> arguments(argumentCount);
    for (std::string& argument : arguments)
        argument = in.ConsumeBool() ? kArguments[in.ConsumeIntegralInRange<size_t>(0, 15)] : fuzz::ConsumeText(in, 300);
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);

    if (getenv("FUZZ_VERBOSE")) {
        for (size_t r = 0; r < rowCount; ++r)
            fprintf(stderr, "row %zu: name \"%s\" flags %#x type %u size %u\n", r, names[r].c_str(), table[r].Flags,
                    table[r].Type, table[r].Size);
        fprintf(stderr, "caller flags %#x\n", callerFlags);
        for (const std::string& argument : arguments) fprintf(stderr, "argument \"%s\"\n", argument.c_str());
    }

    std::vector<uint16_t> flagsBefore;
    for (size_t r = 0; r < rowCount; ++r) flagsBefore.push_back(table[r].Flags);

    uint32_t result = ParseOptions(static_cast<int32_t>(argumentCount), argv.data(), table.data(), callerFlags);
    FUZZ_CHECK((result & ~0x1Fu) == 0);
    if (argumentCount == 0) {
        FUZZ_CHECK(result == PARSE_NO_ARGS);
        for (size_t r = 0; r < rowCount; ++r) FUZZ_CHECK(table[r].Flags == flagsBefore[r]);
    }
    for (size_t r = 0; r < rowCount; ++r) {
        const OptionSpec& row = table[r];
        // Only the seen bit is the parser's.
        FUZZ_CHECK((row.Flags & ~OPTF_SEEN) == (flagsBefore[r] & ~OPTF_SEEN));
        FUZZ_CHECK(row.Name == names[r].c_str() && row.Destination == blocks[r].get());
        // A text destination that the parser touched ends in a zero byte.
        if (argumentCount > 0 && IsTextType(row.Type) && row.Size != 0 && (row.Flags & OPTF_SEEN))
            FUZZ_CHECK(memchr(blocks[r].get(), 0, row.Size) != nullptr);
    }
    // The parser reads the arguments; it never changes them.
    for (size_t a = 0; a < argumentCount; ++a) FUZZ_CHECK(argv[a] == arguments[a].data());

    // The program's own table with the same arguments; the first one stands for the
    // executable's path, as in the program, which always has it.
    if (argumentCount >= 1) {
        CheckCommandLine(static_cast<int>(argumentCount), argv.data());
        FUZZ_CHECK(memchr(UninstOptionValue, 0, sizeof UninstOptionValue) != nullptr);
    }
    return 0;
}
