#pragma once

// The .NET Framework 3 setup's progress dialog (template IDD_DOTNET_PROGRESS):
// a phase bar that runs as a marquee until the setup's first progress record
// and then shows phase 1, 2 or 3 of 4, and a percentage bar for the phase.
#include <windows.h>

// Creates the dialog modeless and hidden, owned by the window (may be null).
HWND CreateDotnetDialog(HINSTANCE module, HWND owner);

// What the dialog shows of the setup's progress; only the watcher's thread
// changes it while the setup runs.
struct DotnetProgress {
    HWND dialog = nullptr;
    int phase = 0; // 0: marquee still running
};

// One progress record: phase 1 shows 'done' as the percentage itself;
// phases 2 and 3 show done / total. Other phases are ignored. Changes reach
// the dialog as sent messages, so its thread must be pumping.
void ShowDotnetProgress(DotnetProgress& progress, int phase, int done, int total);

// The percentage bar's position for a record of the phase, 0 to 100.
int DotnetPhasePercent(int phase, int done, int total);
