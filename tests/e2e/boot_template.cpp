// Boots the template prefix that every end-to-end case copies: run once per ctest
// run as the fixture of the e2e tests.
#include <cstdio>
#include <exception>

#include "harness.h"

int main() {
    try {
        std::printf("template prefix: %s\n", e2e::EnsureTemplatePrefix(true).c_str());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
