#include "CPanelFrame.h"

#include "CGuiEditor.h"
#include "CPaintContext.h"
#include "CPanelBitmap.h"
#include "CWindowClass.h"

#include <algorithm>
#include <new>

namespace {
// The view list grows by this many entries at a time.
constexpr std::size_t kViewListStep = 20;

// The rectangles drawn in one refresh, without allocating: a few are kept
// apart, more are merged into the last one.
class DrawnAreas {
public:
    void add(const CRect& area)
    {
        if (m_count < kKept)
            m_areas[m_count++] = area;
        else
            m_areas[kKept - 1] = m_areas[kKept - 1].unite(area);
    }
    bool touches(const CRect& area) const
    {
        for (int i = 0; i < m_count; ++i)
            if (!m_areas[i].intersect(area).isEmpty())
                return true;
        return false;
    }

private:
    static constexpr int kKept = 16;
    CRect m_areas[kKept];
    int m_count = 0;
};

// Draws view into context, which clips to area: through paintArea, or through
// paint when whole. A view that reaches out of area is drawn only in part, so
// if it needed drawing before, it still does and the next idle draws it whole;
// marked clean here, it would keep its old picture outside area.
void paintViewArea(CPanelView& view, CPaintContext& context, const CRect& area, bool whole)
{
    const bool dirty = view.needsPaint();
    if (whole)
        view.paint(context);
    else
        view.paintArea(context, area);
    if (dirty && !area.holds(view.bounds()))
        view.markPaint(true);
}
} // namespace

CPanelFrame::CPanelFrame(const CRect& bounds, void* parentWindow, CGuiEditor* editor, int scale)
    : CPanelView(bounds),
      m_editor(editor),
      m_parentWindow(parentWindow),
      m_scale(scale == 2 ? 2 : 1),
      m_drop(*this)
{
    if (parentWindow == nullptr || !m_surface.reset(bounds.width() * m_scale, bounds.height() * m_scale))
        return;
    m_hasWindowClass = CWindowClass::acquire();
    if (!m_hasWindowClass)
        return;
    CWindowRequest request;
    request.parent = parentWindow;
    request.width = bounds.width() * m_scale;
    request.height = bounds.height() * m_scale;
    request.listener = this;
    request.drop = &m_drop;
    m_window = guiplatform::createWindow(request);
    if (m_window == nullptr) {
        CWindowClass::release();
        m_hasWindowClass = false;
    }
}

CPanelFrame::~CPanelFrame()
{
    detachAll(true);
    setBackground(nullptr);
    m_window.reset();
    if (m_hasWindowClass)
        CWindowClass::release();
}

void CPanelFrame::setScale(int scale)
{
    scale = scale == 2 ? 2 : 1;
    if (scale == m_scale || m_window == nullptr)
        return;
    endTracking();
    if (!m_surface.reset(bounds().width() * scale, bounds().height() * scale))
        return;
    m_scale = scale;
    m_window->resize(m_surface.width(), m_surface.height());
    for (CPanelView* view : m_views)
        view->onScaleChange(this);
    if (m_modalView != nullptr)
        m_modalView->onScaleChange(this);
    markPaint(true);
}

void CPanelFrame::paint(CPaintContext& context)
{
    m_firstPaintPending = false;
    if (m_background != nullptr)
        m_background->paint(context, windowArea(), {0, 0});
    for (std::size_t i = 0; i < m_views.size(); ++i)
        m_views[i]->paint(context);
    if (m_modalView != nullptr)
        m_modalView->paint(context);
}

void CPanelFrame::paintArea(CPaintContext& context, const CRect& area)
{
    m_firstPaintPending = false;
    if (m_background != nullptr)
        m_background->paint(context, area, {area.left, area.top});
    for (std::size_t i = 0; i < m_views.size(); ++i)
        if (m_views[i]->overlaps(area))
            paintViewArea(*m_views[i], context, area, false);
    if (m_modalView != nullptr && m_modalView->overlaps(area))
        paintViewArea(*m_modalView, context, area, true);
}

void CPanelFrame::mouseDown(CPaintContext& context, CPoint where)
{
    CPanelView* view = clickTarget(context, where, context.pressButtons());
    if (view == nullptr)
        return;
    // The view may be detached while it tracks the mouse.
    view->retain();
    view->mouseDown(context, where);
    view->release();
}

CPanelView* CPanelFrame::clickTarget(CPaintContext& context, CPoint where, int buttons)
{
    if (m_focusView != nullptr) {
        m_focusView->loseFocus(&context);
        m_focusView = nullptr;
    }
    if (m_modalView != nullptr)
        return m_modalView->contains(where, buttons) ? m_modalView : nullptr;
    for (std::size_t i = m_views.size(); i-- > 0;) {
        CPanelView* view = m_views[i];
        if (view->mouseEnabled() && view->contains(where, buttons))
            return view;
    }
    return nullptr;
}

