#include "ui/messages.h"

#include "setup/setup_context.h"
#include "ui/run_trace.h"

void LoadCatalogueText(UINT id, MessageText& out) {
    out.Clear();
    if (LoadStringA(g_Setup.ModuleInstance, id, out.data(), static_cast<int>(MessageText::Capacity)) <= 0)
        out.Clear();
}

namespace {
// What the trace calls each answer, by its ID (IDOK 1 ... IDNO 7); 0 is a box that
// could not be shown.
constexpr const char* kAnswerNames[] = {"none", "OK", "Cancel", "Abort", "Retry", "Ignore", "Yes", "No"};
}  // namespace

int ShowMessageBox(const char* text, const char* caption, UINT style) {
    bool question = (style & 0xF) == MB_YESNO;
    // Unattended, every box takes its default button, the first one: Yes or OK.
    int answer = g_Setup.Silent ? (question ? IDYES : IDOK) : MessageBoxA(nullptr, text, caption, style);
    TraceEvent("box \"%s\" \"%s\" %s: %s%s", caption, text, question ? "Yes/No" : "OK",
               answer >= 0 && answer <= IDNO ? kAnswerNames[answer] : "none", g_Setup.Silent ? " (not shown)" : "");
    return answer;
}

namespace {
struct ReasonRow {
    DWORD Bit;
    UINT TextId;
};
// Tested in this order; a later set bit replaces an earlier one's reason.
constexpr ReasonRow kReasonTestOrder[] = {
    {VIF_CANNOTREADDST, IDS_CANNOT_READ_DESTINATION},
    {VIF_CANNOTREADSRC, IDS_CANNOT_READ_SOURCE},
    {VIF_OUTOFMEMORY, IDS_OUT_OF_MEMORY},
    {VIF_CANNOTDELETECUR, IDS_CANNOT_DELETE_CURRENT},
    {VIF_OUTOFSPACE, IDS_OUT_OF_DISK_SPACE},
    {VIF_WRITEPROT, IDS_WRITE_PROTECTED},
    {VIF_CANNOTCREATE, IDS_CANNOT_CREATE},
    {VIF_CANNOTRENAME, IDS_CANNOT_RENAME},
    {VIF_CANNOTDELETE, IDS_CANNOT_DELETE},
    {VIF_ACCESSVIOLATION, IDS_ACCESS_VIOLATION},
    {VIF_DIFFTYPE, IDS_DIFFERENT_TYPE},
    {VIF_DIFFCODEPG, IDS_DIFFERENT_CODE_PAGE},
    {VIF_DIFFLANG, IDS_DIFFERENT_LANGUAGE},
    {VIF_BUFFTOOSMALL, IDS_BUFFER_TOO_SMALL},
};
}  // namespace

void ComposeCopyErrorText(DWORD bits, CopyErrorText& out) {
    ComposeCatalogueText(out, IDS_COPY_ERROR, static_cast<unsigned long>(bits));
    UINT reason = 0;
    for (const ReasonRow& row : kReasonTestOrder)
        if (bits & row.Bit) reason = row.TextId;
    if (reason != 0) {
        MessageText text;
        LoadCatalogueText(reason, text);
        out.Append(text.view());
    }
}
