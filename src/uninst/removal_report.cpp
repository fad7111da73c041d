#include "uninst/removal_report.h"

#include "setup/setup_context.h"
#include "ui/messages.h"
#include "ui/run_trace.h"
#include "uninst/uninst_resource_ids.h"
#include "uninst/log_paths.h"
#include "uninst/uninst_state.h"

namespace {
// Enough lines to say what is left without a box taller than the screen.
constexpr int kMostListedItems = 8;
// An item is shown with at most this many characters: a log line can be very long.
constexpr size_t kMostItemChars = 120;

using ItemText = FixedText<kMostItemChars + 1>;
using ReportText = FixedText<2048>;
}  // namespace

namespace {
void ListItem(UINT textId, const char* item) {
    // The trace names every item, whole, with the reason the box gives.
    FixedText<kPathChars + 128> traced;
    ComposeCatalogueText(traced, textId, item);
    traced.Truncate(traced.length() - 1);  // the line end: one event, one line
    TraceEvent("not removed: %s", traced.c_str());
    if (g_Uninst.ListedCount >= kMostListedItems) return;
    ItemText shown;
    shown.Assign(item);
    FixedText<256> line;
    ComposeCatalogueText(line, textId, shown.c_str());
    // A list that is full names no more items; they are still counted.
    if (!g_Uninst.FailedList.HasRoomFor(line.length())) return;
    g_Uninst.FailedList.Append(line.view());
    ++g_Uninst.ListedCount;
}
}  // namespace

void ReportUnremovedItem(UINT textId, const char* item) {
    ++g_Uninst.FailedCount;
    ListItem(textId, item);
}

void ReportItemLeftInPlace(const char* item) {
    ++g_Uninst.LeftCount;
    ListItem(IDS_ITEM_LEFT_IN_PLACE, item);
}

// Unattended, the box is not drawn; its text still goes into the trace.
void ShowRemovalOutcome(bool complete) {
    const char* caption = g_Setup.PRODUCTNAME.c_str();
    ReportText text;
    if (complete && g_Uninst.FailedCount == 0 && g_Uninst.LeftCount == 0) {
        ComposeCatalogueText(text, IDS_REMOVAL_SUCCEEDED, caption);
        ShowMessageBox(text.c_str(), caption, MB_OK);
        return;
    }
    ReportList list = g_Uninst.FailedList;
    unsigned int unlisted = static_cast<unsigned int>(g_Uninst.FailedCount + g_Uninst.LeftCount - g_Uninst.ListedCount);
    if (unlisted > 0) {
        FixedText<64> more;
        ComposeCatalogueText(more, IDS_MORE_ITEMS, unlisted);
        list.Append(more.view());
    }
    // Entries left by rule do not keep a removal open: it is complete all the same.
    if (complete) {
        ComposeCatalogueText(text, IDS_REMOVAL_LEFT_ITEMS, caption, list.c_str());
        ShowMessageBox(text.c_str(), caption, MB_ICONEXCLAMATION);
        return;
    }
    ComposeCatalogueText(text, IDS_REMOVAL_INCOMPLETE, list.c_str());
    ShowMessageBox(text.c_str(), caption, MB_ICONHAND);
}
