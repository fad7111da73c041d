// The tests' name for the described machine (src/machine): the fake Windows every
// native test runs the installer against.
#pragma once

#include "machine/machine.h"

namespace fake = machine;
