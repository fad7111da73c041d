// What could not be removed, gathered while the remover works and shown once at
// the end.
#pragma once

#include "platform/fixed_text.h"
#include "platform/platform.h"

// Counts one entry that could not be handled and names it in the report (the first
// few only; the rest are counted). `textId` is the item text with its reason.
void ReportUnremovedItem(UINT textId, const char* item);
// Names an entry that no run may ever carry out (a network path, a device, a protected
// directory) once: it leaves the log, and the removal is not held open by it.
void ReportItemLeftInPlace(const char* item);
// The one closing box: the product was removed (naming what was left in place by
// rule), or what was not. `complete` is read from the end state, not from a count.
void ShowRemovalOutcome(bool complete);
