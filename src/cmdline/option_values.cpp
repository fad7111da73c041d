// Converting and storing one option value by the type of its row.
#include "cmdline/option_parser.h"
#include "platform/fixed_text.h"

namespace {

// Blank, tab, line feed, vertical tab, form feed, carriage return.
bool IsWhiteSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Byte by byte: a destination is only as aligned as the variable the table names.
// It is also only as wide as the row's size says: a narrower one receives the low
// bytes of the `width` bytes the type has, and nothing is written past it.
void StoreNumber(const OptionSpec* row, uint32_t value, size_t width) {
    auto* to = static_cast<unsigned char*>(row->Destination);
    size_t size = row->Size < width ? row->Size : width;
    for (size_t i = 0; i < size; ++i) to[i] = static_cast<unsigned char>(value >> (8 * i));
}

// The numeric row types: bytes stored, hexadecimal or decimal, and whether a value
// starting with '-' is refused. The last row has no width.
struct NumberRow {
    uint16_t Type;
    uint8_t Width;
    uint8_t Hexadecimal;
    uint8_t RefusesMinus;
};
constexpr NumberRow kNumberRows[] = {
    {OPTT_INT8, 1, 0, 0},   {OPTT_INT16, 2, 0, 0}, {OPTT_UINT16, 2, 0, 1}, {OPTT_INT32, 4, 0, 0},
    {OPTT_UINT32, 4, 0, 1}, {OPTT_HEX16, 2, 1, 1}, {OPTT_HEX32, 4, 1, 1},  {OPTT_SWITCH, 0, 0, 0},
};

// The value, cut to size - 1 characters, and zero bytes up to the end of the row's
// destination.
void StoreText(const OptionSpec* row, const char* value) {
    auto* text = static_cast<char*>(row->Destination);
    size_t size = row->Size;
    CopyBounded(text, size, value);
    for (size_t i = TextLength(text); i < size; ++i) text[i] = '\0';
}

bool IsNegativeText(const char* value) {
    return value[0] == '-';
}

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
            StoreNumber(row, 1, 4);
            return 1;
        case OPTT_CHAR:
            StoreNumber(row, static_cast<unsigned char>(value[0]), 1);
            return 1;
        case OPTT_STRING:
        case OPTT_REST:
            StoreText(row, value);
            return 1;
        // A leading backslash lets a value begin with "/" or "-"; only one is dropped.
        case OPTT_ESCSTRING:
            StoreText(row, value[0] == '\\' ? value + 1 : value);
            return 1;
        default:
            break;
    }
    for (const NumberRow* number = kNumberRows; number->Width != 0; ++number) {
        if (number->Type != row->Type) continue;
        if (number->RefusesMinus && IsNegativeText(value)) return 0;
        StoreNumber(row, number->Hexadecimal ? ParseHexNumber(value) : ParseDecimalNumber(value), number->Width);
        return 1;
    }
    // OPTT_SWITCH takes no value, and unknown types take none either.
    return 0;
}
