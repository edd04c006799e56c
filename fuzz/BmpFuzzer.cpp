// libFuzzer target: arbitrary bytes as BMP data, in both the file and the
// resource form. Whatever the input, the reader answers a picture within its
// limits or the empty one, without reading outside the input.
#include "BmpDecoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CPixelSurface picture;
    const bool ok = bmp::decode(data, size, picture);
    if (ok != !picture.isEmpty())
        std::abort();
    if (ok && (picture.width() > bmp::kMaxDimension || picture.height() > bmp::kMaxDimension ||
               static_cast<long>(picture.width()) * picture.height() > bmp::kMaxPixels))
        std::abort();
    return 0;
}
