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

bool CKeyButton::trackPress(CPaintContext&, CPoint where, int buttons)
{
    if (!mouseEnabled() || (buttons & kButtonLeft) == 0)
        return false;
    m_atClick = value();
    if (buttons != kButtonLeft) {
        setValue(value() == 0.0f ? 1.0f : 0.0f);
        notify();
        setValue(0.0f);
        notify();
        return false;
    }
    beginTracking();
    follow(where);
    return true;
}

bool CKeyButton::trackMove(CPaintContext&, CPoint where, int buttons)
{
    if (buttons != kButtonLeft)
        return false;
    follow(where);
    return true;
}

void CKeyButton::trackEnd(CPaintContext&)
{
    endTracking();
    setValue(0.0f);
    notify();
}

// Pressed over the key, as at the click off it.
void CKeyButton::follow(CPoint where)
{
    const float pressed = m_atClick == 0.0f ? 1.0f : 0.0f;
    changeValue(bounds().containsInclusive(where) ? pressed : m_atClick);
}
