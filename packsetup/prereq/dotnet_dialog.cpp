#include "packsetup/prereq/dotnet_dialog.h"

#include <commctrl.h>

#include "common/win/text.h"
#include "common/win/window_placement.h"
#include "packsetup/prereq/phase_bar.h"
#include "packsetup/res/resource.h"

namespace {

const int kPhaseCount = 4;

INT_PTR CALLBACK DotnetDialogProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    SendDlgItemMessageW(dialog, IDC_PREREQ_PHASE_BAR, PBM_SETMARQUEE, TRUE, kPhaseBarMarqueePeriod);
    SendDlgItemMessageW(dialog, IDC_PREREQ_PERCENT_BAR, PBM_SETRANGE32, 0, 100);
    CenterWindow(dialog, GetParent(dialog));
    return TRUE;
}

int Clamp(long long value, int low, int high)
{
    return value < low ? low : value > high ? high : static_cast<int>(value);
}

void LeaveMarquee(HWND dialog)
{
    HWND bar = GetDlgItem(dialog, IDC_PREREQ_PHASE_BAR);
    SendMessageW(bar, PBM_SETMARQUEE, FALSE, 0);
    SetWindowLongW(bar, GWL_STYLE, GetWindowLongW(bar, GWL_STYLE) & ~PBS_MARQUEE);
    SendMessageW(bar, PBM_SETRANGE32, 0, kPhaseCount);
}

} // namespace

HWND CreateDotnetDialog(HINSTANCE module, HWND owner)
{
    return CreateDialogParamW(module, MAKEINTRESOURCEW(IDD_DOTNET_PROGRESS), owner, DotnetDialogProc, 0);
}

int DotnetPhasePercent(int phase, int done, int total)
{
    if (phase == 1)
        return Clamp(done, 0, 100);
    // 64-bit: a count near the int range times 100 must not overflow.
    long long count = done < 0 ? 0 : done;
    long long all = total < 1 ? 1 : total;
    return Clamp(count * 100 / all, 0, 100);
}

void ShowDotnetProgress(DotnetProgress& progress, int phase, int done, int total)
{
    if (phase < 1 || phase > 3)
        return;
    if (phase != progress.phase) {
        // The first record of any phase ends the marquee, so that a setup
        // that starts with phase 2 still shows its phase.
        if (progress.phase == 0 || phase == 1)
            LeaveMarquee(progress.dialog);
        progress.phase = phase;
        SendDlgItemMessageW(progress.dialog, IDC_PREREQ_PHASE_BAR, PBM_SETPOS, phase, 0);
        if (phase == 2)
            SetDlgItemTextW(progress.dialog, IDC_PREREQ_PHASE_TEXT, LoadText(IDS_DOTNET_DOWNLOADING).c_str());
        else if (phase == 3)
            SetDlgItemTextW(progress.dialog, IDC_PREREQ_PHASE_TEXT, LoadText(IDS_DOTNET_INSTALLING).c_str());
    }
    SendDlgItemMessageW(progress.dialog, IDC_PREREQ_PERCENT_BAR, PBM_SETPOS, DotnetPhasePercent(phase, done, total),
                        0);
}
