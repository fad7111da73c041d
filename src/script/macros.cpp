#include "script/macros.h"

#include "platform/platform.h"

namespace {

// Where an expansion goes: `capacity` bytes at `text`, or nowhere (`text` null) when
// only its length is wanted. Every character is counted; those that fit are stored.
struct ExpansionOutput {
    char* text;
    size_t capacity;
    size_t length;
    bool unreadable;  // a value could not be read whole: the result is not the real one

    void Append(std::string_view piece) {
        for (char c : piece) {
            if (text != nullptr && length + 1 < capacity) text[length] = c;
            ++length;
        }
    }
    void Finish() {
        if (text != nullptr) text[length + 1 < capacity ? length : capacity - 1] = '\0';
    }
};

enum EnvironmentRead { NoVariable = 0, VariableRead = 1, VariableUnreadable = 2 };

// Appends the whole value of variable `name`. A value longer than a path (a long
// search path, say) is read into a block of its own size: its beginning must still
// come through, or '%PATH%;...' would replace the search path instead of extending
// it. An empty variable counts as none: it expands to nothing all the same.
EnvironmentRead AppendEnvironmentValue(std::string_view name, ExpansionOutput& out) {
    FixedText<kMacroNameChars + 1> terminatedName;
    terminatedName.Assign(name);
    PathText value;
    DWORD n = GetEnvironmentVariableA(terminatedName.c_str(), value.data(), PathText::Capacity);
    if (n == 0) return NoVariable;
    if (n < PathText::Capacity) {
        out.Append(value.view());
        return VariableRead;
    }
    HANDLE heap = GetProcessHeap();
    char* whole = static_cast<char*>(HeapAlloc(heap, 0, n));
    if (whole == nullptr) return VariableUnreadable;
    DWORD length = GetEnvironmentVariableA(terminatedName.c_str(), whole, n);
    EnvironmentRead result = VariableUnreadable;
    if (length != 0 && length < n) {
        out.Append(std::string_view(whole, length));
        result = VariableRead;
    }
    HeapFree(heap, 0, whole);
    return result;
}

// The buffer of the macro called `name`, or nullptr.
const char* FindMacro(std::string_view name) {
    for (const MacroRow* row = MacroTable; row->Name != nullptr; ++row)
        if (EqualsIgnoreCase(row->Name, name)) return row->Value;
    return nullptr;
}

// Holds the environment value handed out by the last LookUpMacro call: no more than an
// expansion can hold.
PathText g_EnvironmentValue;

// Appends the current value of `name` whole: a macro's buffer or an environment
// variable of any length. No value appends nothing.
void AppendValue(std::string_view name, ExpansionOutput& out) {
    if (name.empty() || name.size() > kMacroNameChars) return;
    if (const char* macro = FindMacro(name)) {
        out.Append(macro);
        return;
    }
    if (AppendEnvironmentValue(name, out) == VariableUnreadable) out.unreadable = true;
}

// The one left-to-right pass: values are inserted as they are and never scanned again.
void ExpandInto(std::string_view input, ExpansionOutput& out) {
    size_t i = 0;
    while (i < input.size()) {
        char c = input[i];
        if (c != '%') {
            out.Append(std::string_view(&c, 1));
            ++i;
            continue;
        }
        if (i + 1 < input.size() && input[i + 1] == '%') {
            out.Append("%");
            i += 2;
            continue;
        }
        size_t closing = input.find('%', i + 1);
        if (closing == std::string_view::npos) {
            ++i;  // a lone '%' is dropped
            continue;
        }
        AppendValue(std::string_view(input.data() + i + 1, closing - i - 1), out);
        i = closing + 1;
    }
    out.Finish();
}

}  // namespace

const char* LookUpMacro(std::string_view name) {
    if (name.empty() || name.size() > kMacroNameChars) return nullptr;
    if (const char* macro = FindMacro(name)) return macro;
    ExpansionOutput out{g_EnvironmentValue.data(), PathText::Capacity, 0, false};
    EnvironmentRead read = AppendEnvironmentValue(name, out);
    out.Finish();
    return read == VariableRead ? g_EnvironmentValue.c_str() : nullptr;
}

int ExpandMacros(char* text, size_t capacity) {
    if (text == nullptr || capacity == 0) return 1;
    size_t length = 0;
    while (length < capacity - 1 && text[length] != '\0') ++length;

    // The whole input is read before anything is written back: the result replaces it
    // in the same buffer.
    FixedText<kExpandedChars + 1> expanded;
    ExpansionOutput out{expanded.data(), decltype(expanded)::Capacity, 0, false};
    ExpandInto(std::string_view(text, length), out);
    bool whole = out.length <= kExpandedChars && !out.unreadable;
    whole = CopyBounded(text, capacity, expanded.view()) && whole;
    return whole ? 1 : 0;
}

int ExpandMacrosToBlock(std::string_view text, size_t maxChars, char** block) {
    *block = nullptr;
    ExpansionOutput measure{nullptr, 0, 0, false};
    ExpandInto(text, measure);
    if (measure.unreadable || measure.length > maxChars) return 0;
    if (measure.length == 0) return 1;
    // Two more bytes: the terminator and one character the caller may add.
    char* result = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, measure.length + 2));
    if (result == nullptr) return 0;
    ExpansionOutput out{result, measure.length + 2, 0, false};
    ExpandInto(text, out);
    // Nothing changes between the two passes on the one thread, unless memory for a
    // long value ran out in the second.
    if (out.unreadable || out.length != measure.length) {
        HeapFree(GetProcessHeap(), 0, result);
        return 0;
    }
    *block = result;
    return 1;
}
