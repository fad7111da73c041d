#include "actions/plugin_hosts.h"

// Not built yet: no hosts.
void RunPluginHostPhase(int*) {}
