// Carrying out the plan, in its order, each act marked once done: removal commands
// before they start (none starts twice), components one by one, files and directories
// in batches that grow with what is left.
#pragma once

// 0 when a mark could not be written: the run stops there, and the acts since the last
// mark on the disk are done again by the next run (harmless: they find their work done).
int RunPlannedActs();
// Whether the act is this program's own file, which the ending removes.
bool IsOwnFileAct(const struct PlanAct& act);
