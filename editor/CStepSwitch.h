#pragma once
// A switch with a few positions side by side (the Program, Octave and Mode
// switches): the pointer's x picks the position, in equal slices of the
// bitmap's width, while the button is held. The value of position p is
// p / (positions - 1); each position has its own picture in the strip.

#include "CPanelControl.h"

class CStepSwitch : public CPanelControl {
public:
    CStepSwitch(const CRect& bounds, CControlObserver* observer, int tag, int frameCount, int frameHeight,
                int positionCount, CPanelBitmap* bitmap, CPoint sourceOffset);

    void paint(CPaintContext& context) override;
    // Control-click sets the default position (0). Otherwise the switch
    // follows the pointer while the buttons and modifiers of the click stay.
    bool trackPress(CPaintContext& context, CPoint where, int buttons) override;
    bool trackMove(CPaintContext& context, CPoint where, int buttons) override;
    void trackEnd(CPaintContext& context) override;

    int positionCount() const { return m_positionCount; }

private:
    void follow(CPoint where);

    CPoint m_sourceOffset; // kept; frames are always taken from the strip's left edge
    int m_frameCount;
    int m_frameHeight;
    int m_positionCount;
    int m_atClick = 0; // the buttons of the click being tracked
};
