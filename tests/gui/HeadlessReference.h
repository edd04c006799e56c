#pragma once
// What the X11 and Windows GUI tests compare the real windows with: the test
// frame drawn by the headless backend after clicks at given points.

#include "CPixelSurface.h"

#include <vector>

namespace guitest {

// The test frame after a left click (50 ms long) at each point in turn.
CPixelSurface headlessPicture(const std::vector<CPoint>& clicks);

} // namespace guitest
