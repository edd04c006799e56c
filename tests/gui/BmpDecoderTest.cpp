// The BMP reader on hand-made files: every supported kind, both row orders,
// the resource form without file header, run-length escapes, and refusal
// of damaged or unsupported data.
#include "BmpDecoder.h"
#include "GuiTestSupport.h"

#include <gtest/gtest.h>

using guitest::Bytes;

namespace {

std::uint32_t pattern(int x, int y)
{
    return static_cast<std::uint32_t>(((x * 40 + 7) << 16) | ((y * 50 + 3) << 8) | ((x + y) * 20 + 1));
}

void expectPattern(const CPixelSurface& s, int width, int height)
{
    ASSERT_EQ(width, s.width());
    ASSERT_EQ(height, s.height());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            ASSERT_EQ(pattern(x, y), s.pixel(x, y)) << x << "," << y;
}

CPixelSurface decoded(const Bytes& bytes)
{
    CPixelSurface s;
    bmp::decode(bytes.data(), bytes.size(), s);
    return s;
}

// Palette of the 8-bit tests, and its colours by index.
const std::vector<std::uint32_t> kPalette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};

} // namespace

TEST(BmpDecoder, TrueColourPicturesInBothRowOrdersAndWithoutFileHeader)
{
    // Odd widths give padded rows for 24 bits.
    for (int bits : {24, 32}) {
        for (int width : {1, 3, 5}) {
            expectPattern(decoded(guitest::bmpFile(width, 4, bits, pattern)), width, 4);
            expectPattern(decoded(guitest::bmpFile(width, -4, bits, pattern)), width, 4);
            // As a Windows BITMAP resource: no file header.
            const Bytes rows = guitest::packRows(width, 4, bits, pattern);
            expectPattern(decoded(guitest::makeBmp(width, 4, bits, 0, {}, rows, false)), width, 4);
        }
    }
}

TEST(BmpDecoder, ThirtyTwoBitsWithBitFieldMasks)
{
    // Blue in the top byte, red in the low one: the masks decide.
    Bytes rows;
    for (int i = 0; i < 2; ++i) {
        const std::uint32_t word = i == 0 ? 0x11223344u : 0xAABBCCDDu;
        for (int b = 0; b < 4; ++b)
            rows.push_back(static_cast<unsigned char>(word >> (8 * b)));
    }
    const Bytes file = guitest::makeBmp(2, 1, 32, 3, {}, rows, true, {0x000000FF, 0x0000FF00, 0xFF000000});
    CPixelSurface s = decoded(file);
    ASSERT_EQ(2, s.width());
    EXPECT_EQ(0x443311u, s.pixel(0, 0));
    EXPECT_EQ(0xDDCCAAu, s.pixel(1, 0));
    // Masks of fewer than eight bits are scaled to the full range; non-contiguous ones are refused.
    // Red 31 of 31, green 16 of 31, blue 0.
    const Bytes narrow = guitest::makeBmp(1, 1, 32, 3, {}, {0x1F, 0x02, 0, 0}, true, {0x1F, 0x3E0, 0x7C00});
    EXPECT_EQ(0xFF8300u, decoded(narrow).pixel(0, 0));
    EXPECT_TRUE(decoded(guitest::makeBmp(1, 1, 32, 3, {}, {1, 2, 3, 4}, true, {0x0F0F, 0xF000, 0xFF0000})).isEmpty());
}

TEST(BmpDecoder, EightBitPaletteWithShortPalette)
{
    auto index = [](int x, int y) { return static_cast<std::uint32_t>((x + 2 * y) % 7); };
    CPixelSurface s = decoded(guitest::bmpFile(5, 3, 8, index, kPalette));
    ASSERT_EQ(5, s.width());
    ASSERT_EQ(3, s.height());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            const std::uint32_t i = index(x, y);
            // Indexes past the palette's five entries are black.
            EXPECT_EQ(i < kPalette.size() ? kPalette[i] : 0u, s.pixel(x, y)) << x << "," << y;
        }
    EXPECT_EQ(s, decoded(guitest::makeBmp(5, -3, 8, 0, kPalette, guitest::packRows(5, -3, 8, index))));
}

