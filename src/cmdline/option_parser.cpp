// Matching an argument list against a table of named and positional rows.
#include "cmdline/option_parser.h"

#include "platform/fixed_text.h"

namespace {

bool BeginsAsOption(const char* text) { return text[0] == '/' || text[0] == '-'; }

const char* ArgumentAt(char** arguments, int32_t index) {
    const char* argument = arguments[index];
    return argument != nullptr ? argument : "";
}

// The first positional row at or after `row`, or null.
OptionSpec* FindPositionalRow(OptionSpec* row) {
    for (; row->Name != nullptr; ++row)
        if (!BeginsAsOption(row->Name)) return row;
    return nullptr;
}

// The first character of name and argument is never compared, so /name, -name and
// -NAME are one option. Sets *value to the text after "name:", or null for the bare
// name.
bool MatchesRow(const OptionSpec* row, const char* argument, const char** value) {
    size_t length = TextLength(row->Name);
    if (length == 0) return false;
    for (size_t i = 1; i < length; ++i)
        if (argument[i] == '\0' || AsciiLower(argument[i]) != AsciiLower(row->Name[i])) return false;
    if (argument[length] == '\0') {
        *value = nullptr;
        return true;
    }
    if (row->Type != OPTT_SWITCH && argument[length] == ':') {
        *value = argument + length + 1;
        return true;
    }
    return false;
}

// A row whose name is only a prefix of the argument does not end the search.
OptionSpec* FindOptionRow(OptionSpec* table, const char* argument, const char** value) {
    for (OptionSpec* row = table; row->Name != nullptr; ++row)
        if (MatchesRow(row, argument, value)) return row;
    return nullptr;
}

// Rest-of-line gathering: one blank and the argument, only when the text, the blank,
// the argument and the terminator all fit.
bool AppendRestArgument(OptionSpec* row, const char* argument) {
    auto* text = static_cast<char*>(row->Destination);
    size_t size = row->Size;
    size_t used = 0;
    while (used < size && text[used] != '\0') ++used;
    size_t length = TextLength(argument);
    if (used + 1 + length + 1 > size) return false;
    text[used] = ' ';
    CopyBounded(text + used + 1, size - used - 1, argument);
    return true;
}

void ZeroBytes(void* destination, size_t size) {
    auto* bytes = static_cast<unsigned char*>(destination);
    for (size_t i = 0; i < size; ++i) bytes[i] = 0;
}

// A named flag stores 1 without a conversion, also in a row of size 0 (a destination
// that is never cleared); a row whose size is given gets no more bytes than that.
void StoreFlag(const OptionSpec* row) {
    const int32_t one = 1;
    const auto* from = reinterpret_cast<const unsigned char*>(&one);
    auto* to = static_cast<unsigned char*>(row->Destination);
    size_t size = row->Size;
    size_t width = size != 0 && size < sizeof(one) ? size : sizeof(one);
    for (size_t i = 0; i < width; ++i) to[i] = from[i];
}

void MarkSeen(OptionSpec* row) { row->Flags = static_cast<uint16_t>(row->Flags | OPTF_SEEN); }

}  // namespace

uint32_t ParseOptions(int32_t count, char** arguments, OptionSpec* table, uint32_t flags) {
    if (count <= 0) return PARSE_NO_ARGS;

    for (OptionSpec* row = table; row->Name != nullptr; ++row) {
        if (row->Size != 0 && (flags & PARSE_KEEP_VALUES) == 0) ZeroBytes(row->Destination, row->Size);
        row->Flags = static_cast<uint16_t>(row->Flags & ~OPTF_SEEN);
    }
    OptionSpec* positional = FindPositionalRow(table);
    OptionSpec* gathering = nullptr;  // the OPTT_REST row taking every later argument
    uint32_t result = 0;

    for (int32_t i = 0; i < count; ++i) {
        const char* argument = ArgumentAt(arguments, i);
        if (gathering != nullptr) {
            if (!AppendRestArgument(gathering, argument)) return result | PARSE_NO_ROOM;
            continue;
        }

        uint32_t added = 0;
        if (!BeginsAsOption(argument)) {
            if (positional == nullptr) {
                added = PARSE_NO_ROOM;
            } else if (ConvertOptionValue(positional, argument)) {
                MarkSeen(positional);
                if (flags & PARSE_FIRST_VALUE) return result;
                if (positional->Type == OPTT_REST)
                    gathering = positional;
                else
                    positional = FindPositionalRow(positional + 1);
            } else {
                // The row stays current: the next positional value tries it again.
                added = PARSE_BAD;
            }
        } else {
            const char* value = nullptr;
            OptionSpec* row = FindOptionRow(table, argument, &value);
            if (row == nullptr) {
                if ((flags & PARSE_SKIP_UNMATCHED) == 0) added = PARSE_BAD;
            } else {
                if (row->Flags & OPTF_SEEN) result |= PARSE_REPEATED;
                if (row->Type == OPTT_SWITCH) {
                    MarkSeen(row);
                } else if (row->Type == OPTT_FLAG) {
                    MarkSeen(row);
                    if (row->Destination != nullptr) StoreFlag(row);
                } else {
                    bool countsAsValue = true;
                    if (value == nullptr) {
                        if (i + 1 < count && !BeginsAsOption(ArgumentAt(arguments, i + 1))) {
                            value = ArgumentAt(arguments, ++i);
                        } else if (row->Type == OPTT_STRING || row->Type == OPTT_ESCSTRING) {
                            value = "";
                            countsAsValue = false;
                        }
                    }
                    if (value == nullptr) {
                        added = PARSE_BAD;
                    } else if (ConvertOptionValue(row, value)) {
                        MarkSeen(row);
                        if (countsAsValue && (flags & PARSE_FIRST_VALUE)) return result;
                    } else {
                        added = PARSE_BAD;
                    }
                }
            }
        }
        result |= added;
        if (added != 0 && (flags & PARSE_CONTINUE) == 0) return result;
    }

    for (const OptionSpec* row = table; row->Name != nullptr; ++row)
        if ((row->Flags & OPTF_REQUIRED) && (row->Flags & OPTF_SEEN) == 0) result |= PARSE_MISSING;
    return result;
}
