#pragma once
// Reads BMP pictures into pixel surfaces: a whole .bmp file, or the same data
// without its 14-byte file header, as Windows keeps BITMAP resources.
// Understood: 8-bit palette pictures, uncompressed or run-length encoded
// (RLE8), 24-bit and 32-bit pictures (32-bit also with bit-field masks), rows
// bottom-up or top-down. Anything else, and any data that is cut short or
// inconsistent, is refused without reading outside the given bytes.

#include "CPixelSurface.h"

#include <cstddef>

namespace bmp {

// Largest accepted width or height, and largest pixel count: far beyond any
// panel picture, small enough that hostile data cannot ask for huge memory.
constexpr int kMaxDimension = 16384;
constexpr long kMaxPixels = 16L * 1024 * 1024;

// Decodes size bytes at data into out. On refusal out is left empty and the
// answer is false.
bool decode(const unsigned char* data, std::size_t size, CPixelSurface& out);

} // namespace bmp
