// %NAME% references in script values.
#pragma once

#include <stddef.h>

#include <string_view>

#include "platform/fixed_text.h"
#include "setup/setup_context.h"

struct MacroRow {
    const char* Name;
    const char* Value;  // a live SetupContext buffer, read at the moment of expansion
};

// The eight macros, in lookup order; the last row has no name. Each row points at the
// buffer itself, so a reference always yields what the buffer holds right now.
inline constexpr MacroRow MacroTable[] = {
    {"INFFILE", g_Setup.INFFILE.text},
    {"SRCDIR", g_Setup.SRCDIR.text},
    {"TARGETDIR", g_Setup.TARGETDIR.text},
    {"WINDIR", g_Setup.WINDIR.text},
    {"WINSYSDIR", g_Setup.WINSYSDIR.text},
    {"SRCFILE", g_Setup.SRCFILE.text},
    {"TARGETFILE", g_Setup.TARGETFILE.text},
    {"PRODUCTNAME", g_Setup.PRODUCTNAME.text},
    {nullptr, nullptr},
};

// The longest name between two percent signs; a longer one names nothing.
constexpr size_t kMacroNameChars = 79;
// The expanded text never holds more than this, whatever the caller's buffer.
constexpr size_t kExpandedChars = kPathChars - 1;

// Expands the references of `text` in place, in one left-to-right pass; values are
// inserted as they are and never scanned again. `capacity` is the size of the
// caller's buffer in bytes; the result never exceeds it nor 259 characters. Returns
// 1 when the expansion is whole, 0 when it had to be cut (the buffer then holds as
// much as fits) or a long value could not be read: a caller whose text is a path
// refuses it then.
int ExpandMacros(char* text, size_t capacity);
template <size_t N>
int ExpandMacros(FixedText<N>& text) {
    return ExpandMacros(text.data(), N);
}

// Expands `text` into a heap block of its own size (HeapAlloc on the process heap,
// freed by the caller), for values that are not paths. The block has room for one
// more character after the result. Returns 1 with `*block` set (null for an empty
// result), or 0 with no block when the result would exceed `maxChars`, a value could
// not be read whole, or memory ran out.
int ExpandMacrosToBlock(std::string_view text, size_t maxChars, char** block);

// The current value of a macro or, failing that, of an environment variable (names
// compared without regard to case), or nullptr. The text is only valid until the
// next call.
const char* LookUpMacro(std::string_view name);
