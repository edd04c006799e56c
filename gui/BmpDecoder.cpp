#include "BmpDecoder.h"

#include <algorithm>
#include <cstdint>

namespace bmp {
namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;

std::uint32_t readU32(const unsigned char* p)
{
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}

std::uint16_t readU16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t rgb(unsigned red, unsigned green, unsigned blue)
{
    return (red << 16) | (green << 8) | blue;
}

// What the headers say, checked against the data's size.
struct Layout {
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    int width = 0;
    int height = 0;
    bool topDown = false;
    unsigned bitCount = 0;
    std::uint32_t compression = 0;
    std::size_t maskOffset = 0; // bit-field masks (32-bit with BI_BITFIELDS)
    std::size_t paletteOffset = 0; // first palette entry
    std::size_t paletteEntries = 0; // 8-bit pictures
    std::size_t pixelOffset = 0;
    std::size_t pixelEnd = 0;
};

bool readLayout(const unsigned char* data, std::size_t size, Layout& l)
{
    l.data = data;
    l.size = size;
    const bool hasFileHeader = size >= 2 && data[0] == 'B' && data[1] == 'M';
    const std::size_t info = hasFileHeader ? kFileHeaderSize : 0;
    if (size < info + kInfoHeaderSize)
        return false;
    const std::uint32_t headerSize = readU32(data + info);
    if (headerSize < kInfoHeaderSize || headerSize > size - info)
        return false;
    const auto width = static_cast<std::int32_t>(readU32(data + info + 4));
    const auto height = static_cast<std::int32_t>(readU32(data + info + 8));
    l.bitCount = readU16(data + info + 14);
    l.compression = readU32(data + info + 16);
    const std::uint32_t imageSize = readU32(data + info + 20);
    const std::uint32_t coloursUsed = readU32(data + info + 32);
    if (width <= 0 || width > kMaxDimension || height == 0 || height < -kMaxDimension || height > kMaxDimension)
        return false;
    l.width = width;
    l.topDown = height < 0;
    l.height = l.topDown ? -height : height;
    if (static_cast<long>(l.width) * l.height > kMaxPixels)
        return false;

    std::size_t afterHeader = info + headerSize;
    if (l.bitCount == 8 && (l.compression == kBiRgb || (l.compression == kBiRle8 && !l.topDown))) {
        l.paletteEntries = coloursUsed == 0 ? 256 : coloursUsed;
        if (l.paletteEntries > 256)
            return false;
    } else if (l.bitCount == 24 && l.compression == kBiRgb) {
    } else if (l.bitCount == 32 && l.compression == kBiRgb) {
    } else if (l.bitCount == 32 && l.compression == kBiBitfields) {
        // A plain info header is followed by the three masks; later header
        // versions (52 bytes and more) hold them at the same place inside.
        // A header between the two sizes would end inside the masks.
        l.maskOffset = info + kInfoHeaderSize;
        if (headerSize == kInfoHeaderSize)
            afterHeader += 12;
        else if (headerSize < kInfoHeaderSize + 12)
            return false;
        if (afterHeader > size)
            return false;
    } else {
        return false;
    }
    l.paletteOffset = afterHeader;
    const std::size_t paletteEnd = afterHeader + 4 * l.paletteEntries;
    if (paletteEnd > size)
        return false;
    l.pixelOffset = paletteEnd;
    if (hasFileHeader) {
        const std::uint32_t offBits = readU32(data + 10);
        if (offBits < paletteEnd || offBits > size)
            return false;
        l.pixelOffset = offBits;
    }
    l.pixelEnd = size;
    if (l.compression == kBiRle8 && imageSize != 0 && imageSize <= size - l.pixelOffset)
        l.pixelEnd = l.pixelOffset + imageSize;
    return true;
}

std::uint32_t paletteColour(const Layout& l, unsigned index)
{
    if (index >= l.paletteEntries)
        return 0;
    const unsigned char* p = l.data + l.paletteOffset + 4 * index;
    return rgb(p[2], p[1], p[0]);
}

// One colour channel of a bit-field pixel, scaled to 8 bits.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    bool set(std::uint32_t m)
    {
        mask = m;
        if (m == 0)
            return true;
        while (((m >> shift) & 1u) == 0)
            ++shift;
        std::uint32_t v = m >> shift;
        while (v & 1u) {
            ++bits;
            v >>= 1;
        }
        return v == 0; // the mask's bits must be contiguous
    }
    unsigned value(std::uint32_t pixel) const
    {
        if (bits == 0)
            return 0;
        const std::uint32_t v = (pixel & mask) >> shift;
        if (bits >= 8)
            return v >> (bits - 8);
        return static_cast<unsigned>(v * 255u / ((1u << bits) - 1u));
    }
};

