#pragma once

#include <windows.h>

// The prerequisite dialogs' phase bar runs as a marquee at this step, in ms.
const UINT kPhaseBarMarqueePeriod = 100;
