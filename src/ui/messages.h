// The message catalogue: texts from the string table, composed and shown in
// message boxes without an owner window.
#pragma once

#include "platform/fixed_text.h"
#include "platform/platform.h"
#include "ui/resource_ids.h"

using MessageText = FixedText<256>;  // a text as loaded from the string table

// Loads a catalogue text; an unloadable text leaves the buffer empty.
void LoadCatalogueText(UINT id, MessageText& out);

// wsprintfA writes at most 1024 characters and the terminator, whatever its
// arguments, so a text is composed in a block of that size and then cut to fit.
using ComposedText = FixedText<1025>;

// wsprintfA into a fixed buffer that it can never overrun. Returns false when the
// text was cut. The values are arguments, never the format, so a '%' in a name is
// shown as it is.
template <size_t N, typename... Args>
bool FormatText(FixedText<N>& out, const char* format, Args... args) {
    ComposedText composed;
    wsprintfA(composed.data(), format, args...);
    composed.Terminate();
    return out.Assign(composed.c_str());
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
