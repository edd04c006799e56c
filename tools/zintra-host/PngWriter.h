#pragma once

#include <cstdint>
#include <string>

// Writes a picture of 0x00RRGGBB words (rows top-down) as an 8-bit RGB PNG
// file; false with error filled when it cannot.
bool writePng(const std::string& path, const std::uint32_t* pixels, int width, int height, std::string& error);
