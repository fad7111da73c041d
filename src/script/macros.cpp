#include "script/macros.h"

#include "platform/platform.h"

namespace {

// The largest value a Windows environment variable can hold, and its terminator. A
// long inherited PATH must come through whole, so that '%PATH%;...' is cut at the
// end of the expansion and does not lose the search path.
constexpr size_t kEnvironmentValueBytes = 32768;

// Holds the environment value handed out by the last LookUpMacro call.
FixedText<kEnvironmentValueBytes> g_EnvironmentValue;

const char* LookUpEnvironment(std::string_view name) {
    FixedText<kMacroNameChars + 1> terminatedName;
    terminatedName.Assign(name);
    DWORD n = GetEnvironmentVariableA(terminatedName.c_str(), g_EnvironmentValue.data(),
                                      static_cast<DWORD>(kEnvironmentValueBytes));
    // 0: no such variable (or an empty one, which expands to nothing all the same).
    // A result of the buffer size or more means the value did not fit and the buffer
    // holds nothing usable.
    if (n == 0 || n >= kEnvironmentValueBytes) return nullptr;
    return g_EnvironmentValue.c_str();
}

}  // namespace

const char* LookUpMacro(std::string_view name) {
    if (name.empty() || name.size() > kMacroNameChars) return nullptr;
    for (const MacroRow* row = MacroTable; row->Name != nullptr; ++row)
        if (EqualsIgnoreCase(row->Name, name)) return row->Value;
    return LookUpEnvironment(name);
}

int ExpandMacros(char* text, size_t capacity) {
    if (text == nullptr || capacity == 0) return 1;
    size_t length = 0;
    while (length < capacity - 1 && text[length] != '\0') ++length;
    std::string_view input(text, length);

    // The whole input is read before anything is written back: the result replaces it
    // in the same buffer.
    FixedText<kExpandedChars + 1> expanded;
    expanded.Clear();
    size_t i = 0;
    while (i < input.size()) {
        char c = input[i];
        if (c != '%') {
            expanded.Append(c);
            ++i;
            continue;
        }
        if (i + 1 < input.size() && input[i + 1] == '%') {
            expanded.Append('%');
            i += 2;
            continue;
        }
        size_t closing = input.find('%', i + 1);
        if (closing == std::string_view::npos) {
            ++i;  // a lone '%' is dropped
            continue;
        }
        if (const char* value = LookUpMacro(input.substr(i + 1, closing - i - 1))) expanded.Append(value);
        i = closing + 1;
    }
    CopyBounded(text, capacity, expanded.view());
    return 1;
}
