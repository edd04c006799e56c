#pragma once
// A block of 32-bit pixels (0x00RRGGBB words, rows top-down): what every paint
// context draws into and what a window backend presents.

#include "GuiTypes.h"

#include <cstdint>
#include <vector>

class CPixelSurface {
public:
    CPixelSurface() = default;

    // Makes the surface width x height pixels of the given value. Sizes of 0
    // or below, or an allocation that fails, leave an empty surface; answers
    // whether the surface has the asked size.
    bool reset(int width, int height, std::uint32_t value = 0);

    int width() const { return m_width; }
    int height() const { return m_height; }
    bool isEmpty() const { return m_width == 0; }
    CRect bounds() const { return {0, 0, m_width, m_height}; }

    const std::uint32_t* data() const { return m_pixels.data(); }
    std::uint32_t* row(int y)
    {
        return m_pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width);
    }
    const std::uint32_t* row(int y) const
    {
        return m_pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width);
    }
    // The pixel at (x, y); 0 outside the surface.
    std::uint32_t pixel(int x, int y) const;
    void setPixel(int x, int y, std::uint32_t value);

    // Fills the part of area that lies inside clip and the surface; answers that part.
    CRect fill(const CRect& area, const CRect& clip, std::uint32_t value);

    // Copies the pixels of source starting at sourcePoint into destination,
    // limited to clip, this surface and the source's own pixels. With a colour
    // key, source pixels of that colour (the fourth byte ignored) are left out.
    // Answers the part of destination that was covered.
    CRect copyFrom(const CPixelSurface& source, CPoint sourcePoint, const CRect& destination, const CRect& clip,
                   const std::uint32_t* colourKey = nullptr);

    bool operator==(const CPixelSurface& other) const;
    bool operator!=(const CPixelSurface& other) const { return !(*this == other); }

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<std::uint32_t> m_pixels;
};