TEST(BmpDecoder, RunLengthEncodedEightBitsWithEveryEscape)
{
    // 6 x 4, rows from the bottom:
    //   row 0: run of 3 x colour 1, absolute run 2 3 4 (odd: one pad byte), end of line
    //   row 1: delta (+2, +1) to row 2 x 2 (row 1 and the start of row 2 keep colour 0)
    //   row 2: from x 2, run of 9 x colour 3 (cut at the right edge)
    //   row 3: absolute run of 4 (even: no pad), end of bitmap (the rest keeps colour 0)
    const Bytes stream = {3, 1, 0, 3, 2, 3, 4, 0, 0, 0, 0, 2, 2, 1, 9, 3, 0, 0, 0, 4, 4, 3, 2, 1, 0, 1};
    CPixelSurface s = decoded(guitest::makeBmp(6, 4, 8, 1, kPalette, stream));
    ASSERT_EQ(6, s.width());
    ASSERT_EQ(4, s.height());
    const std::uint32_t o = kPalette[0], r = kPalette[1], g = kPalette[2], b = kPalette[3], w = kPalette[4];
    const std::uint32_t expected[4][6] = {
        {w, b, g, r, o, o}, // top: row 3
        {o, o, b, b, b, b}, // row 2
        {o, o, o, o, o, o}, // row 1
        {r, r, r, g, b, w}, // bottom: row 0
    };
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(expected[y][x], s.pixel(x, y)) << x << "," << y;
}

TEST(BmpDecoder, RunLengthStreamCutShortIsRefusedUnlessEveryRowWasReached)
{
    const Bytes whole = {2, 1, 0, 0, 2, 2, 0, 1};
    EXPECT_FALSE(decoded(guitest::makeBmp(2, 2, 8, 1, kPalette, whole)).isEmpty());
    for (std::size_t cut = 0; cut < 6; ++cut) {
        const Bytes part(whole.begin(), whole.begin() + static_cast<long>(cut));
        EXPECT_TRUE(decoded(guitest::makeBmp(2, 2, 8, 1, kPalette, part)).isEmpty()) << cut;
    }
    // End of line after the last row without the end-of-bitmap mark: complete.
    const Bytes noEnd = {2, 1, 0, 0, 2, 2, 0, 0};
    EXPECT_EQ(2, decoded(guitest::makeBmp(2, 2, 8, 1, kPalette, noEnd)).width());
    // An absolute run whose bytes are missing.
    EXPECT_TRUE(decoded(guitest::makeBmp(4, 1, 8, 1, kPalette, {0, 4, 1, 2})).isEmpty());
    // Run-length data must be bottom-up.
    EXPECT_TRUE(decoded(guitest::makeBmp(2, -2, 8, 1, kPalette, whole)).isEmpty());
}

