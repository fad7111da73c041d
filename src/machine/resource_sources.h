// The texts of SETUP.EXE's resource script and of the headers it includes, built into
// the program, so that the described machine serves the same strings and dialog as
// SETUP.EXE wherever it runs.
#pragma once

struct ResourceSource {
    const char* Name;  // "setup.rc", or the name the script includes a header by
    const char* Text;
};

// The last row has no name.
extern const ResourceSource kResourceSources[];
