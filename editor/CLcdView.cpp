#include "CLcdView.h"

#include "CFrameStrip.h"
#include "CPanelBitmap.h"
#include "CPanelFrame.h"

namespace {

struct LcdPart {
    int tag;
    int bitmapId;
    int left;
    int top;
    int frames;
};

constexpr int kCellBitmap = 187;
constexpr int kPointBitmap = 188;
constexpr int kCellTop = 43;
constexpr int kPointTop = 59;
constexpr int kMarkTop = 34;
constexpr int kFirstCellTag = 94;
constexpr int kFirstPointTag = 106;

// Mark places 0 to 9, left to right: E, sharp, M, K, divide, sharp,
// multiply, subtract, add, sharp.
constexpr LcdPart kMarks[CLcdView::kMarkCount] = {
    {120, 198, 248, kMarkTop, 2}, {103, 189, 283, kMarkTop, 2}, {119, 196, 290, kMarkTop, 2},
    {118, 197, 301, kMarkTop, 2}, {116, 195, 312, kMarkTop, 2}, {104, 190, 325, kMarkTop, 2},
    {117, 194, 332, kMarkTop, 2}, {115, 193, 343, kMarkTop, 2}, {114, 192, 353, kMarkTop, 2},
    {105, 191, 365, kMarkTop, 2},
};

LcdPart partAt(int index)
{
    if (index < CLcdView::kCellCount)
        return {kFirstCellTag + index, kCellBitmap, 244 + 14 * index, kCellTop, 16};
    index -= CLcdView::kCellCount;
    if (index < CLcdView::kPointCount)
        return {kFirstPointTag + index, kPointBitmap, 268 + 14 * index, kPointTop, 2};
    return kMarks[index - CLcdView::kPointCount];
}

} // namespace

CLcdView::CLcdView(CPanelFrame& frame, CControlObserver* observer)
{
    bool complete = true;
    for (int i = 0; i < kControlCount; ++i) {
        const LcdPart part = partAt(i);
        CPanelBitmap* bitmap = new CPanelBitmap(part.bitmapId);
        const int height = bitmap->height() / part.frames;
        if (bitmap->width() > 0 && height > 0) {
            CFrameStrip* strip = new CFrameStrip(CRect::fromSize(part.left, part.top, bitmap->width(), height),
                                                 observer, part.tag, part.frames, height, bitmap, {0, 0});
            if (frame.attachView(strip))
                m_controls[i] = strip;
            else
                strip->release();
        }
        bitmap->release();
        complete = complete && m_controls[i] != nullptr;
    }
    m_ready = complete;
}

float CLcdView::glyphValue(char character)
{
    switch (character) {
    case '8':
        return 0.56875f;
    case '9':
        return 0.6375f;
    case '[':
        return 0.70625f;
    case ']':
        return 0.775f;
    case '_':
        return 0.8375f;
    case '-':
        return 0.90625f;
    case '~':
        return 0.96875f;
    case '#':
    case '+':
    case ':':
    case 'e':
    case 'k':
    case 'm':
    case 's':
    case 'x':
        return 0.5f;
    default:
        if (character >= '0' && character <= '7')
            return static_cast<float>(character - '0' + 1) * 0.0625f;
        return 0.0f;
    }
}

void CLcdView::render(const LcdContent& content)
{
    if (!m_ready)
        return;
    for (int i = 0; i < kCellCount; ++i)
        cell(i)->setValue(glyphValue(content.cells[i]));
    for (int i = 0; i < kPointCount; ++i)
        point(i)->setValue((content.dotMask >> (7 - i)) & 1u ? 1.0f : 0.0f);
    for (int i = 0; i < kMarkCount; ++i)
        mark(i)->setValue(glyphValue(content.marks[i]));
}
