#pragma once
// The top view: owns the child window on the host's window, a pixel surface
// of the window's size that all views draw into, the background bitmap and a
// flat list of views (the last attached on top). It paints damaged areas when
// the system asks, redraws views that need it at idle, and dispatches clicks,
// keys, wheel turns and drops. Views work in panel coordinates; the window
// and the surface are the panel at the frame's scale (1, or 2 for the double
// set), and the frame turns the window's positions into panel coordinates.

#include "CDropDispatch.h"
#include "CPanelView.h"
#include "CPixelSurface.h"
#include "platform/GuiPlatform.h"

#include <memory>
#include <vector>

class CPanelBitmap;

class CPanelFrame : public CPanelView, private CWindowListener {
public:
    // Without a parent window the frame makes no window and draws nothing.
    CPanelFrame(const CRect& bounds, void* parentWindow, CGuiEditor* editor, int scale = 1);

    void paint(CPaintContext& context) override;
    void paintArea(CPaintContext& context, const CRect& area) override;
    void mouseDown(CPaintContext& context, CPoint where) override;
    void refresh(CPaintContext& context) override;
    int keyDown(const CKeyCode& key) override;
    int keyUp(const CKeyCode& key) override;
    bool dropItems(const char* const* items, int count, int type, CPoint where) override;
    bool wheel(CPaintContext* context, CPoint where, float distance) override;
    CGuiEditor* editor() const override { return m_editor; }

    // Appends the view on top, sets its frame and tells it. False (and the
    // view not attached) when the list cannot grow.
    bool attachView(CPanelView* view);
    // Takes the view out of the list, tells it and, if asked, releases it.
    // True also for a view that was not in the list.
    bool detachView(CPanelView* view, bool release);
    void detachAll(bool release);
    bool hasView(const CPanelView* view) const;
    int viewCount() const { return static_cast<int>(m_views.size()); }
    CPanelView* viewAt(int index) const;

    // Retains the new background and releases the old one.
    void setBackground(CPanelBitmap* background);
    CPanelBitmap* background() const { return m_background; }
    void setModalView(CPanelView* view)
    {
        m_modalView = view;
        m_viewsChanged = true;
    }
    CPanelView* modalView() const { return m_modalView; }
    // The previous focus view loses the focus.
    void setFocusView(CPanelView* view);
    CPanelView* focusView() const { return m_focusView; }

    // Draws what needs drawing (idle). Answers whether a view changed since
    // the last call (then there may be more to do at the next idle).
    bool redrawDirty();
    // A view may need drawing: the editor's next idle looks at the views.
    void noteViewChange() { m_viewsChanged = true; }
    // False only when an idle now would find nothing: no view changed since
    // the last redraw and the window has no news (one non-blocking look).
    bool hasNews();
    // The window's descriptor that becomes readable with news; -1: none.
    int newsSource() const;
    void markPaint(bool dirty) override;
    // Draws view now, or the whole frame when view is null or not attached.
    void paintNow(CPanelView* view);
    // Draws area now from the background and the views over it, as a system
    // paint would (a view taken off the frame leaves its picture otherwise).
    void redrawArea(const CRect& area);
    // The top view whose rectangle holds the pointer, or the modal view.
    CPanelView* viewUnderMouse();
    // Where the pointer was last seen over the window.
    CPoint pointerPosition();
    // Tell the host that the parameter tag starts or stops being edited.
    void beginEdit(int tag);
    void endEdit(int tag);

    int scale() const { return m_scale; }
    // Draws at a new scale (1 or 2) from now on: the window and the surface
    // take the new size, and the next idle draws everything.
    void setScale(int scale);
    // A position in the window as a panel position.
    CPoint toPanel(CPoint inWindow) const { return guiscale::toPanel(inWindow, m_scale); }

    bool isOpen() const { return m_open; }
    bool hasWindow() const { return m_window != nullptr; }
    bool firstPaintPending() const { return m_firstPaintPending; }
    void* parentWindow() const { return m_parentWindow; }
    CGuiWindow* window() const { return m_window.get(); }
    const CPixelSurface& surface() const { return m_surface; }
    CDropDispatch& dropDispatch() { return m_drop; }
    // Reads the window's events (all, or only paints while a click runs).
    void processWindowEvents();
    // The view that tracks the pointer in steps, or null.
    CPanelView* trackingView() const { return m_trackingView; }
    // Ends a tracking in steps now (the editor closes, the view goes away).
    void endTracking();
    // Called when the editor goes away before the frame does.
    void forgetEditor() { m_editor = nullptr; }

protected:
    ~CPanelFrame() override;

private:
    void windowPaint(const CRect& area) override;
    void windowButtonDown(CPoint where, const CRawButtons& buttons) override;
    void windowButtonPressed(CPoint where, const CRawButtons& buttons) override;
    void windowPointerChanged(CPoint where, const CRawButtons& buttons) override;
    void windowDestroyed() override;
    // Draws a panel area from the background and the views over it.
    void paintPanelArea(const CRect& area);
    // Takes the focus away and finds the view that a click at where with
    // buttons goes to.
    CPanelView* clickTarget(CPaintContext& context, CPoint where, int buttons);
    CRect windowArea() const { return {0, 0, bounds().width(), bounds().height()}; }

    CGuiEditor* m_editor;
    void* m_parentWindow;
    int m_scale;
    CPanelBitmap* m_background = nullptr;
    std::vector<CPanelView*> m_views;
    CPanelView* m_modalView = nullptr;
    CPanelView* m_focusView = nullptr;
    bool m_firstPaintPending = true;
    bool m_open = true;
    bool m_hasWindowClass = false;
    bool m_inMouseDown = false;
    bool m_viewsChanged = true;
    // The view that tracks in steps (one reference held).
    CPanelView* m_trackingView = nullptr;
    CPixelSurface m_surface;
    CDropDispatch m_drop;
    std::unique_ptr<CGuiWindow> m_window;
};
