// The offer to restart Windows after files were staged for the next start, as both
// SETUP.EXE and UNINST.EXE make it.
#pragma once

#include "platform/platform.h"

// Asks the restart question (product name as caption) and restarts on Yes. 1 when
// the person agreed and Windows took the restart.
int OfferRestart(DWORD majorVersion);
// Enables the shutdown privilege where there is one, then restarts. 1 when Windows
// took the request.
int RestartWindows(DWORD majorVersion);
