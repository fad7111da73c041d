#include "script/macros.h"

#include "platform/platform.h"

namespace {

// Holds the environment value handed out by the last LookUpMacro call: no more than an
// expansion can hold.
PathText g_EnvironmentValue;

const char* LookUpEnvironment(std::string_view name) {
    FixedText<kMacroNameChars + 1> terminatedName;
    terminatedName.Assign(name);
    // 0: no such variable (or an empty one, which expands to nothing all the same).
    DWORD n = GetEnvironmentVariableA(terminatedName.c_str(), g_EnvironmentValue.data(), PathText::Capacity);
    if (n == 0) return nullptr;
    if (n < PathText::Capacity) return g_EnvironmentValue.c_str();

    // Longer than a path (a long search path, say). Its beginning must still come
    // through, or '%PATH%;...' would replace the search path instead of extending it:
    // read it whole into a block of its own size and keep what an expansion can hold.
    HANDLE heap = GetProcessHeap();
    char* whole = static_cast<char*>(HeapAlloc(heap, 0, n));
    if (whole == nullptr) return nullptr;
    DWORD length = GetEnvironmentVariableA(terminatedName.c_str(), whole, n);
    const char* value = nullptr;
    if (length != 0 && length < n) {
        g_EnvironmentValue.Assign(std::string_view(whole, length));
        value = g_EnvironmentValue.c_str();
    }
    HeapFree(heap, 0, whole);
    return value;
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