TEST(BmpDecoder, DamagedOrUnsupportedDataGivesTheEmptyPicture)
{
    const Bytes good = guitest::bmpFile(3, 2, 24, pattern);
    ASSERT_FALSE(decoded(good).isEmpty());
    auto changed = [&](std::size_t at, std::vector<unsigned char> bytes) {
        Bytes b = good;
        for (std::size_t i = 0; i < bytes.size(); ++i)
            b[at + i] = bytes[i];
        return decoded(b);
    };
    EXPECT_TRUE(changed(18, {0, 0, 0, 0}).isEmpty()); // width 0
    EXPECT_TRUE(changed(18, {0xFF, 0xFF, 0xFF, 0xFF}).isEmpty()); // width -1
    EXPECT_TRUE(changed(22, {0, 0, 0, 0}).isEmpty()); // height 0
    EXPECT_TRUE(changed(18, {0, 0, 0, 0x10}).isEmpty()); // far too wide
    EXPECT_TRUE(changed(14, {12, 0, 0, 0}).isEmpty()); // an OS/2 header
    EXPECT_TRUE(changed(14, {0xFF, 0xFF, 0, 0}).isEmpty()); // a header longer than the file
    EXPECT_TRUE(changed(28, {16}).isEmpty()); // 16 bits per pixel
    EXPECT_TRUE(changed(28, {4}).isEmpty()); // 4 bits per pixel
    EXPECT_TRUE(changed(30, {2}).isEmpty()); // RLE4
    EXPECT_TRUE(changed(10, {0xFF, 0, 0, 0}).isEmpty()); // pixels past the end
    EXPECT_TRUE(changed(10, {10, 0, 0, 0}).isEmpty()); // pixels inside the headers
    // 8000 x 8000 passes the dimension check but not the pixel budget.
    EXPECT_TRUE(changed(18, {0x40, 0x1F, 0, 0, 0x40, 0x1F, 0, 0}).isEmpty());
    // A palette that claims 300 entries; pixels missing after the palette.
    EXPECT_TRUE(decoded(guitest::makeBmp(1, 1, 8, 0, std::vector<std::uint32_t>(300), {0, 0, 0, 0})).isEmpty());
    Bytes shortPalette = guitest::makeBmp(1, 1, 8, 0, kPalette, {}, false);
    EXPECT_TRUE(decoded(shortPalette).isEmpty());
    EXPECT_TRUE(decoded({}).isEmpty());
    CPixelSurface s;
    EXPECT_FALSE(bmp::decode(nullptr, 100, s));
}

// Bit-field masks lie right after a 40-byte header or inside one of 52 bytes
// or more; a header of a size between ends inside the masks and is refused.
// The second case is the 50 bytes the fuzz target found reading past the end.
TEST(BmpDecoder, BitFieldHeaderEndingInsideTheMasksIsRefused)
{
    for (unsigned size = 41; size < 52; ++size) {
        Bytes b(size + 4, 0);
        b[0] = static_cast<unsigned char>(size);
        b[4] = 1; // width
        b[8] = 1; // height
        b[12] = 1; // planes
        b[14] = 32; // bits per pixel
        b[16] = 3; // bit fields
        EXPECT_TRUE(decoded(b).isEmpty()) << size;
    }
    const Bytes found = {0x29, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0xff, 0xff, 0xff, 0xff, 0x3a,
                         0x00, 0x20, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x28, 0xff, 0x00, 0x1d,
                         0x06, 0x00, 0x00, 0x00, 0x20, 0x00, 0x00, 0x00, 0x3b, 0x3b, 0x00, 0x00, 0x00,
                         0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x09, 0x17};
    EXPECT_TRUE(decoded(found).isEmpty());
}

TEST(BmpDecoder, EveryPrefixOfAFileIsRefusedWithoutReadingPastIt)
{
    // Run under AddressSanitizer, an over-read of the copied prefix is caught.
    const Bytes files[] = {guitest::bmpFile(5, 3, 24, pattern), guitest::bmpFile(3, -2, 32, pattern),
                           guitest::bmpFile(
                               5, 3, 8, [](int x, int) { return static_cast<std::uint32_t>(x); }, kPalette),
                           guitest::makeBmp(6, 4, 8, 1, kPalette, {3, 1, 0, 3, 2, 3, 4, 0, 0, 1, 0, 1})};
    for (const Bytes& file : files) {
        ASSERT_FALSE(decoded(file).isEmpty());
        for (std::size_t length = 0; length < file.size() - 1; ++length) {
            const Bytes prefix(file.begin(), file.begin() + static_cast<long>(length));
            const CPixelSurface s = decoded(prefix);
            // The last row's padding is optional; nothing shorter decodes.
            if (!s.isEmpty()) {
                EXPECT_GE(length + 3, file.size()) << length;
            }
        }
    }
}
