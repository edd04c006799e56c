#pragma once
// The frame that the GUI tests show: the same in the headless tests, in the
// test plug-in under X11 and under Windows, so that their pixels can be
// compared exactly. Background bitmap 300 with six views:
//   tag 1  button (bitmap 301, opaque)            tag 2  tile (303, opaque)
//   tag 3  handle (302, transparent)              tag 4  button over the handle's corner
//   tag 6  filled box                             tag 5  box over it, mouse disabled
// A click on a view toggles it: it tracks the buttons until they are up
// (letting the editor idle), reports the edit of its tag to the host, and is
// redrawn pressed (or released) at the next idle.

#include "CPanelView.h"

class CGuiEditor;
class CPanelBitmap;
class CPanelFrame;

namespace guitest {

constexpr int kFrameWidth = 200;
constexpr int kFrameHeight = 120;
constexpr int kBackgroundId = 300;
constexpr int kButtonId = 301;
constexpr int kHandleId = 302;
constexpr int kTileId = 303;

// Where to click to reach each tag's view (the points are in the view's part
// that nothing covers; tag 5's point lies over tag 6).
CPoint clickPoint(int tag);

// A view that draws a bitmap or a filled box and toggles when clicked.
class CToggleView : public CPanelView {
public:
    // bitmapId 0: a filled box.
    CToggleView(const CRect& bounds, int tag, int bitmapId, bool transparent);

    void paint(CPaintContext& context) override;
    void mouseDown(CPaintContext& context, CPoint where) override;

    int tag() const { return m_tag; }
    bool pressed() const { return m_pressed; }
    int clicks() const { return m_clicks; }
    int paints() const { return m_paints; }
    int lastButtons() const { return m_lastButtons; }

protected:
    ~CToggleView() override;

private:
    int m_tag;
    CPanelBitmap* m_bitmap;
    bool m_pressed = false;
    int m_clicks = 0;
    int m_paints = 0;
    int m_lastButtons = 0;
};

// Builds the test frame's content into frame (background and views).
void populate(CPanelFrame& frame);

} // namespace guitest