void CPanelFrame::refresh(CPaintContext& context)
{
    if (!m_open)
        return;
    if (m_modalView != nullptr) {
        m_modalView->refresh(context);
    } else if (needsPaint()) {
        paint(context);
        markPaint(false);
    } else {
        // A view drawn covers the later views over it: they are drawn again
        // after it, so that what lies on top stays on top.
        DrawnAreas drawn;
        for (std::size_t i = 0; i < m_views.size(); ++i) {
            CPanelView* view = m_views[i];
            if (!view->needsPaint() && drawn.touches(view->bounds()))
                view->markPaint(true);
            const bool draws = view->needsPaint();
            view->refresh(context);
            if (draws)
                drawn.add(view->bounds());
        }
    }
}

int CPanelFrame::keyDown(const CKeyCode& key)
{
    int result = -1;
    if (m_focusView != nullptr)
        result = m_focusView->keyDown(key);
    if (result == -1 && m_modalView != nullptr)
        result = m_modalView->keyDown(key);
    for (std::size_t i = m_views.size(); result == -1 && i-- > 0;)
        result = m_views[i]->keyDown(key);
    return result;
}

int CPanelFrame::keyUp(const CKeyCode& key)
{
    int result = -1;
    if (m_focusView != nullptr)
        result = m_focusView->keyUp(key);
    if (result == -1 && m_modalView != nullptr)
        result = m_modalView->keyUp(key);
    for (std::size_t i = m_views.size(); result == -1 && i-- > 0;)
        result = m_views[i]->keyUp(key);
    return result;
}

bool CPanelFrame::dropItems(const char* const* items, int count, int type, CPoint where)
{
    if (m_modalView != nullptr || m_focusView != nullptr)
        return false;
    for (std::size_t i = m_views.size(); i-- > 0;) {
        CPanelView* view = m_views[i];
        if (view->mouseEnabled() && view->contains(where, -1) && view->dropItems(items, count, type, where))
            return true;
    }
    return false;
}

bool CPanelFrame::wheel(CPaintContext* context, CPoint, float distance)
{
    CPanelView* view = viewUnderMouse();
    if (view == nullptr)
        return false;
    const CPoint where = pointerPosition();
    if (context != nullptr)
        return view->wheel(context, where, distance);
    CPaintContext own(this, m_window != nullptr ? &m_surface : nullptr, m_window.get());
    return view->wheel(&own, where, distance);
}

