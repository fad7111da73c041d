// The program's own option table, checked once at start-up.
#include "cmdline/option_parser.h"

// Recognised and kept so that /uninst is not reported as unknown; no installation
// step reads it.
char UninstOptionValue[261];

OptionSpec CommandLineOptions[] = {
    {"/uninst", 0, OPTT_STRING, sizeof(UninstOptionValue), UninstOptionValue},
    {nullptr, 0, 0, 0, nullptr},
};

int CheckCommandLine(int count, char** arguments) {
    // Argument 0 is the program's own path and is never parsed.
    int32_t parsed = count > 1 ? count - 1 : 0;
    uint32_t result = ParseOptions(parsed, parsed > 0 ? arguments + 1 : arguments, CommandLineOptions, 0);
    return (result == 0 || (result & PARSE_NO_ARGS) != 0) ? 1 : 0;
}
