// Drawing into pixel surfaces: opaque and colour-key copies of bitmaps,
// clipping at every edge with a drawing offset, fills and outlines, and the
// offscreen context's first fill.
#include "COffscreenPaintContext.h"
#include "CPanelBitmap.h"
#include "GuiTestSupport.h"

#include <gtest/gtest.h>

using guitest::Bytes;

namespace {

std::uint32_t sourcePixel(int x, int y)
{
    // No pure white, except where the test asks for it.
    return static_cast<std::uint32_t>(((x * 13) % 250) << 16 | ((y * 7) % 250) << 8 | ((x ^ y) & 0xF7));
}

std::uint32_t targetPixel(int x, int y)
{
    return static_cast<std::uint32_t>(0x102030 + x * 3 + y * 0x100);
}

CPanelBitmap* bitmap(const Bytes& bytes)
{
    return new CPanelBitmap(bytes.data(), bytes.size());
}

CPixelSurface target(int width, int height)
{
    CPixelSurface s;
    s.reset(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            s.setPixel(x, y, targetPixel(x, y));
    return s;
}

} // namespace

TEST(PaintContext, ColourKeyCopyOfABitmapWithoutWhiteEqualsTheOpaqueCopy)
{
    CPanelBitmap* tile = bitmap(guitest::bmpFile(20, 12, 24, sourcePixel));
    CPixelSurface opaque = target(40, 30), keyed = target(40, 30);
    {
        CPaintContext a(nullptr, &opaque, nullptr), b(nullptr, &keyed, nullptr);
        tile->paint(a, {5, 6, 25, 18}, {0, 0});
        tile->paintTransparent(b, {5, 6, 25, 18}, {0, 0});
    }
    EXPECT_EQ(opaque, keyed);
    EXPECT_NE(target(40, 30), opaque);
    tile->release();
}

TEST(PaintContext, ColourKeyCopyLeavesTheTargetExactlyWhereTheSourceIsWhite)
{
    auto withWhite = [](int x, int y) { return (x + y) % 3 == 0 ? 0xFFFFFFu : sourcePixel(x, y); };
    CPanelBitmap* handle = bitmap(guitest::bmpFile(16, 16, 32, withWhite));
    CPixelSurface s = target(30, 30);
    {
        CPaintContext context(nullptr, &s, nullptr);
        handle->paintTransparent(context, {4, 8, 20, 24}, {0, 0});
    }
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x) {
            const bool inside = x >= 4 && x < 20 && y >= 8 && y < 24;
            const std::uint32_t expected =
                inside && withWhite(x - 4, y - 8) != 0xFFFFFFu ? withWhite(x - 4, y - 8) : targetPixel(x, y);
            ASSERT_EQ(expected, s.pixel(x, y)) << x << "," << y;
        }
    handle->release();
}

TEST(PaintContext, CopiesAreClippedAtEveryEdgeWithADrawingOffset)
{
    const int bw = 9, bh = 7, tw = 16, th = 12;
    CPanelBitmap* tile = bitmap(guitest::bmpFile(bw, bh, 24, sourcePixel));
    const CRect clips[] = {{0, 0, 1000, 1000}, {2, 3, 13, 10}};
    const CPoint offsets[] = {{0, 0}, {3, -2}};
    const CPoint sources[] = {{0, 0}, {4, 2}, {-2, -1}};
    int drawnPixels = 0;
    for (const CRect& clip : clips)
        for (const CPoint& offset : offsets)
            for (const CPoint& source : sources)
                for (int left = -10; left <= tw + 1; left += 3)
                    for (int top = -8; top <= th + 1; top += 3) {
                        const CRect dest = CRect::fromSize(left, top, 8, 6);
                        CPixelSurface s = target(tw, th);
                        {
                            CPaintContext context(nullptr, &s, nullptr);
                            context.setClipRect(clip);
                            context.setOffset(offset);
                            tile->paint(context, dest, source);
                        }
                        // Each target pixel, worked out one at a time.
                        for (int y = 0; y < th; ++y)
                            for (int x = 0; x < tw; ++x) {
                                const int dx = x - offset.x - dest.left, dy = y - offset.y - dest.top;
                                const int sx = source.x + dx, sy = source.y + dy;
                                const bool hit = dx >= 0 && dx < dest.width() && dy >= 0 && dy < dest.height() &&
                                                 sx >= 0 && sx < bw && sy >= 0 && sy < bh && x >= clip.left &&
                                                 x < clip.right && y >= clip.top && y < clip.bottom;
                                drawnPixels += hit;
                                ASSERT_EQ(hit ? sourcePixel(sx, sy) : targetPixel(x, y), s.pixel(x, y))
                                    << "dest " << left << "," << top << " pixel " << x << "," << y;
                            }
                    }
    EXPECT_GT(drawnPixels, 1000);
    tile->release();
}

