// The ending of a removal whose plan is carried out: the Add/Remove Programs entry,
// the log and its plan, this program's own file and the directories that held them,
// in an order that every cut leaves finishable.
#pragma once

// 1 when the removal is complete; `restartNeeded` is set when something waits for
// the next start.
bool FinishRemoval(bool& restartNeeded);
// In the temporary copy: deletes the original's file and, while empty, the `levels`
// directories above it that the product made.
void RemoveOriginalFile(const char* original, int levels);
