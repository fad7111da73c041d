// The product's entry in the Add/Remove Programs list of the Control Panel. An entry
// belongs to one log: two installations of one product (two logs) get two keys, and
// each removal deletes only the key that names its own log.
#pragma once

// Writes DisplayName, UninstallString and QuietUninstallString under the key of this
// log: the product's key, or, when that one names another log, the first free
// "<product> (2)" ... "(9)". Returns 1 or 0.
int RegisterUninstallEntry();
// Deletes every key that names this log. Returns 1 when none is left (a key that is
// not there is fine), 0 when one could not be deleted: the entry still runs.
int RemoveUninstallEntry();
