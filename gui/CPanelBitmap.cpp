#include "CPanelBitmap.h"

#include "BmpDecoder.h"
#include "CPaintContext.h"
#include "platform/GuiPlatform.h"

std::atomic<int> CPanelBitmap::s_live{0};

namespace {
// The picture of a resource of the set at scale (1 or 2); false when the
// module has none or it cannot be read.
bool readResource(int resourceId, int scale, CPixelSurface& pixels)
{
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    const int id = scale == 2 ? resourceId + CPanelBitmap::kDoubleSizeIdOffset : resourceId;
    return guiplatform::findBitmapResource(id, data, size) && bmp::decode(data, size, pixels);
}
} // namespace

CPanelBitmap::CPanelBitmap(int resourceId)
    : CPanelBitmap(resourceId, 1)
{
}

CPanelBitmap::CPanelBitmap(int resourceId, int scale)
    : m_resourceId(resourceId),
      m_scale(scale >= 2 ? 2 : 1)
{
    ++s_live;
    readResource(resourceId, m_scale, m_pixels);
}

CPanelBitmap::CPanelBitmap(const unsigned char* bmpData, std::size_t size)
    : m_resourceId(0)
{
    ++s_live;
    bmp::decode(bmpData, size, m_pixels);
}

CPanelBitmap::~CPanelBitmap()
{
    --s_live;
}

void CPanelBitmap::retain()
{
    ++m_referenceCount;
}

void CPanelBitmap::release()
{
    if (m_referenceCount > 0 && --m_referenceCount == 0)
        delete this;
}

const CPixelSurface& CPanelBitmap::pixelsAt(int scale) const
{
    if (scale != 2 || m_scale == 2)
        return m_pixels;
    if (!m_doubleRead)
        readDoubleSet();
    return m_doublePixels;
}

// The double set's picture must be exactly twice the size; anything else
// (none in the module, or a damaged one) gives way to an enlargement.
void CPanelBitmap::readDoubleSet() const
{
    m_doubleRead = true;
    if (m_resourceId != 0 && readResource(m_resourceId, 2, m_doublePixels) &&
        m_doublePixels.width() == 2 * m_pixels.width() && m_doublePixels.height() == 2 * m_pixels.height())
        return;
    if (!m_doublePixels.reset(2 * m_pixels.width(), 2 * m_pixels.height()))
        return;
    for (int y = 0; y < m_doublePixels.height(); ++y)
        for (int x = 0; x < m_doublePixels.width(); ++x)
            m_doublePixels.setPixel(x, y, m_pixels.pixel(x / 2, y / 2));
}

void CPanelBitmap::paint(CPaintContext& context, const CRect& destination, CPoint sourcePoint) const
{
    const CPixelSurface& pixels = pixelsAt(context.scale());
    if (!pixels.isEmpty())
        context.copyPixels(pixels, destination, sourcePoint);
}

void CPanelBitmap::paintTransparent(CPaintContext& context, const CRect& destination, CPoint sourcePoint) const
{
    const std::uint32_t key = m_transparentColor.pixel();
    const CPixelSurface& pixels = pixelsAt(context.scale());
    if (!pixels.isEmpty())
        context.copyPixels(pixels, destination, sourcePoint, &key);
}
