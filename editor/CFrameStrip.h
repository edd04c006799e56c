#pragma once
// A passive picture chosen from a strip of frames by the value: with n
// frames, frame round((n - 1) x value). The legends and the LCD cells are
// made of them. It takes no clicks, so the views below it do.

#include "CPanelControl.h"

class CFrameStrip : public CPanelControl {
public:
    CFrameStrip(const CRect& bounds, CControlObserver* observer, int tag, int frameCount, int frameHeight,
                CPanelBitmap* bitmap, CPoint sourceOffset);

    void paint(CPaintContext& context) override;
    // The frame the current value shows.
    int frameIndex() const;
    int frameCount() const { return m_frameCount; }

private:
    CPoint m_sourceOffset;
    int m_frameCount;
    int m_frameHeight;
};
