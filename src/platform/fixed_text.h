// Fixed-capacity, always-terminated text buffers.
//
// Every bounded character buffer of the installer is a FixedText<N>: N bytes, the
// last one always a terminator. Copies, appends and formatting never write past the
// end; when a text does not fit, it is cut at N-1 characters and the operation says
// so by returning false, so that a caller that must not cut (a path) can refuse.
#pragma once

#include <stddef.h>

#include <string_view>

// ASCII-only helpers: names are compared without regard to the case of A-Z only,
// never by the locale. AsciiLower gives the lower-case letter of A-Z and any other
// character as it is; EqualsIgnoreCase says whether two texts are equal so.
constexpr char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

constexpr bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

// The characters before the terminator.
constexpr size_t TextLength(const char* s) {
    size_t n = 0;
    while (s[n] != '\0') ++n;
    return n;
}

// Copies src into dst[cap] (cap >= 1), cutting at cap-1 characters. Returns false
// when it had to cut. The raw form exists for buffers handed over by the platform.
bool CopyBounded(char* dst, size_t cap, std::string_view src);
// Appends src to the terminated text in dst[cap]; same cutting rule.
bool AppendBounded(char* dst, size_t cap, std::string_view src);

template <size_t N>
struct FixedText {
    static_assert(N >= 1, "room for the terminator");
    static constexpr size_t Capacity = N;  // bytes, terminator included

    char text[N];  // zero-filled when static; call Clear() for locals

    // The buffer for a platform call to fill (follow with Terminate), and the text.
    char* data() { return text; }
    const char* c_str() const { return text; }
    size_t length() const { return TextLength(text); }
    bool empty() const { return text[0] == '\0'; }
    std::string_view view() const { return std::string_view(text, length()); }
    // The last character, or '\0' for an empty text.
    char last() const {
        size_t n = length();
        return n ? text[n - 1] : '\0';
    }

    void Clear() { text[0] = '\0'; }
    // Ends the text at the last byte at the latest: a platform call that filled the
    // whole buffer may have left it without a terminator.
    void Terminate() { text[N - 1] = '\0'; }
    // Replace or extend the text; false when it had to be cut to fit.
    bool Assign(std::string_view s) { return CopyBounded(text, N, s); }
    bool Append(std::string_view s) { return AppendBounded(text, N, s); }
    bool Append(char c) { return AppendBounded(text, N, std::string_view(&c, 1)); }
    // Whether `extra` more characters would still fit.
    bool HasRoomFor(size_t extra) const { return length() + extra <= N - 1; }
    // Cuts the text to at most n characters.
    void Truncate(size_t n) {
        if (n < N && n < length()) text[n] = '\0';
    }
};

constexpr size_t kPathChars = 260;  // MAX_PATH: 259 characters and a terminator
using PathText = FixedText<kPathChars>;
