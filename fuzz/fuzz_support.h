// Shared pieces of the fuzz targets: a check that stops the run with a message
// (libFuzzer then keeps the input), and text helpers.
#pragma once

#include <stdio.h>
#include <stdlib.h>

#include <string>

#include <fuzzer/FuzzedDataProvider.h>

#define FUZZ_CHECK(condition)                                                                   \
    do {                                                                                        \
        if (!(condition)) {                                                                     \
            fprintf(stderr, "FUZZ_CHECK failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
            abort();                                                                            \
        }                                                                                       \
    } while (0)

namespace fuzz {

// A string as a C function sees it: up to the first zero byte.
inline std::string UpToNul(std::string s) {
    size_t nul = s.find('\0');
    if (nul != std::string::npos) s.resize(nul);
    return s;
}

inline std::string ConsumeText(FuzzedDataProvider& in, size_t maxLength) {
    return UpToNul(in.ConsumeRandomLengthString(maxLength));
}

inline char AsciiLowerChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

inline bool SameTextAscii(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiLowerChar(a[i]) != AsciiLowerChar(b[i])) return false;
    return true;
}

// Length of a text in a buffer of `size` bytes, or `size` when it has no terminator.
inline size_t BoundedLength(const char* text, size_t size) {
    size_t n = 0;
    while (n < size && text[n] != '\0') ++n;
    return n;
}

}  // namespace fuzz
