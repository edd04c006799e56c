#include "CPanelBitmap.h"

#include "BmpDecoder.h"
#include "CPaintContext.h"
#include "platform/GuiPlatform.h"

std::atomic<int> CPanelBitmap::s_live{0};

CPanelBitmap::CPanelBitmap(int resourceId)
    : m_resourceId(resourceId)
{
    ++s_live;
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    if (guiplatform::findBitmapResource(resourceId, data, size))
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
