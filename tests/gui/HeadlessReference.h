#pragma once
// What the X11 and Windows GUI tests compare the real windows with: the test
// frame drawn by the headless backend after clicks at given points.

#include "CPixelSurface.h"

#include <string>
#include <vector>

namespace guitest {

// The test frame after a left click (50 ms long) at each point in turn.
CPixelSurface headlessPicture(const std::vector<CPoint>& clicks);

// Writes a picture as a binary PPM file (for screenshots).
void writePpm(const CPixelSurface& picture, const std::string& path);

} // namespace guitest
