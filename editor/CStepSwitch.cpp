#include "CStepSwitch.h"

#include "CPaintContext.h"
#include "CPanelBitmap.h"

CStepSwitch::CStepSwitch(const CRect& bounds, CControlObserver* observer, int tag, int frameCount, int frameHeight,
                         int positionCount, CPanelBitmap* bitmap, CPoint sourceOffset)
    : CPanelControl(bounds, observer, tag, bitmap),
      m_sourceOffset(sourceOffset),
      m_frameCount(frameCount),
      m_frameHeight(frameHeight),
      m_positionCount(positionCount < 2 ? 2 : positionCount)
{
    setDefaultValue(0.0f);
}

void CStepSwitch::paint(CPaintContext& context)
{
    int frame = static_cast<int>(static_cast<float>(m_positionCount - 1) * value() + 0.5f);
    if (frame < 0)
        frame = 0;
    else if (frame >= m_frameCount)
        frame = m_frameCount - 1;
    if (bitmap() != nullptr)
        bitmap()->paint(context, bounds(), {0, frame * m_frameHeight});
    markPaint(false);
}

bool CStepSwitch::trackPress(CPaintContext&, CPoint where, int buttons)
{
    if (!mouseEnabled() || (buttons & kButtonLeft) == 0)
        return false;
    if (buttons == (kButtonLeft | kModifierControl)) {
        changeValue(defaultValue());
        return false;
    }
    m_atClick = buttons;
    beginTracking();
    follow(where);
    return true;
}

bool CStepSwitch::trackMove(CPaintContext&, CPoint where, int buttons)
{
    if (buttons != m_atClick)
        return false;
    follow(where);
    return true;
}

void CStepSwitch::trackEnd(CPaintContext&)
{
    endTracking();
}

void CStepSwitch::follow(CPoint where)
{
    const int width = bitmap() != nullptr ? bitmap()->width() : 0;
    const float slice = static_cast<float>(width) / static_cast<float>(m_positionCount);
    if (slice <= 0.0f)
        return;
    const int position = static_cast<int>(static_cast<float>(where.x - bounds().left) / slice);
    float next = static_cast<float>(position) / static_cast<float>(m_positionCount - 1);
    if (next > 1.0f)
        next = 1.0f;
    else if (next < 0.0f)
        next = 0.0f;
    changeValue(next);
}