TEST(PaintContext, OffscreenContextStartsFilledAndOutlinedInItsBackgroundColour)
{
    const CColor background{12, 34, 56, 0};
    COffscreenPaintContext offscreen(nullptr, 7, 5, background);
    ASSERT_EQ(7, offscreen.width());
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(background.pixel(), offscreen.pixels().pixel(x, y)) << x << "," << y;
    EXPECT_EQ(background, offscreen.fillColor());
    EXPECT_EQ(background, offscreen.frameColor());

    // Copied to a window context with the target's offset.
    CPixelSurface s = target(12, 10);
    {
        CPaintContext window(nullptr, &s, nullptr);
        window.setOffset({2, 1});
        offscreen.copyTo(window, {1, 1, 4, 3}, {0, 0});
    }
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 12; ++x) {
            const bool inside = x >= 3 && x < 6 && y >= 2 && y < 4;
            EXPECT_EQ(inside ? background.pixel() : targetPixel(x, y), s.pixel(x, y)) << x << "," << y;
        }
}

TEST(PaintContext, FillCoversTheInteriorAndTheOutlineTheEdgesIncludingRightAndBottom)
{
    CPixelSurface s;
    s.reset(8, 8);
    CPaintContext context(nullptr, &s, nullptr);
    context.setFillColor({0, 0, 9, 0});
    context.setFrameColor({0, 7, 0, 0});
    context.fillRect({2, 2, 5, 5});
    context.frameRect({1, 1, 5, 5});
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool edge = x >= 1 && x <= 5 && y >= 1 && y <= 5 && (x == 1 || x == 5 || y == 1 || y == 5);
            const bool inside = x >= 2 && x < 5 && y >= 2 && y < 5;
            EXPECT_EQ(edge ? 0x700u : inside ? 9u : 0u, s.pixel(x, y)) << x << "," << y;
        }
    EXPECT_EQ(CRect(1, 1, 6, 6), context.damage());
    // Without a surface nothing happens.
    CPaintContext nothing(nullptr, nullptr, nullptr);
    nothing.fillRect({0, 0, 10, 10});
    EXPECT_TRUE(nothing.damage().isEmpty());
}

TEST(PaintContext, EmptyBitmapDrawsNothing)
{
    const Bytes junk = {'B', 'M', 1, 2, 3};
    CPanelBitmap* empty = bitmap(junk);
    EXPECT_EQ(0, empty->width());
    EXPECT_EQ(0, empty->height());
    CPixelSurface s = target(10, 10);
    {
        CPaintContext context(nullptr, &s, nullptr);
        empty->paint(context, {0, 0, 10, 10}, {0, 0});
        empty->paintTransparent(context, {0, 0, 10, 10}, {0, 0});
        EXPECT_TRUE(context.damage().isEmpty());
    }
    EXPECT_EQ(target(10, 10), s);
    empty->release();
    // A resource id that the module does not have.
    CPanelBitmap* missing = new CPanelBitmap(9999);
    EXPECT_EQ(0, missing->width());
    missing->release();
}

TEST(PaintContext, SwappedButtonsMakeThePhysicalRightButtonThePrimaryOne)
{
    CRawButtons raw;
    raw.right = true;
    EXPECT_EQ(kButtonRight, CPaintContext::buttonBits(raw));
    raw.swapped = true;
    EXPECT_EQ(kButtonLeft, CPaintContext::buttonBits(raw));
    raw = {};
    raw.left = true;
    raw.swapped = true;
    EXPECT_EQ(kButtonRight, CPaintContext::buttonBits(raw));
    raw = {true, true, true, true, true, true, false};
    EXPECT_EQ(63, CPaintContext::buttonBits(raw));
}
