#include "CHandleSlider.h"

#include "COffscreenPaintContext.h"
#include "CPanelBitmap.h"
#include "CPanelFrame.h"
#include "VstAbi.h"

CHandleSlider::CHandleSlider(const CRect& bounds, CControlObserver* observer, int tag, int lowest, int highest,
                             CPanelBitmap* handle, CPanelBitmap* background, CPoint backgroundOffset, int style)
    : CPanelControl(bounds, observer, tag, background),
      m_backgroundOffset(backgroundOffset),
      m_handle(handle),
      m_handleRange(highest - lowest),
      m_style(style),
      m_firstHandle(horizontal() ? lowest - bounds.left : lowest - bounds.top)
{
    if (m_handle != nullptr) {
        m_handle->retain();
        m_handleWidth = m_handle->width();
        m_handleHeight = m_handle->height();
    }
    setHandleOffset({0, 0});
}

CHandleSlider::~CHandleSlider()
{
    delete m_offscreen;
    if (m_handle != nullptr)
        m_handle->release();
}

void CHandleSlider::setHandleOffset(CPoint offset)
{
    m_handleOffset = offset;
    if (horizontal()) {
        m_lowestHandle = m_firstHandle + offset.x;
        m_highestHandle = m_lowestHandle + m_handleRange + m_handleWidth;
    } else {
        m_lowestHandle = m_firstHandle + offset.y;
        m_highestHandle = m_lowestHandle + m_handleRange + m_handleHeight;
    }
}

void CHandleSlider::setHandleBitmap(CPanelBitmap* handle)
{
    if (handle != nullptr)
        handle->retain();
    if (m_handle != nullptr)
        m_handle->release();
    m_handle = handle;
    m_handleWidth = m_handle != nullptr ? m_handle->width() : 1;
    m_handleHeight = m_handle != nullptr ? m_handle->height() : 1;
    setHandleOffset(m_handleOffset);
}

void CHandleSlider::onAttach(CPanelFrame* frame)
{
    delete m_offscreen;
    m_offscreen = new COffscreenPaintContext(frame, bounds().width(), bounds().height(), guicolor::kBlack);
}

// The offscreen picture is made at the frame's scale.
void CHandleSlider::onScaleChange(CPanelFrame* frame)
{
    onAttach(frame);
}

void CHandleSlider::onDetach(CPanelFrame*)
{
    delete m_offscreen;
    m_offscreen = nullptr;
}

float CHandleSlider::fraction() const
{
    return (m_style & (kSliderLeft | kSliderTop)) != 0 ? value() : 1.0f - value();
}

CRect CHandleSlider::handleRect() const
{
    const int along = static_cast<int>(static_cast<float>(m_handleRange) * fraction());
    if (horizontal()) {
        int left = m_handleOffset.x + along;
        if (left < m_lowestHandle)
            left = m_lowestHandle;
        int right = left + m_handleWidth;
        if (right > m_highestHandle)
            right = m_highestHandle;
        return {left, m_handleOffset.y, right, m_handleOffset.y + m_handleHeight};
    }
    int top = m_handleOffset.y + along;
    if (top < m_lowestHandle)
        top = m_lowestHandle;
    int bottom = top + m_handleHeight;
    if (bottom > m_highestHandle)
        bottom = m_highestHandle;
    return {m_handleOffset.x, top, m_handleOffset.x + m_handleWidth, bottom};
}

void CHandleSlider::paint(CPaintContext& context)
{
    if (m_offscreen == nullptr)
        return;
    const CRect whole{0, 0, bounds().width(), bounds().height()};
    if (CPanelBitmap* background = bitmap()) {
        if (transparent())
            background->paintTransparent(*m_offscreen, whole, m_backgroundOffset);
        else
            background->paint(*m_offscreen, whole, m_backgroundOffset);
    }
    if (m_handle != nullptr) {
        if (m_drawHandleTransparent)
            m_handle->paintTransparent(*m_offscreen, handleRect(), {0, 0});
        else
            m_handle->paint(*m_offscreen, handleRect(), {0, 0});
    }
    m_offscreen->copyTo(context, bounds(), {0, 0});
    markPaint(false);
}

bool CHandleSlider::trackPress(CPaintContext&, CPoint where, int buttons)
{
    if (!mouseEnabled())
        return false;
    if (buttons == (kButtonLeft | kModifierControl)) {
        changeValue(defaultValue());
        return false;
    }
    if ((buttons & kButtonLeft) == 0)
        return false;
    const CRect handle = handleRect().offset(bounds().left, bounds().top);
    m_grab = horizontal() ? bounds().left + m_handleOffset.x : bounds().top + m_handleOffset.y;
    if (m_freeClick) {
        m_grab += (horizontal() ? m_handleWidth : m_handleHeight) / 2 - 1;
    } else {
        if (!handle.containsInclusive(where))
            return false;
        m_grab += horizontal() ? where.x - handle.left : where.y - handle.top;
    }
    beginTracking();
    if (frame() != nullptr)
        frame()->setFocusView(this);
    m_anchor = value();
    m_state = buttons;
    follow(where, buttons);
    return true;
}

bool CHandleSlider::trackMove(CPaintContext&, CPoint where, int buttons)
{
    if ((buttons & kButtonLeft) == 0)
        return false;
    follow(where, buttons);
    return true;
}

void CHandleSlider::trackEnd(CPaintContext&)
{
    endTracking();
}

// With Shift the value moves a tenth of the pointer's way from the anchor,
// which is where Shift (or another change of buttons) was last seen.
void CHandleSlider::follow(CPoint where, int buttons)
{
    const float range = m_handleRange != 0 ? static_cast<float>(m_handleRange) : 1.0f;
    const bool fine = (buttons & kModifierShift) != 0;
    if (buttons != m_state && fine) {
        m_state = buttons;
        m_anchor = value();
    } else if (!fine) {
        m_anchor = value();
    }
    float next = static_cast<float>((horizontal() ? where.x : where.y) - m_grab) / range;
    if ((m_style & (kSliderRight | kSliderBottom)) != 0)
        next = 1.0f - next;
    if (fine)
        next = m_anchor + (next - m_anchor) / m_fineFactor;
    const float before = value();
    setValue(next);
    clampValue();
    if (value() != before)
        notify();
}

void CHandleSlider::step(float direction, bool fine)
{
    const float before = value();
    setValue(value() + direction * (fine ? wheelStep() / 10.0f : wheelStep()));
    clampValue();
    if (value() != before)
        notify();
}

bool CHandleSlider::wheel(CPaintContext* context, CPoint, float distance)
{
    if (!mouseEnabled())
        return false;
    const bool fine = context != nullptr && (context->buttons() & kModifierShift) != 0;
    step(distance, fine);
    return true;
}

int CHandleSlider::keyDown(const CKeyCode& key)
{
    float direction = 0.0f;
    if (key.virt == VKEY_LEFT || key.virt == VKEY_DOWN)
        direction = -1.0f;
    else if (key.virt == VKEY_UP || key.virt == VKEY_RIGHT)
        direction = 1.0f;
    else
        return -1;
    step(direction, (key.modifier & MODIFIER_SHIFT) != 0);
    return 1;
}