bool decodeUncompressed(const Layout& l, CPixelSurface& out)
{
    const std::size_t rowBytes = (static_cast<std::size_t>(l.width) * l.bitCount + 7) / 8;
    const std::size_t stride = (rowBytes + 3) & ~std::size_t{3};
    // The last row may come without its padding.
    const std::size_t needed = stride * static_cast<std::size_t>(l.height - 1) + rowBytes;
    if (needed > l.size - l.pixelOffset)
        return false;
    Channel red, green, blue;
    const bool masks = l.compression == kBiBitfields;
    if (masks && !(red.set(readU32(l.data + l.maskOffset)) && green.set(readU32(l.data + l.maskOffset + 4)) &&
                   blue.set(readU32(l.data + l.maskOffset + 8))))
        return false;
    if (!out.reset(l.width, l.height))
        return false;
    for (int r = 0; r < l.height; ++r) {
        const unsigned char* p = l.data + l.pixelOffset + stride * static_cast<std::size_t>(r);
        std::uint32_t* to = out.row(l.topDown ? r : l.height - 1 - r);
        for (int x = 0; x < l.width; ++x) {
            switch (l.bitCount) {
            case 8:
                to[x] = paletteColour(l, p[x]);
                break;
            case 24:
                to[x] = rgb(p[3 * x + 2], p[3 * x + 1], p[3 * x]);
                break;
            default: {
                const std::uint32_t v = readU32(p + 4 * x);
                to[x] = masks ? rgb(red.value(v), green.value(v), blue.value(v)) : (v & 0x00FFFFFFu);
                break;
            }
            }
        }
    }
    return true;
}

// Run-length encoded 8-bit data, always stored bottom-up. Pixels that the
// stream skips (end of line, delta) keep palette colour 0. Runs past the
// right edge or the last row are cut off. A stream that ends before its
// end-of-bitmap mark and before its last row is refused.
bool decodeRle8(const Layout& l, CPixelSurface& out)
{
    if (!out.reset(l.width, l.height, paletteColour(l, 0)))
        return false;
    const unsigned char* p = l.data + l.pixelOffset;
    const unsigned char* end = l.data + l.pixelEnd;
    int x = 0;
    int row = 0; // counted from the bottom
    auto put = [&](unsigned index) {
        if (x < l.width && row < l.height)
            out.row(l.height - 1 - row)[x] = paletteColour(l, index);
        if (x < l.width)
            ++x;
    };
    while (row < l.height) {
        if (end - p < 2)
            break;
        const unsigned count = p[0];
        const unsigned value = p[1];
        p += 2;
        if (count > 0) {
            for (unsigned i = 0; i < count; ++i)
                put(value);
        } else if (value == 0) {
            x = 0;
            ++row;
        } else if (value == 1) {
            return true;
        } else if (value == 2) {
            if (end - p < 2)
                break;
            x = std::min(x + static_cast<int>(p[0]), l.width);
            row = std::min(row + static_cast<int>(p[1]), l.height);
            p += 2;
        } else {
            const std::size_t padded = value + (value & 1u);
            if (static_cast<std::size_t>(end - p) < padded)
                break;
            for (unsigned i = 0; i < value; ++i)
                put(p[i]);
            p += padded;
        }
    }
    if (row >= l.height)
        return true;
    out.reset(0, 0);
    return false;
}

} // namespace

bool decode(const unsigned char* data, std::size_t size, CPixelSurface& out)
{
    out.reset(0, 0);
    Layout layout;
    if (data == nullptr || !readLayout(data, size, layout))
        return false;
    const bool ok = layout.compression == kBiRle8 ? decodeRle8(layout, out) : decodeUncompressed(layout, out);
    if (!ok)
        out.reset(0, 0);
    return ok;
}

} // namespace bmp
