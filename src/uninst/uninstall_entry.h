// The product's entry in the Add/Remove Programs list of the Control Panel.
#pragma once

// Writes DisplayName and UninstallString under the product's key. Returns 1 or 0.
int RegisterUninstallEntry();
// Deletes the product's key; a key that is not there is fine.
void RemoveUninstallEntry();
