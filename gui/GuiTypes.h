#pragma once
// Points, rectangles and colours of the GUI framework.

#include <algorithm>
#include <cstdint>

struct CPoint {
    int x = 0;
    int y = 0;

    constexpr CPoint() = default;
    constexpr CPoint(int px, int py)
        : x(px),
          y(py)
    {
    }
    constexpr bool operator==(const CPoint& other) const { return x == other.x && y == other.y; }
    constexpr bool operator!=(const CPoint& other) const { return !(*this == other); }
};

// A rectangle of pixels: filling and copying cover left <= x < right and
// top <= y < bottom; hit tests (containsInclusive, overlapsInclusive) count
// the right and bottom edges as inside, as the views' hit tests do.
struct CRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    constexpr CRect() = default;
    constexpr CRect(int l, int t, int r, int b)
        : left(l),
          top(t),
          right(r),
          bottom(b)
    {
    }
    static constexpr CRect fromSize(int x, int y, int width, int height) { return {x, y, x + width, y + height}; }

    constexpr int width() const { return right - left; }
    constexpr int height() const { return bottom - top; }
    constexpr bool isEmpty() const { return right <= left || bottom <= top; }
    constexpr bool operator==(const CRect& o) const
    {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    constexpr bool operator!=(const CRect& o) const { return !(*this == o); }

    constexpr CRect offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    constexpr CRect intersect(const CRect& o) const
    {
        return {std::max(left, o.left), std::max(top, o.top), std::min(right, o.right), std::min(bottom, o.bottom)};
    }
    // The smallest rectangle holding both; an empty rectangle adds nothing.
    constexpr CRect unite(const CRect& o) const
    {
        if (o.isEmpty())
            return *this;
        if (isEmpty())
            return o;
        return {std::min(left, o.left), std::min(top, o.top), std::max(right, o.right), std::max(bottom, o.bottom)};
    }
    constexpr bool containsInclusive(CPoint p) const
    {
        return p.x >= left && p.x <= right && p.y >= top && p.y <= bottom;
    }
    constexpr bool overlapsInclusive(const CRect& o) const
    {
        return left <= o.right && o.left <= right && top <= o.bottom && o.top <= bottom;
    }
    // True when every pixel of o lies in this rectangle.
    constexpr bool holds(const CRect& o) const
    {
        return left <= o.left && top <= o.top && o.right <= right && o.bottom <= bottom;
    }
};

// Views work in panel coordinates; a window shown at an integer scale has
// scale x scale of its pixels to each panel pixel.
namespace guiscale {
constexpr int floorDivide(int value, int scale)
{
    return value >= 0 ? value / scale : -((-value + scale - 1) / scale);
}
// The window's pixels of a panel rectangle.
constexpr CRect toWindow(const CRect& r, int scale)
{
    return {r.left * scale, r.top * scale, r.right * scale, r.bottom * scale};
}
constexpr CPoint toWindow(CPoint p, int scale)
{
    return {p.x * scale, p.y * scale};
}
// The panel pixel that holds a window pixel.
constexpr CPoint toPanel(CPoint p, int scale)
{
    return {floorDivide(p.x, scale), floorDivide(p.y, scale)};
}
// The panel pixels that cover a window rectangle.
constexpr CRect coveringPanel(const CRect& r, int scale)
{
    return {floorDivide(r.left, scale), floorDivide(r.top, scale), -floorDivide(-r.right, scale),
            -floorDivide(-r.bottom, scale)};
}
} // namespace guiscale

// A colour as red, green, blue and a fourth byte that drawing ignores.
struct CColor {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t alpha = 0;

    // Pixels are 32-bit words 0x00RRGGBB.
    constexpr std::uint32_t pixel() const
    {
        return (std::uint32_t{red} << 16) | (std::uint32_t{green} << 8) | std::uint32_t{blue};
    }
    constexpr bool operator==(const CColor& o) const
    {
        return red == o.red && green == o.green && blue == o.blue && alpha == o.alpha;
    }
};

namespace guicolor {
constexpr CColor kBlack{0, 0, 0, 0};
constexpr CColor kWhite{255, 255, 255, 0};
// The colour that a transparent bitmap copy leaves out.
constexpr CColor kTransparent{255, 255, 255, 0};
} // namespace guicolor

// Button and modifier bits of CPaintContext::buttons().
enum GuiButtonBits {
    kButtonLeft = 1,
    kButtonMiddle = 2,
    kButtonRight = 4,
    kModifierShift = 8,
    kModifierControl = 16,
    kModifierAlt = 32,
};

// A key as the host reports it: character, virtual key and modifier bits.
struct CKeyCode {
    int character = 0;
    unsigned char virt = 0;
    unsigned char modifier = 0;
};
