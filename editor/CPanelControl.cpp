#include "CPanelControl.h"

#include "CControlObserver.h"
#include "CGuiEditor.h"
#include "CPaintContext.h"
#include "CPanelBitmap.h"
#include "CPanelFrame.h"

CPanelControl::CPanelControl(const CRect& bounds, CControlObserver* observer, int tag, CPanelBitmap* bitmap)
    : CPanelView(bounds),
      m_observer(observer),
      m_tag(tag),
      m_bitmap(bitmap)
{
    if (m_bitmap != nullptr)
        m_bitmap->retain();
}

CPanelControl::~CPanelControl()
{
    if (m_bitmap != nullptr)
        m_bitmap->release();
}

void CPanelControl::mouseDown(CPaintContext& context, CPoint where)
{
    if (!trackPress(context, where, context.pressButtons()))
        return;
    for (;;) {
        where = context.pointerPosition();
        idleWhileTracking();
        if (!trackMove(context, where, context.buttons()))
            break;
    }
    trackEnd(context);
}

void CPanelControl::idleWhileTracking()
{
    if (CGuiEditor* owner = editor())
        owner->trackingIdle();
}

void CPanelControl::setBitmap(CPanelBitmap* bitmap)
{
    if (bitmap != nullptr)
        bitmap->retain();
    if (m_bitmap != nullptr)
        m_bitmap->release();
    m_bitmap = bitmap;
}

void CPanelControl::clampValue()
{
    if (m_value > m_maximum)
        m_value = m_maximum;
    else if (m_value < m_minimum)
        m_value = m_minimum;
}

bool CPanelControl::needsPaint() const
{
    return m_value != m_previousValue || CPanelView::needsPaint();
}

void CPanelControl::markPaint(bool dirty)
{
    CPanelView::markPaint(dirty);
    if (dirty)
        m_previousValue = m_value == -1.0f ? 0.0f : -1.0f;
    else
        m_previousValue = m_value;
}

void CPanelControl::notify()
{
    if (m_observer != nullptr)
        m_observer->controlChanged(this);
}

void CPanelControl::changeValue(float value)
{
    const float before = m_value;
    setValue(value);
    if (m_value != before)
        notify();
}

void CPanelControl::beginTracking()
{
    m_tracking = true;
    if (frame() != nullptr)
        frame()->beginEdit(m_tag);
}

void CPanelControl::endTracking()
{
    m_tracking = false;
    if (frame() != nullptr)
        frame()->endEdit(m_tag);
}
