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
    // Control-click sets the default position (0).
    void mouseDown(CPaintContext& context, CPoint where) override;

    int positionCount() const { return m_positionCount; }

private:
    CPoint m_sourceOffset; // kept; frames are always taken from the strip's left edge
    int m_frameCount;
    int m_frameHeight;
    int m_positionCount;
};
