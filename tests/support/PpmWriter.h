#pragma once
// Screenshots of the GUI and panel tests, as binary PPM files.

#include "CPixelSurface.h"

#include <string>

namespace guitest {

// Writes a picture as a binary PPM file; does nothing if the file cannot be made.
void writePpm(const CPixelSurface& picture, const std::string& path);

} // namespace guitest
