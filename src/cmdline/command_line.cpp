// The program's own option table, checked once at start-up.
#include "cmdline/option_parser.h"

// Recognised and kept so that /uninst is not reported as unknown; no installation
// step reads it.
char UninstOptionValue[261];
// /LOG:FILE, the file the trace of the run is appended to.
char TraceOptionValue[261];

OptionSpec CommandLineOptions[] = {
    {"/uninst", 0, OPTT_STRING, sizeof(UninstOptionValue), UninstOptionValue},
    {"/S", 0, OPTT_SWITCH, 0, nullptr},
    {"/LOG", 0, OPTT_STRING, sizeof(TraceOptionValue), TraceOptionValue},
    {nullptr, 0, 0, 0, nullptr},
};

int CheckCommandLine(int count, char** arguments, CommandLineFindings* found) {
    // Argument 0 is the program's own path and is never parsed. An argument that is
    // not understood does not end the parse: a /S after it still counts, or a
    // deployment tool that added an option of its own would wait for a box forever.
    int32_t parsed = count > 1 ? count - 1 : 0;
    uint32_t result = ParseOptions(parsed, parsed > 0 ? arguments + 1 : arguments, CommandLineOptions, PARSE_CONTINUE);
    if (found != nullptr && (result & PARSE_NO_ARGS) == 0) {
        found->Silent = (CommandLineOptions[kSilentOptionRow].Flags & OPTF_SEEN) != 0 ? 1 : 0;
        found->TracePath = TraceOptionValue[0] != '\0' ? TraceOptionValue : nullptr;
    }
    return (result == 0 || (result & PARSE_NO_ARGS) != 0) ? 1 : 0;
}
