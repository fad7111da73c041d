// The plan as the checker's strongest rule: the medium is planned on each Windows family
// the script allows, and every entry whose planned run fails is a finding at its line.
// A mistake no other rule foresees is caught whenever it changes what the run does.
#pragma once

#include <vector>

#include "setupcheck/diagnostics.h"
#include "setupcheck/medium.h"
#include "setupcheck/script_text.h"

// Adds an error for every entry that fails in the plan, naming the Windows versions it
// fails on and why, unless another error already speaks of that entry.
void AddPlannedFailures(const ScriptText& script, const Medium& medium, std::vector<Diagnostic>& found);
