#pragma once
// What the X11 window tests do as a host on the X server: read a window's
// pixels, save them as screenshots, find the editor's window in its parent
// and move the X test extension's pointer over it.

#include "CPixelSurface.h"

#include <X11/Xlib.h>

#include <vector>

namespace x11test {

// The window's top-left width x height pixels; empty if they cannot be read.
CPixelSurface readWindow(Display* display, Window window, int width, int height);
// Writes the picture as NAME.ppm into the folder in $ZINTRA_GUI_SHOTS (or the older
// $QUIBO_GUI_SHOTS), if set.
void saveShot(const CPixelSurface& picture, const char* name);
// The windows directly inside parent, after the server has seen every request.
std::vector<Window> childWindows(Display* display, Window parent);
// Moves the X test extension's pointer to a point of window.
void pointerTo(Display* display, Window window, CPoint where);

} // namespace x11test
