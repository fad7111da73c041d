// setupcheck: a script's mistakes found before the medium ships.
#include <stdio.h>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

#include "setupcheck/check_command.h"

int main(int argc, char** argv) {
#if defined(_WIN32)
    // The same bytes as on any other system: line ends are not turned into CR LF.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    std::vector<std::string> arguments(argv + 1, argv + argc);
    std::string out, err;
    int code = RunSetupCheck(arguments, out, err);
    fputs(out.c_str(), stdout);
    fputs(err.c_str(), stderr);
    return code;
}
