#pragma once
// A momentary key: 1 while held down with the mouse, 0 otherwise. Drawn from
// a strip of two frames (at rest, pressed). Used for the keyboard keys and
// the function buttons.

#include "CPanelControl.h"

class CKeyButton : public CPanelControl {
public:
    CKeyButton(const CRect& bounds, CControlObserver* observer, int tag, int frameHeight, CPanelBitmap* bitmap,
               CPoint sourceOffset);

    void paint(CPaintContext& context) override;
    // A plain left click follows the pointer until the button is released:
    // 1 over the key, 0 off it, and 0 at the end. A click with a modifier or
    // another button held reports 1 and 0 at once.
    bool trackPress(CPaintContext& context, CPoint where, int buttons) override;
    // Any change of buttons or modifiers ends the tracking.
    bool trackMove(CPaintContext& context, CPoint where, int buttons) override;
    void trackEnd(CPaintContext& context) override;

private:
    void follow(CPoint where);

    float m_atClick = 0.0f;
    CPoint m_sourceOffset;
    int m_frameHeight;
};
