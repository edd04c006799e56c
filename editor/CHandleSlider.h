#pragma once
// A slider: a handle bitmap moved over a background bitmap. Both are drawn
// into an offscreen context of the view's size and copied to the window in
// one piece, so the handle never flickers. The handle's centre follows the
// pointer while the left button is held; with Shift it moves ten times more
// slowly from where Shift was pressed. Control-click sets the default (0.5);
// the arrow keys and the wheel step it.

#include "CPanelControl.h"

class COffscreenPaintContext;

// Style bits.
enum SliderStyle {
    kSliderHorizontal = 1,
    kSliderLeft = 8, // the value grows from the left (horizontal)...
    kSliderRight = 16, // ...or from the right
    kSliderTop = 32, // the value grows from the top (vertical)...
    kSliderBottom = 64, // ...or from the bottom
};

class CHandleSlider : public CPanelControl {
public:
    // lowest and highest: the handle's end positions in panel pixels (x for
    // a horizontal slider, y for a vertical one); style: SliderStyle bits
    // (the panel's sliders: horizontal, growing from the left). Holds
    // references to both bitmaps.
    CHandleSlider(const CRect& bounds, CControlObserver* observer, int tag, int lowest, int highest,
                  CPanelBitmap* handle, CPanelBitmap* background, CPoint backgroundOffset, int style);

    void paint(CPaintContext& context) override;
    // A left click follows the pointer while the left button is held.
    bool trackPress(CPaintContext& context, CPoint where, int buttons) override;
    bool trackMove(CPaintContext& context, CPoint where, int buttons) override;
    void trackEnd(CPaintContext& context) override;
    bool wheel(CPaintContext* context, CPoint where, float distance) override;
    // Left and down step the value down, right and up step it up.
    int keyDown(const CKeyCode& key) override;
    void onAttach(CPanelFrame* frame) override;
    void onDetach(CPanelFrame* frame) override;
    void onScaleChange(CPanelFrame* frame) override;

    void setDrawHandleTransparent(bool transparent) { m_drawHandleTransparent = transparent; }
    void setFreeClick(bool freeClick) { m_freeClick = freeClick; }
    bool freeClick() const { return m_freeClick; }
    // Where the handle sits relative to the view at the lowest value.
    void setHandleOffset(CPoint offset);
    void setHandleBitmap(CPanelBitmap* handle);
    CPanelBitmap* handleBitmap() const { return m_handle; }
    void setFineFactor(float factor) { m_fineFactor = factor; }
    float fineFactor() const { return m_fineFactor; }

    // The handle's rectangle for the current value, relative to the view.
    CRect handleRect() const;

protected:
    ~CHandleSlider() override;

private:
    bool horizontal() const { return (m_style & kSliderHorizontal) != 0; }
    // The part of the range that lies before the handle.
    float fraction() const;
    void step(float direction, bool fine);
    void follow(CPoint where, int buttons);

    CPoint m_backgroundOffset;
    CPoint m_handleOffset;
    CPanelBitmap* m_handle;
    COffscreenPaintContext* m_offscreen = nullptr;
    int m_handleWidth = 1;
    int m_handleHeight = 1;
    int m_handleRange;
    int m_style;
    int m_lowestHandle = 0;
    int m_highestHandle = 0;
    int m_firstHandle;
    float m_fineFactor = 10.0f;
    bool m_drawHandleTransparent = true;
    bool m_freeClick = true;
    // The tracking: the pointer coordinate of the value 0, the value where
    // Shift was last pressed or released, and the buttons then.
    int m_grab = 0;
    float m_anchor = 0.0f;
    int m_state = 0;
};
