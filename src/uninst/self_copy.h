// The remover's own file: it lies in the product directory, which must be gone
// without a restart. A copy in the temporary directory waits for this process to
// end, then deletes this file and the directories above it that the product made.
#pragma once

#include "platform/platform.h"

// Starts the copy; returns 1 when it runs, 0 when it could not be started.
int HandOverToTemporaryCopy(int levels);
// In the copy: waits (bounded) for the process that started it to end.
void WaitForOriginalToEnd(HANDLE original);
