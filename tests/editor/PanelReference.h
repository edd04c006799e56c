#pragma once
// What the X11 and Windows tests compare the plug-in's window with (kept
// apart from the instrument's headers, whose names clash with the systems').

#include "CPixelSurface.h"

namespace paneltest {

// The panel of a new instrument as the headless backend draws it after the
// first idle, or after a click held on the key with tag clickedKey (a host
// running its audio meanwhile) and one more block and idle.
CPixelSurface panelPicture(int clickedKey = 0);

} // namespace paneltest
