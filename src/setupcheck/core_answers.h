// The checker's questions to SETUP.EXE's own core: what a value expands to, where an
// entry's file goes, where a log lies. The core answers on the described machine, so
// the checker and SETUP.EXE cannot disagree; this file only adds what the checker
// needs besides (the whole length of a value the core would refuse, the names looked
// up in the environment).
#pragma once

#include <stddef.h>

#include <string>
#include <string_view>
#include <vector>

#include "setupcheck/diagnostics.h"

// Sets up the machine a check measures against as the plan sets up its own (Windows
// NT 4, the directories of `machine`, the script in the medium's place) and SETUP.EXE's
// state as its start-up fills it, without running any phase. The environment stays
// empty: the person's is not known, so a name only it could give expands to nothing
// here and is reported.
void PrepareCoreForCheck(const CheckMachine& machine, const std::string& scriptText);

struct CoreExpansion {
    std::string Text;  // the whole expansion, however long
    bool Fits;         // the core takes it whole within the limit asked
    // The names the core looked for in the environment (those that are no macro),
    // once each, in order.
    std::vector<std::string> EnvironmentNames;
};

// SETUP.EXE's expansion of `text` against its state and environment now.
CoreExpansion ExpandWithCore(std::string_view text, size_t limit);

// Whether the expansion of `text` takes anything from TARGETDIR: asked by expanding
// it once more with another TARGETDIR.
bool ExpansionUsesTargetDir(std::string_view text);
