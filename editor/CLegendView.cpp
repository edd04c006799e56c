#include "CLegendView.h"

#include "CPanelFrame.h"

namespace {
constexpr int kLegendFrames = 2;
}

CLegendView::CLegendView(const CRect& bounds, CControlObserver* observer, int tag, int frameHeight,
                         CPanelBitmap* bitmap)
    : CFrameStrip(bounds, observer, tag, kLegendFrames, frameHeight, bitmap, {0, 0})
{
}

void CLegendView::paint(CPaintContext& context)
{
    if (frameIndex() == 0)
        markPaint(false);
    else
        CFrameStrip::paint(context);
}

void CLegendView::switchOff()
{
    const bool shown = frameIndex() != 0;
    setValue(0.0f);
    markPaint(false);
    if (shown && frame() != nullptr)
        frame()->redrawArea(bounds());
}
