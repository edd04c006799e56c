#pragma once
// What the X11 and Windows tests compare the plug-in's window with (kept
// apart from the instrument's headers, whose names clash with the systems').

#include "CPixelSurface.h"

#include <string>
#include <vector>

namespace paneltest {

// Modifier bits for clicks.
enum Modifiers { kNone = 0, kShift = 1, kControl = 2, kAlt = 4 };

// The panel of a new instrument as the headless backend draws it after the
// first idle, or after a click held on the key with tag clickedKey (a host
// running its audio meanwhile) and one more block and idle; at scale 2, as
// the host announced that factor.
CPixelSurface panelPicture(int clickedKey = 0, int scale = 1);
// The nine LCD cells as the window shows them (as in PanelTestSupport.h).
std::string lcdText(const CPixelSurface& screen);
// Points at fractions of the width of a parameter's control, on its middle row.
std::vector<CPoint> pointsOnControl(int parameter, const std::vector<float>& fractions);
// The parameter's value after a left-button gesture on a new headless panel:
// pressed at the first point with modifiers held throughout, moved through the
// others, released at the last.
float valueAfterGesture(int parameter, const std::vector<CPoint>& points, int modifiers);

} // namespace paneltest
