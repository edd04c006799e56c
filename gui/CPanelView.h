#pragma once
// The base of every view: a reference-counted rectangle in a frame that can
// draw itself, take clicks, keys, wheel turns and drops, and says when it
// needs drawing.

#include "GuiTypes.h"

#include <atomic>

class CPaintContext;
class CPanelFrame;
class CGuiEditor;

class CPanelView {
public:
    explicit CPanelView(const CRect& bounds);
    CPanelView(const CPanelView&) = delete;
    CPanelView& operator=(const CPanelView&) = delete;

    // Draws the view; the default only marks it clean.
    virtual void paint(CPaintContext& context);
    // Draws the part of the view in area; the default draws all of it.
    virtual void paintArea(CPaintContext& context, const CRect& area);
    // True when area and the view's rectangle overlap, edges included.
    virtual bool overlaps(const CRect& area) const;
    // A click at where: the view follows the pointer until the button's
    // release, polling the context for the pointer and the buttons.
    virtual void mouseDown(CPaintContext& context, CPoint where);
    // Tracking in steps, which a window that reports the pointer's events one
    // at a time drives across idles: the press, each move, the end. Views
    // that answer false here get mouseDown instead.
    virtual bool tracksInSteps() const { return false; }
    // A press at where with buttons (GuiButtonBits). True when the view now
    // follows the pointer; false when the click is done with.
    virtual bool trackPress(CPaintContext& context, CPoint where, int buttons);
    // The pointer at where with buttons. False, and nothing done, when these
    // buttons end the tracking; trackEnd follows.
    virtual bool trackMove(CPaintContext& context, CPoint where, int buttons);
    virtual void trackEnd(CPaintContext& context);
    // Draws the view if it needs it.
    virtual void refresh(CPaintContext& context);
    virtual int message(CPanelView* sender, const char* text);
    // -1 when the key is not used.
    virtual int keyDown(const CKeyCode& key);
    virtual int keyUp(const CKeyCode& key);
    // items: count texts; type 0 file names, 1 text. True when taken.
    virtual bool dropItems(const char* const* items, int count, int type, CPoint where);
    virtual bool wheel(CPaintContext* context, CPoint where, float distance);
    virtual void loseFocus(CPaintContext* context);
    virtual void gainFocus(CPaintContext* context);
    virtual bool needsPaint() const;
    // Marks the view for drawing (and tells its frame), or as drawn.
    virtual void markPaint(bool dirty);
    void enableMouse(bool enabled) { m_mouseEnabled = enabled; }
    bool mouseEnabled() const { return m_mouseEnabled; }
    void setMouseArea(const CRect& area) { m_mouseArea = area; }
    CRect mouseArea() const { return m_mouseArea; }
    // True when where lies in the view's rectangle, edges included.
    virtual bool contains(CPoint where, int buttons) const;
    void setTransparent(bool transparent) { m_transparent = transparent; }
    bool transparent() const { return m_transparent; }
    // Moves or resizes the view and marks it for drawing.
    virtual void setBounds(const CRect& bounds);
    CRect bounds() const { return m_bounds; }
    void setParentView(CPanelView* parent) { m_parentView = parent; }
    CPanelView* parentView() const { return m_parentView; }
    void setFrame(CPanelFrame* frame) { m_frame = frame; }
    CPanelFrame* frame() const { return m_frame; }
    // The editor of the view's frame; null outside a frame.
    virtual CGuiEditor* editor() const;
    virtual void onDetach(CPanelFrame* frame);
    virtual void onAttach(CPanelFrame* frame);
    // The frame draws at a new scale: what the view made for the old one
    // (an offscreen picture) is made again.
    virtual void onScaleChange(CPanelFrame* frame);

    // Drops one reference; the last one destroys the view. A count already
    // at 0 or below is left alone.
    void release();
    void retain() { ++m_referenceCount; }
    int referenceCount() const { return m_referenceCount; }

    // Views alive in the process (for leak checks).
    static int liveCount() { return s_live.load(); }

protected:
    virtual ~CPanelView();
    // Tells the frame that the view may need drawing (a value it shows
    // changed), so that the editor's next idle looks at the views.
    void changed();

private:
    int m_referenceCount = 1;
    CRect m_bounds;
    CRect m_mouseArea;
    CPanelFrame* m_frame = nullptr;
    CPanelView* m_parentView = nullptr;
    bool m_dirty = false;
    bool m_mouseEnabled = true;
    bool m_transparent = false;
    static std::atomic<int> s_live;
};
