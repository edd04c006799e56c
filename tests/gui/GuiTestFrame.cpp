#include "GuiTestFrame.h"

#include "CGuiEditor.h"
#include "CPaintContext.h"
#include "CPanelBitmap.h"
#include "CPanelFrame.h"
#include "platform/GuiPlatform.h"

namespace guitest {
namespace {

constexpr int kAnyButton = kButtonLeft | kButtonMiddle | kButtonRight;
// A release counts only after the button was seen down or after this long:
// some systems report a fresh press late.
constexpr std::uint32_t kReleaseGrace = 100;
constexpr std::uint32_t kTrackingLimit = 5000;

struct ViewLayout {
    CRect bounds;
    int tag;
    int bitmapId;
    bool transparent;
    bool mouseEnabled;
};

const ViewLayout kViews[] = {
    {{10, 10, 50, 40}, 1, kButtonId, false, true},  {{60, 10, 108, 58}, 2, kTileId, false, true},
    {{120, 20, 152, 52}, 3, kHandleId, true, true}, {{140, 40, 180, 70}, 4, kButtonId, false, true},
    {{10, 62, 90, 112}, 6, 0, false, true},         {{20, 72, 70, 100}, 5, 0, false, false},
};

bool inside(std::uint32_t now, std::uint32_t start, std::uint32_t span)
{
    return now - start < span;
}

} // namespace

CPoint clickPoint(int tag)
{
    switch (tag) {
    case 1:
        return {30, 25};
    case 2:
        return {84, 34};
    case 3:
        return {128, 30};
    case 4:
        return {160, 60};
    case 5:
        return {45, 86};
    case 6:
        return {80, 105};
    default:
        return {195, 115};
    }
}

CToggleView::CToggleView(const CRect& bounds, int tag, int bitmapId, bool transparent)
    : CPanelView(bounds),
      m_tag(tag),
      m_bitmap(bitmapId != 0 ? new CPanelBitmap(bitmapId) : nullptr)
{
    setTransparent(transparent);
}

CToggleView::~CToggleView()
{
    if (m_bitmap != nullptr)
        m_bitmap->release();
}

void CToggleView::paint(CPaintContext& context)
{
    ++m_paints;
    const CRect r = bounds();
    if (m_bitmap == nullptr) {
        context.setFillColor(m_pressed    ? CColor{200, 120, 20, 0}
                             : m_tag == 5 ? CColor{90, 30, 110, 0}
                                          : CColor{20, 110, 140, 0});
        context.fillRect(r);
        context.setFrameColor(guicolor::kWhite);
        context.frameRect({r.left, r.top, r.right - 1, r.bottom - 1});
    } else {
        // A pressed button shows the lower half of its strip; a pressed
        // bitmap of one state is drawn shifted by two pixels.
        const bool strip = m_bitmap->height() >= 2 * r.height();
        const CPoint source{strip || !m_pressed ? 0 : 2, strip && m_pressed ? r.height() : 0};
        if (transparent())
            m_bitmap->paintTransparent(context, r, source);
        else
            m_bitmap->paint(context, r, source);
    }
    markPaint(false);
}

void CToggleView::mouseDown(CPaintContext& context, CPoint)
{
    ++m_clicks;
    m_lastButtons = context.buttons();
    CPanelFrame* panel = frame();
    panel->beginEdit(m_tag);
    const std::uint32_t start = guiplatform::tickCount();
    bool seenDown = false;
    for (;;) {
        const bool down = (context.buttons() & kAnyButton) != 0;
        seenDown = seenDown || down;
        const std::uint32_t now = guiplatform::tickCount();
        if (!down && (seenDown || !inside(now, start, kReleaseGrace)))
            break;
        if (!inside(now, start, kTrackingLimit))
            break;
        if (CGuiEditor* owner = editor())
            owner->trackingIdle();
        else
            guiplatform::sleepMilliseconds(4);
    }
    panel->endEdit(m_tag);
    m_pressed = !m_pressed;
    markPaint(true);
}

void populate(CPanelFrame& frame)
{
    CPanelBitmap* background = new CPanelBitmap(kBackgroundId);
    frame.setBackground(background);
    background->release();
    for (const ViewLayout& layout : kViews) {
        CToggleView* view = new CToggleView(layout.bounds, layout.tag, layout.bitmapId, layout.transparent);
        view->enableMouse(layout.mouseEnabled);
        if (!frame.attachView(view))
            view->release();
    }
}

} // namespace guitest
