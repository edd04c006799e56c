#include "CLegendSet.h"

#include "CLegendView.h"
#include "CPanelBitmap.h"
#include "CPanelFrame.h"

namespace {

struct LegendRow {
    int id;
    int bitmapId;
    int left;
    int top;
    bool play, rec, cal, off;
};

constexpr LegendRow kLegends[CLegendSet::kCount] = {
    {121, 209, 400, 5, true, true, false, false}, // min - Volume - max
    {122, 210, 493, 5, true, true, false, false}, // rhythm - Balance - melody
    {123, 211, 563, 5, true, true, false, false}, // Octave
    {124, 212, 610, 5, true, true, false, false}, // the six programs
    {125, 213, 757, 5, true, true, true, true}, // Play - Rec - Cal - Off
    {126, 214, 444, 47, true, true, false, false}, // Reset
    {127, 215, 488, 47, false, true, false, false}, // Del
    {128, 216, 504, 47, true, true, false, false}, // Tempo up
    {129, 217, 532, 47, true, true, false, false}, // Tempo down
    {130, 218, 584, 47, true, true, false, false}, // Rhythm
    {131, 219, 628, 47, false, true, false, false}, // ML-C
    {132, 220, 663, 47, true, true, false, false}, // Music
    {133, 221, 690, 47, true, true, false, false}, // Auto Play
    {134, 222, 736, 61, true, true, false, false}, // One Key Play (button 93)
    {135, 222, 736, 61, true, true, false, false}, // One Key Play (button 92)
    {136, 224, 454, 47, false, false, true, false}, // calculator labels over the function buttons
    {137, 225, 251, 194, false, false, true, false}, // calculator labels under the white keys
    {138, 226, 312, 128, false, false, false, false}, // rhythm names (the rhythm-digit wait)
    {139, 227, 770, 67, false, false, true, false}, // M+
};
constexpr int kLegendFrames = 2;

} // namespace

CLegendSet::~CLegendSet()
{
    clear(nullptr);
}

void CLegendSet::build(CControlObserver* observer)
{
    clear(nullptr);
    for (int i = 0; i < kCount; ++i) {
        const LegendRow& row = kLegends[i];
        Entry& e = m_entries[i];
        e = {row.id, row.bitmapId, kLegendFrames, row.left, row.top, {row.play, row.rec, row.cal, row.off}, nullptr};
        CPanelBitmap* bitmap = new CPanelBitmap(row.bitmapId);
        const int height = bitmap->height() / kLegendFrames;
        if (bitmap->width() > 0 && height > 0)
            e.view = new CLegendView(CRect::fromSize(row.left, row.top, bitmap->width(), height), observer, row.id,
                                     height, bitmap);
        bitmap->release();
    }
    m_initialised = true;
}

void CLegendSet::clear(CPanelFrame* frame)
{
    for (Entry& e : m_entries) {
        if (e.view == nullptr)
            continue;
        if (frame != nullptr)
            frame->detachView(e.view, true);
        e.view->release();
        e.view = nullptr;
    }
    m_initialised = false;
}

CLegendSet::Entry* CLegendSet::entry(int id)
{
    if (id < kFirstId || id > kLastId)
        return nullptr;
    return &m_entries[id - kFirstId];
}

const CLegendSet::Entry* CLegendSet::entry(int id) const
{
    if (id < kFirstId || id > kLastId)
        return nullptr;
    return &m_entries[id - kFirstId];
}

CLegendView* CLegendSet::view(int id) const
{
    const Entry* e = entry(id);
    return e != nullptr ? e->view : nullptr;
}

bool CLegendSet::shownInMode(int id, int mode) const
{
    const Entry* e = entry(id);
    return e != nullptr && mode >= 0 && mode < kModes && e->modes[mode];
}

void CLegendSet::attach(CPanelFrame& frame, int id)
{
    CLegendView* legend = view(id);
    if (legend == nullptr || frame.hasView(legend))
        return;
    // The frame's reference; the set keeps its own.
    legend->retain();
    if (!frame.attachView(legend)) {
        legend->release();
        return;
    }
    legend->markPaint(true);
}

void CLegendSet::detach(CPanelFrame& frame, int id)
{
    CLegendView* legend = view(id);
    if (legend == nullptr || !frame.hasView(legend))
        return;
    frame.detachView(legend, true);
    frame.redrawArea(legend->bounds());
}

void CLegendSet::attachMode(CPanelFrame& frame, int mode)
{
    for (int id = kFirstId; id <= kLastId; ++id)
        if (shownInMode(id, mode))
            attach(frame, id);
}

void CLegendSet::detachMode(CPanelFrame& frame, int mode)
{
    for (int id = kFirstId; id <= kLastId; ++id)
        if (shownInMode(id, mode))
            detach(frame, id);
}

void CLegendSet::switchOn(int id, int mode)
{
    if (!m_initialised)
        return;
    Entry* e = entry(id);
    if (e == nullptr || mode < 0 || mode >= kModes) {
        for (int each = kFirstId; each <= kLastId; ++each)
            switchOff(each);
        return;
    }
    if (e->view != nullptr)
        e->view->setValue(e->modes[mode] ? 1.0f / static_cast<float>(e->frames) : 0.0f);
}

void CLegendSet::switchOff(int id)
{
    if (!m_initialised)
        return;
    if (CLegendView* legend = view(id))
        legend->switchOff();
}
