// Converting and storing one option value by the type of its row.
#include "cmdline/option_parser.h"
#include "platform/fixed_text.h"

namespace {

// Blank, tab, line feed, vertical tab, form feed, carriage return.
bool IsWhiteSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Byte by byte: a destination is only as aligned as the variable the table names.
// It is also only as wide as the row's size says: a narrower one receives the low
// bytes, and nothing is written past it.
template <typename T>
void StoreValue(const OptionSpec* row, T value) {
    auto* to = static_cast<unsigned char*>(row->Destination);
    const auto* from = reinterpret_cast<const unsigned char*>(&value);
    size_t size = row->Size;
    size_t width = size < sizeof(T) ? size : sizeof(T);
    for (size_t i = 0; i < width; ++i) to[i] = from[i];
}

// The value, cut to size - 1 characters, and zero bytes up to the end of the row's
// destination.
void StoreText(const OptionSpec* row, const char* value) {
    auto* text = static_cast<char*>(row->Destination);
    size_t size = row->Size;
    CopyBounded(text, size, value);
    for (size_t i = TextLength(text); i < size; ++i) text[i] = '\0';
}

bool IsNegativeText(const char* value) { return value[0] == '-'; }

}  // namespace

uint32_t ParseDecimalNumber(const char* text) {
    while (IsWhiteSpace(*text)) ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') {
        negative = *text == '-';
        ++text;
    }
    uint32_t number = 0;
    for (; *text >= '0' && *text <= '9'; ++text) number = number * 10 + static_cast<uint32_t>(*text - '0');
    return negative ? 0u - number : number;
}

uint32_t ParseHexNumber(const char* text) {
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text += 2;
    uint32_t number = 0;
    for (int digit; (digit = HexDigitValue(*text)) >= 0; ++text) number = number * 16 + static_cast<uint32_t>(digit);
    return number;
}

int ConvertOptionValue(OptionSpec* row, const char* value) {
    if (value == nullptr) value = "";
    void* destination = row->Destination;
    if (value[0] == '\0') {
        if (row->Type != OPTT_STRING && row->Type != OPTT_ESCSTRING) return 0;
        // A row of size 0 owns no byte of its destination: accepted, nothing written.
        if (row->Size != 0) static_cast<char*>(destination)[0] = '\0';
        return 1;
    }
    if (row->Size == 0) return 0;

    switch (row->Type) {
        case OPTT_FLAG:
            StoreValue<int32_t>(row, 1);
            return 1;
        case OPTT_INT8:
            StoreValue<uint8_t>(row, static_cast<uint8_t>(ParseDecimalNumber(value)));
            return 1;
        case OPTT_CHAR:
            StoreValue<char>(row, value[0]);
            return 1;
        case OPTT_STRING:
        case OPTT_REST:
            StoreText(row, value);
            return 1;
        case OPTT_INT16:
            StoreValue<uint16_t>(row, static_cast<uint16_t>(ParseDecimalNumber(value)));
            return 1;
        case OPTT_UINT16:
            if (IsNegativeText(value)) return 0;
            StoreValue<uint16_t>(row, static_cast<uint16_t>(ParseDecimalNumber(value)));
            return 1;
        case OPTT_INT32:
        case OPTT_UINT32:
            if (row->Type == OPTT_UINT32 && IsNegativeText(value)) return 0;
            StoreValue<uint32_t>(row, ParseDecimalNumber(value));
            return 1;
        case OPTT_HEX16:
            if (IsNegativeText(value)) return 0;
            StoreValue<uint16_t>(row, static_cast<uint16_t>(ParseHexNumber(value)));
            return 1;
        case OPTT_HEX32:
            if (IsNegativeText(value)) return 0;
            StoreValue<uint32_t>(row, ParseHexNumber(value));
            return 1;
        case OPTT_ESCSTRING:
            // A leading backslash lets a value begin with "/" or "-"; only one is dropped.
            StoreText(row, value[0] == '\\' ? value + 1 : value);
            return 1;
        default:
            // OPTT_SWITCH takes no value, and unknown types take none either.
            return 0;
    }
}
