#include "CPanelView.h"

#include "CPanelFrame.h"

std::atomic<int> CPanelView::s_live{0};

CPanelView::CPanelView(const CRect& bounds)
    : m_bounds(bounds),
      m_mouseArea(bounds)
{
    ++s_live;
}

CPanelView::~CPanelView()
{
    --s_live;
}

void CPanelView::paint(CPaintContext&)
{
    m_dirty = false;
}

void CPanelView::paintArea(CPaintContext& context, const CRect&)
{
    paint(context);
}

bool CPanelView::overlaps(const CRect& area) const
{
    return m_bounds.overlapsInclusive(area);
}

void CPanelView::mouseDown(CPaintContext&, CPoint)
{
}

bool CPanelView::trackPress(CPaintContext&, CPoint, int)
{
    return false;
}

bool CPanelView::trackMove(CPaintContext&, CPoint, int)
{
    return false;
}

void CPanelView::trackEnd(CPaintContext&)
{
}

void CPanelView::refresh(CPaintContext& context)
{
    if (needsPaint()) {
        paint(context);
        m_dirty = false;
    }
}

int CPanelView::message(CPanelView*, const char*)
{
    return 0;
}

int CPanelView::keyDown(const CKeyCode&)
{
    return -1;
}

int CPanelView::keyUp(const CKeyCode&)
{
    return -1;
}

bool CPanelView::dropItems(const char* const*, int, int, CPoint)
{
    return false;
}

bool CPanelView::wheel(CPaintContext*, CPoint, float)
{
    return false;
}

void CPanelView::loseFocus(CPaintContext*)
{
}
void CPanelView::gainFocus(CPaintContext*)
{
}

bool CPanelView::needsPaint() const
{
    return m_dirty;
}

void CPanelView::markPaint(bool dirty)
{
    m_dirty = dirty;
    if (dirty)
        changed();
}

void CPanelView::changed()
{
    if (m_frame != nullptr)
        m_frame->noteViewChange();
}

bool CPanelView::contains(CPoint where, int) const
{
    return m_bounds.containsInclusive(where);
}

void CPanelView::setBounds(const CRect& bounds)
{
    m_bounds = bounds;
    m_dirty = true;
    changed();
}

CGuiEditor* CPanelView::editor() const
{
    return m_frame != nullptr ? m_frame->editor() : nullptr;
}

void CPanelView::onDetach(CPanelFrame*)
{
}
void CPanelView::onAttach(CPanelFrame*)
{
}
void CPanelView::onScaleChange(CPanelFrame*)
{
}

void CPanelView::release()
{
    if (m_referenceCount <= 0)
        return;
    if (--m_referenceCount == 0)
        delete this;
}
