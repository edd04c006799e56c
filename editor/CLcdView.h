#pragma once
// The LCD on the panel: nine character cells, eight decimal points and ten
// marks, each a frame strip on the editor's frame (which owns them). The
// display model renders its content into them (CDisplayCells) on the
// editor's thread; a cell is redrawn at the next idle when its glyph changed.

#include "CDisplayCells.h"

class CControlObserver;
class CFrameStrip;
class CPanelFrame;

class CLcdView : public CDisplayCells {
public:
    static constexpr int kCellCount = LcdContent::kCells;
    static constexpr int kPointCount = 8;
    static constexpr int kMarkCount = LcdContent::kMarks;
    static constexpr int kControlCount = kCellCount + kPointCount + kMarkCount;

    // Creates the controls and attaches them to frame. A control whose
    // bitmap cannot be loaded is left out, and the view is then not ready.
    CLcdView(CPanelFrame& frame, CControlObserver* observer);
    CLcdView(const CLcdView&) = delete;
    CLcdView& operator=(const CLcdView&) = delete;

    bool isReady() const override { return m_ready; }
    void render(const LcdContent& content) override;

    // The control value that shows a character: a frame of the 16-frame
    // character strip (0 blank, 1 to 10 the digits, 11 to 15 "[]_-~"), or
    // the lit frame (0.5) of a two-frame mark for any mark character.
    static float glyphValue(char character);

    CFrameStrip* cell(int index) const { return m_controls[index]; }
    CFrameStrip* point(int index) const { return m_controls[kCellCount + index]; }
    CFrameStrip* mark(int place) const { return m_controls[kCellCount + kPointCount + place]; }

private:
    CFrameStrip* m_controls[kControlCount] = {};
    bool m_ready = false;
};
