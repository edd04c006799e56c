#pragma once
// The value model shared by the panel's controls: a value between a minimum
// and a maximum, a tag that names the control to its observer, the bitmap
// strip it draws from, and the rule that says when it must be drawn again
// (its value differs from the one last drawn, or it was marked).

#include "CPanelView.h"

class CControlObserver;
class CPanelBitmap;

class CPanelControl : public CPanelView {
public:
    // Holds a reference to bitmap (which may be null).
    CPanelControl(const CRect& bounds, CControlObserver* observer, int tag, CPanelBitmap* bitmap);

    // Tracks a click in a loop: trackPress with the buttons of the press,
    // then after each idle pass trackMove with the pointer and buttons
    // polled, until trackMove answers false, then trackEnd. Window backends
    // that report the pointer's events one at a time call the steps
    // themselves instead.
    void mouseDown(CPaintContext& context, CPoint where) override;
    bool tracksInSteps() const override { return true; }
    // Lets the editor run an idle pass while the control tracks the mouse.
    void idleWhileTracking();

    void setValue(float value)
    {
        if (value != m_value)
            changed();
        m_value = value;
    }
    float value() const { return m_value; }
    void setMinimum(float minimum) { m_minimum = minimum; }
    float minimum() const { return m_minimum; }
    void setMaximum(float maximum) { m_maximum = maximum; }
    float maximum() const { return m_maximum; }
    void setPreviousValue(float value)
    {
        if (value != m_previousValue)
            changed();
        m_previousValue = value;
    }
    float previousValue() const { return m_previousValue; }
    void setDefaultValue(float value) { m_defaultValue = value; }
    float defaultValue() const { return m_defaultValue; }
    void setTag(int tag) { m_tag = tag; }
    int tag() const { return m_tag; }
    // Holds the new bitmap and drops the old one.
    void setBitmap(CPanelBitmap* bitmap);
    CPanelBitmap* bitmap() const { return m_bitmap; }
    void setBitmapOffset(CPoint offset) { m_bitmapOffset = offset; }
    // The bitmap offset becomes the view's own top-left corner.
    void alignBitmapOffset() { m_bitmapOffset = {bounds().left, bounds().top}; }
    CPoint bitmapOffset() const { return m_bitmapOffset; }
    void setWheelStep(float step) { m_wheelStep = step; }
    float wheelStep() const { return m_wheelStep; }
    // Brings the value back between minimum and maximum.
    void clampValue();

    // True while the value differs from the one last drawn, or when marked.
    bool needsPaint() const override;
    // Marked: drawn at the next idle whatever the value. Cleared: the value
    // counts as drawn.
    void markPaint(bool dirty) override;

    // True while the control follows the mouse (between the edit's start
    // and end reported to the host).
    bool tracking() const { return m_tracking; }

protected:
    ~CPanelControl() override;

    // Tells the observer the value changed.
    void notify();
    // Sets the value and tells the observer, once, if it changed.
    void changeValue(float value);
    // Report the start and end of an edit of the tag to the host.
    void beginTracking();
    void endTracking();

private:
    CControlObserver* m_observer;
    int m_tag;
    float m_previousValue = 1.0f;
    float m_defaultValue = 0.5f;
    float m_value = 0.0f;
    float m_minimum = 0.0f;
    float m_maximum = 1.0f;
    float m_wheelStep = 0.1f;
    CPanelBitmap* m_bitmap;
    CPoint m_bitmapOffset;
    bool m_tracking = false;
};
