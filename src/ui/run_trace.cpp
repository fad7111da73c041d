#include "ui/run_trace.h"

#include <stdarg.h>

#include "setup/setup_context.h"

namespace {
using TraceLine = FixedText<kTraceLineChars>;
constexpr size_t kCutMarkChars = sizeof(kTraceCutMark) - 1;

// A value's line feeds and carriage returns as \n and \r: a box text keeps its
// breaks and the event stays on one line.
bool AppendTraceValue(TraceLine& line, const char* value) {
    bool whole = true;
    for (const char* p = value; *p != '\0'; ++p) {
        if (*p == '\n')
            whole = line.Append("\\n") && whole;
        else if (*p == '\r')
            whole = line.Append("\\r") && whole;
        else
            whole = line.Append(*p) && whole;
    }
    return whole;
}
}  // namespace

int OpenRunTrace(const char* path) {
    if (path == nullptr || path[0] == '\0') return 0;
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    // Appended: the traces of earlier runs stay above this one.
    SetFilePointer(file, 0, nullptr, FILE_END);
    g_Setup.TraceFile = file;
    return 1;
}

void CloseRunTrace() {
    if (g_Setup.TraceFile == nullptr) return;
    CloseHandle(g_Setup.TraceFile);
    g_Setup.TraceFile = nullptr;
}

void TraceEvent(const char* format, ...) {
    if (g_Setup.TraceFile == nullptr) return;
    TraceLine line;
    line.Clear();
    bool whole = true;
    va_list arguments;
    va_start(arguments, format);
    for (const char* f = format; *f != '\0'; ++f) {
        if (*f != '%') {
            whole = line.Append(*f) && whole;
            continue;
        }
        if (*++f == '\0') break;
        if (*f == 's') {
            const char* value = va_arg(arguments, const char*);
            whole = AppendTraceValue(line, value != nullptr ? value : "") && whole;
        } else {
            FixedText<16> number;
            wsprintfA(number.data(), *f == 'x' ? "%x" : "%u", va_arg(arguments, unsigned int));
            whole = line.Append(number.view()) && whole;
        }
    }
    va_end(arguments);
    // The mark replaces the last characters that fit, so that a reader sees the cut.
    if (!whole || !line.HasRoomFor(2)) {
        line.Truncate(TraceLine::Capacity - 1 - kCutMarkChars - 2);
        line.Append(kTraceCutMark);
    }
    line.Append("\r\n");
    DWORD written = 0;
    WriteFile(g_Setup.TraceFile, line.c_str(), static_cast<DWORD>(line.length()), &written, nullptr);
}
