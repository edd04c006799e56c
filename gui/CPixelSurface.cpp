#include "CPixelSurface.h"

#include <algorithm>
#include <new>

namespace {
constexpr std::uint32_t kRgbMask = 0x00FFFFFFu;
}

bool CPixelSurface::reset(int width, int height, std::uint32_t value)
{
    m_width = 0;
    m_height = 0;
    if (width <= 0 || height <= 0) {
        m_pixels.clear();
        return false;
    }
    try {
        m_pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), value);
    } catch (const std::bad_alloc&) {
        m_pixels.clear();
        return false;
    }
    m_width = width;
    m_height = height;
    return true;
}

std::uint32_t CPixelSurface::pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return 0;
    return row(y)[x];
}

void CPixelSurface::setPixel(int x, int y, std::uint32_t value)
{
    if (x >= 0 && y >= 0 && x < m_width && y < m_height)
        row(y)[x] = value;
}

CRect CPixelSurface::fill(const CRect& area, const CRect& clip, std::uint32_t value)
{
    const CRect part = area.intersect(clip).intersect(bounds());
    if (part.isEmpty())
        return {};
    for (int y = part.top; y < part.bottom; ++y)
        std::fill(row(y) + part.left, row(y) + part.right, value);
    return part;
}

CRect CPixelSurface::copyFrom(const CPixelSurface& source, CPoint sourcePoint, const CRect& destination,
                              const CRect& clip, const std::uint32_t* colourKey)
{
    // Destination pixels whose source pixel lies inside the source.
    const CRect sourceReach = source.bounds().offset(destination.left - sourcePoint.x, destination.top - sourcePoint.y);
    const CRect part = destination.intersect(clip).intersect(bounds()).intersect(sourceReach);
    if (part.isEmpty())
        return {};
    const int dx = sourcePoint.x - destination.left;
    const int dy = sourcePoint.y - destination.top;
    const int count = part.width();
    for (int y = part.top; y < part.bottom; ++y) {
        const std::uint32_t* from = source.row(y + dy) + part.left + dx;
        std::uint32_t* to = row(y) + part.left;
        if (colourKey == nullptr) {
            std::copy(from, from + count, to);
            continue;
        }
        const std::uint32_t key = *colourKey & kRgbMask;
        for (int i = 0; i < count; ++i)
            if ((from[i] & kRgbMask) != key)
                to[i] = from[i];
    }
    return part;
}

bool CPixelSurface::operator==(const CPixelSurface& other) const
{
    return m_width == other.m_width && m_height == other.m_height && m_pixels == other.m_pixels;
}
