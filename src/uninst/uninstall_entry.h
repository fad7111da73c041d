// The product's entry in the Add/Remove Programs list of the Control Panel. An entry
// belongs to one log: two installations of one product (two logs) get two keys, and
// each removal deletes only the key that names its own log.
#pragma once

// Writes DisplayName, UninstallString and QuietUninstallString under the key of this
// log: the product's key, or, when that one names another log, the first free
// "<product> (2)" ... "(9)". Returns 1 or 0.
int RegisterUninstallEntry();
// Deletes every key that names this log (whatever its name: the product may have been
// renamed). Returns 1 when none is left (a key that is
// not there is fine), 0 when one could not be deleted: the entry still runs.
int RemoveUninstallEntry();
// Calls `visit` with the log (an identity) of every key that another log's remover
// registered: the products whose files another removal must not take.
void ListOtherRegisteredLogs(void (*visit)(const char* log));
// A value of RunOnce that runs this removal again, unattended, at the next logon: set
// before the entry goes, so that a cut after it still finishes the log and its plan;
// taken back once they are gone. Named by the log, so that two removals keep two.
void SetFinishingRun(bool on);
