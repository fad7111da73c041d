// The trace of a run (/LOG:FILE): plain text appended to a file, one line per event in
// the order the events happen, for support and for runs that nobody watched. Nothing
// in it is shown to the person, and a trace that cannot be written changes nothing in
// the run. Both programs write it through these calls; the file lives in g_Setup.
#pragma once

#include <stddef.h>

#include "platform/platform.h"

// The longest line, line end included. A line whose values do not fit ends cut, with
// kTraceCutMark in place of its last characters.
constexpr size_t kTraceLineChars = 1024;
constexpr char kTraceCutMark[] = "[cut]";

// Opens `path` for appending (created when missing; a bare name is in the current
// directory). 1 when the trace is on; an empty path or a file that cannot be opened
// leaves it off.
int OpenRunTrace(const char* path);
// Closes the file; later events are not written.
void CloseRunTrace();
// Writes one line when the trace is on: `format` with %s for a text (line feeds written
// as \n, so that every event stays one line), %u for a 32-bit number (DWORD, UINT,
// HRESULT) in decimal and %x for one in hexadecimal.
void TraceEvent(const char* format, ...);
