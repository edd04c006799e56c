#include "CFrameStrip.h"

#include "CPaintContext.h"
#include "CPanelBitmap.h"

CFrameStrip::CFrameStrip(const CRect& bounds, CControlObserver* observer, int tag, int frameCount, int frameHeight,
                         CPanelBitmap* bitmap, CPoint sourceOffset)
    : CPanelControl(bounds, observer, tag, bitmap),
      m_sourceOffset(sourceOffset),
      m_frameCount(frameCount < 1 ? 1 : frameCount),
      m_frameHeight(frameHeight)
{
    enableMouse(false);
}

int CFrameStrip::frameIndex() const
{
    if (value() <= 0.0f)
        return 0;
    const float shown = value() > 1.0f ? 1.0f : value();
    return static_cast<int>(static_cast<float>(m_frameCount - 1) * shown + 0.5f);
}

void CFrameStrip::paint(CPaintContext& context)
{
    if (value() > 1.0f)
        setValue(1.0f);
    CPoint source = m_sourceOffset;
    source.y += frameIndex() * m_frameHeight;
    if (bitmap() != nullptr)
        bitmap()->paint(context, bounds(), source);
    markPaint(false);
}
