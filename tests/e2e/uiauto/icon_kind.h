#pragma once

#include <windows.h>

#include "uiauto/message_box.h"

namespace uiauto {

// Tells which of the standard message-box icons a dialog shows. The icon's
// handle belongs to the other process, so the icon is recognised by its
// pixels: the icon control is captured from the screen and compared with the
// system icons drawn here on the same background.
IconKind ClassifyDialogIcon(HWND dialog);

} // namespace uiauto