bool CPanelFrame::attachView(CPanelView* view)
{
    if (view == nullptr)
        return false;
    if (m_views.size() == m_views.capacity()) {
        try {
            m_views.reserve(m_views.capacity() + kViewListStep);
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    m_viewsChanged = true;
    m_views.push_back(view);
    view->setFrame(this);
    view->onAttach(this);
    return true;
}

bool CPanelFrame::detachView(CPanelView* view, bool release)
{
    const auto found = std::find(m_views.begin(), m_views.end(), view);
    if (found == m_views.end())
        return true;
    if (m_trackingView == view)
        endTracking();
    m_viewsChanged = true;
    m_views.erase(found);
    if (m_focusView == view)
        m_focusView = nullptr;
    view->onDetach(this);
    if (release)
        view->release();
    return true;
}

void CPanelFrame::detachAll(bool release)
{
    endTracking();
    if (m_focusView != nullptr) {
        m_focusView->loseFocus(nullptr);
        m_focusView = nullptr;
    }
    m_viewsChanged = true;
    std::vector<CPanelView*> views;
    views.swap(m_views);
    for (CPanelView* view : views) {
        view->onDetach(this);
        if (release)
            view->release();
    }
}

bool CPanelFrame::hasView(const CPanelView* view) const
{
    return std::find(m_views.begin(), m_views.end(), view) != m_views.end();
}

CPanelView* CPanelFrame::viewAt(int index) const
{
    if (index < 0 || index >= viewCount())
        return nullptr;
    return m_views[static_cast<std::size_t>(index)];
}

void CPanelFrame::setBackground(CPanelBitmap* background)
{
    m_viewsChanged = true;
    if (background != nullptr)
        background->retain();
    if (m_background != nullptr)
        m_background->release();
    m_background = background;
}

void CPanelFrame::setFocusView(CPanelView* view)
{
    m_viewsChanged = true;
    if (m_focusView != nullptr)
        m_focusView->loseFocus(nullptr);
    m_focusView = view;
}

bool CPanelFrame::redrawDirty()
{
    const bool changed = m_viewsChanged;
    if (!m_open || m_firstPaintPending || m_window == nullptr)
        return changed;
    m_viewsChanged = false;
    bool dirty = m_modalView != nullptr || needsPaint();
    for (std::size_t i = 0; !dirty && i < m_views.size(); ++i)
        dirty = m_views[i]->needsPaint();
    if (dirty) {
        CPaintContext context(this, &m_surface, m_window.get());
        refresh(context);
    }
    return changed || dirty;
}

int CPanelFrame::newsSource() const
{
    return m_window != nullptr ? m_window->newsSource() : -1;
}

bool CPanelFrame::hasNews()
{
    return m_viewsChanged || m_window == nullptr || m_window->hasNews();
}

void CPanelFrame::markPaint(bool dirty)
{
    CPanelView::markPaint(dirty);
    if (dirty)
        m_viewsChanged = true;
}

void CPanelFrame::paintNow(CPanelView* view)
{
    if (m_window == nullptr)
        return;
    CPaintContext context(this, &m_surface, m_window.get());
    if (view != nullptr && hasView(view))
        view->paint(context);
    else
        paint(context);
}

CPanelView* CPanelFrame::viewUnderMouse()
{
    if (m_modalView != nullptr)
        return m_modalView;
    CPoint where;
    if (m_window != nullptr && !m_window->hoverPosition(where))
        return nullptr;
    where = toPanel(where);
    for (std::size_t i = m_views.size(); i-- > 0;)
        if (m_views[i]->bounds().containsInclusive(where))
            return m_views[i];
    return nullptr;
}

CPoint CPanelFrame::pointerPosition()
{
    CPoint where;
    if (m_window != nullptr)
        m_window->hoverPosition(where);
    return toPanel(where);
}

void CPanelFrame::beginEdit(int tag)
{
    if (m_editor != nullptr)
        m_editor->beginEdit(tag);
}

void CPanelFrame::endEdit(int tag)
{
    if (m_editor != nullptr)
        m_editor->endEdit(tag);
}

void CPanelFrame::processWindowEvents()
{
    if (m_window == nullptr)
        return;
    // A click handled among the events may close the editor; the frame and
    // its window stay until the events are read.
    retain();
    m_window->processEvents(m_inMouseDown);
    release();
}

void CPanelFrame::endTracking()
{
    CPanelView* view = m_trackingView;
    if (view == nullptr)
        return;
    m_trackingView = nullptr;
    m_viewsChanged = true;
    {
        CPaintContext context(this, m_window != nullptr ? &m_surface : nullptr, m_window.get());
        view->trackEnd(context);
    }
    view->release();
}

void CPanelFrame::redrawArea(const CRect& area)
{
    if (m_window != nullptr && !m_firstPaintPending)
        paintPanelArea(area);
}

void CPanelFrame::windowPaint(const CRect& area)
{
    paintPanelArea(guiscale::coveringPanel(area, m_scale));
}

void CPanelFrame::paintPanelArea(const CRect& area)
{
    m_viewsChanged = true;
    const CRect part = area.intersect(windowArea());
    if (!m_open || part.isEmpty())
        return;
    CPaintContext context(this, &m_surface, m_window.get());
    context.setClipRect(part);
    paintArea(context, part);
    context.markDrawn(part);
}

void CPanelFrame::windowButtonDown(CPoint inWindow, const CRawButtons& buttons)
{
    m_viewsChanged = true;
    const CPoint where = toPanel(inWindow);
    if (!m_open || m_inMouseDown)
        return;
    retain();
    m_inMouseDown = true;
    {
        CPaintContext context(this, &m_surface, m_window.get(), CPaintContext::Presenting::eachDraw);
        context.setPressButtons(CPaintContext::buttonBits(buttons));
        mouseDown(context, where);
    }
    m_inMouseDown = false;
    release();
}

void CPanelFrame::windowButtonPressed(CPoint inWindow, const CRawButtons& buttons)
{
    m_viewsChanged = true;
    if (m_trackingView != nullptr) {
        windowPointerChanged(inWindow, buttons);
        return;
    }
    const CPoint where = toPanel(inWindow);
    if (!m_open || m_inMouseDown)
        return;
    retain();
    m_inMouseDown = true;
    {
        CPaintContext context(this, &m_surface, m_window.get(), CPaintContext::Presenting::eachDraw);
        const int bits = CPaintContext::buttonBits(buttons);
        if (CPanelView* view = clickTarget(context, where, bits)) {
            view->retain();
            if (!view->tracksInSteps()) {
                // A view with a loop of its own polls the pointer.
                view->mouseDown(context, where);
                view->release();
            } else if (view->trackPress(context, where, bits)) {
                m_trackingView = view;
            } else {
                view->release();
            }
        }
    }
    m_inMouseDown = false;
    release();
}

void CPanelFrame::windowPointerChanged(CPoint inWindow, const CRawButtons& buttons)
{
    m_viewsChanged = true;
    if (m_trackingView == nullptr)
        return;
    const CPoint where = toPanel(inWindow);
    bool going = false;
    {
        CPaintContext context(this, &m_surface, m_window.get());
        going = m_trackingView->trackMove(context, where, CPaintContext::buttonBits(buttons));
    }
    if (!going)
        endTracking();
}

void CPanelFrame::windowDestroyed()
{
    m_viewsChanged = true;
    endTracking();
    m_open = false;
    m_parentWindow = nullptr;
}
