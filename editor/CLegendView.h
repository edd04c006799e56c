#pragma once
// A legend over the panel: a two-frame strip whose frame 1 is the label.
// Frame 0, the plain panel, is never drawn: a legend switched off lets the
// panel and the views under it show (its owner redraws that area), so that
// legends lying over each other or over keys hide nothing while off.

#include "CFrameStrip.h"

class CLegendView : public CFrameStrip {
public:
    CLegendView(const CRect& bounds, CControlObserver* observer, int tag, int frameHeight, CPanelBitmap* bitmap);

    void paint(CPaintContext& context) override;
    // Shows the plain panel again: the value 0, and the area redrawn from
    // what lies under the legend.
    void switchOff();
};
