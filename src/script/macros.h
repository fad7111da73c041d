// %NAME% references in script values.
#pragma once

#include <stddef.h>

#include <string_view>

#include "platform/fixed_text.h"

struct MacroRow {
    const char* Name;
    const char* Value;  // a live SetupContext buffer, read at the moment of expansion
};

// Expands the references of `text` in place. `capacity` is the size of the caller's
// buffer in bytes; the result is cut to fit it and never exceeds 259 characters.
int ExpandMacros(char* text, size_t capacity);
template <size_t N>
int ExpandMacros(FixedText<N>& text) {
    return ExpandMacros(text.data(), N);
}

// The current value of a macro or environment variable, or nullptr. The text is
// only valid until the next call.
const char* LookUpMacro(std::string_view name);
