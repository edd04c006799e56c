#include "CKeyButton.h"

#include "CPaintContext.h"
#include "CPanelBitmap.h"

CKeyButton::CKeyButton(const CRect& bounds, CControlObserver* observer, int tag, int frameHeight, CPanelBitmap* bitmap,
                       CPoint sourceOffset)
    : CPanelControl(bounds, observer, tag, bitmap),
      m_sourceOffset(sourceOffset),
      m_frameHeight(frameHeight)
{
}

void CKeyButton::paint(CPaintContext& context)
{
    clampValue();
    CPoint source = m_sourceOffset;
    if (value() != 0.0f)
        source.y += m_frameHeight;
    if (bitmap() != nullptr)
        bitmap()->paint(context, bounds(), source);
    markPaint(false);
}

void CKeyButton::mouseDown(CPaintContext& context, CPoint where)
{
    const int buttons = context.buttons();
    if (!mouseEnabled() || (buttons & kButtonLeft) == 0)
        return;
    const float atClick = value();
    const float pressed = atClick == 0.0f ? 1.0f : 0.0f;
    if (buttons == kButtonLeft) {
        beginTracking();
        do {
            changeValue(bounds().containsInclusive(where) ? pressed : atClick);
            where = context.pointerPosition();
            idleWhileTracking();
        } while (context.buttons() == kButtonLeft);
        endTracking();
    } else {
        setValue(value() == 0.0f ? 1.0f : 0.0f);
        notify();
    }
    setValue(0.0f);
    notify();
}
