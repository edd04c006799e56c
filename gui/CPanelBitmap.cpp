#include "CPanelBitmap.h"

#include "BmpDecoder.h"
#include "CPaintContext.h"
#include "platform/GuiPlatform.h"

std::atomic<int> CPanelBitmap::s_live{0};

CPanelBitmap::CPanelBitmap(int resourceId)
    : CPanelBitmap(resourceId, 1)
{
}

CPanelBitmap::CPanelBitmap(int resourceId, int scale)
    : m_resourceId(resourceId),
      m_scale(scale >= 2 ? 2 : 1)
{
    ++s_live;
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    const int lookup = m_scale == 2 ? resourceId + kDoubleSizeIdOffset : resourceId;
    if (guiplatform::findBitmapResource(lookup, data, size))
        bmp::decode(data, size, m_pixels);
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

void CPanelBitmap::paint(CPaintContext& context, const CRect& destination, CPoint sourcePoint) const
{
    if (!m_pixels.isEmpty())
        context.copyPixels(m_pixels, destination, sourcePoint);
}

void CPanelBitmap::paintTransparent(CPaintContext& context, const CRect& destination, CPoint sourcePoint) const
{
    const std::uint32_t key = m_transparentColor.pixel();
    if (!m_pixels.isEmpty())
        context.copyPixels(m_pixels, destination, sourcePoint, &key);
}
