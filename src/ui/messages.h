// The message catalogue: texts from the string table, composed and shown in
// message boxes without an owner window.
#pragma once

#include "platform/fixed_text.h"
#include "platform/platform.h"
#include "ui/resource_ids.h"

using MessageText = FixedText<256>;  // a text as loaded from the string table

// Loads a catalogue text; an unloadable text leaves the buffer empty.
void LoadCatalogueText(UINT id, MessageText& out);

// An upper bound of what one wsprintfA argument adds to the text.
inline size_t FormatArgumentBound(const char* text) { return text ? TextLength(text) : 6; }
inline size_t FormatArgumentBound(unsigned long) { return 20; }
inline size_t FormatArgumentBound(unsigned int) { return 20; }
inline size_t FormatArgumentBound(int) { return 20; }
inline size_t FormatArgumentBound(long) { return 20; }

// A heap block for a composed text that does not fit its buffer, or nullptr when no
// memory is left; the caller frees it with FreeTextBlock.
char* AllocateTextBlock(size_t bytes);
void FreeTextBlock(char* block);

// wsprintfA into a fixed buffer that it can never overrun: when the composed text
// could exceed the buffer, it is formed in a heap block and cut to fit. Returns
// false when it was cut. The values are arguments, never the format, so a '%' in
// a name is shown as it is.
template <size_t N, typename... Args>
bool FormatText(FixedText<N>& out, const char* format, Args... args) {
    size_t bound = TextLength(format) + (FormatArgumentBound(args) + ... + 0);
    if (bound < N) {
        wsprintfA(out.data(), format, args...);
        return true;
    }
    // wsprintfA never writes more than 1024 bytes, so a block of bound + 1 bytes
    // (or 1025) always holds what it writes.
    size_t bytes = (bound + 1 > 1025) ? bound + 1 : 1025;
    char* block = AllocateTextBlock(bytes);
    if (block == nullptr) {
        out.Assign(format);
        return false;
    }
    wsprintfA(block, format, args...);
    bool whole = out.Assign(block);
    FreeTextBlock(block);
    return whole;
}

// Loads text `id` and formats it with the arguments into `out`; false when cut.
template <size_t N, typename... Args>
bool ComposeCatalogueText(FixedText<N>& out, UINT id, Args... args) {
    MessageText format;
    LoadCatalogueText(id, format);
    return FormatText(out, format.c_str(), args...);
}

// Shows a box without an owner window and returns the button chosen (IDOK, IDYES...),
// or 0 when the box could not be shown. Unattended (Silent) no box is drawn and the
// default button's answer is returned. The box and its answer go into the trace.
int ShowMessageBox(const char* text, const char* caption, UINT style);

// The copy-error text into `out`: IDS_COPY_ERROR with the remaining result bits,
// then at most one reason text, the last set bit in the catalogue's test order.
using CopyErrorText = FixedText<512>;
void ComposeCopyErrorText(DWORD bits, CopyErrorText& out);
