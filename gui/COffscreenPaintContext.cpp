#include "COffscreenPaintContext.h"

COffscreenPaintContext::COffscreenPaintContext(CPanelFrame* frame, int width, int height, CColor background)
    : CPaintContext(frame, nullptr, nullptr),
      m_background(background)
{
    if (!m_pixels.reset(width * scale(), height * scale()))
        return;
    setSurface(&m_pixels);
    setClipRect({0, 0, width, height});
    setFillColor(background);
    setFrameColor(background);
    fillRect({1, 1, width, height});
    frameRect({0, 0, width, height});
}

COffscreenPaintContext::~COffscreenPaintContext() = default;

void COffscreenPaintContext::copyTo(CPaintContext& target, const CRect& destination, CPoint sourcePoint) const
{
    target.copyPixels(m_pixels, destination, sourcePoint);
}
