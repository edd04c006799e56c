#include "GuiTestSupport.h"

#include "CPanelFrame.h"

namespace guitest {
namespace {

void put16(Bytes& b, unsigned v)
{
    b.push_back(static_cast<unsigned char>(v));
    b.push_back(static_cast<unsigned char>(v >> 8));
}

void put32(Bytes& b, std::uint32_t v)
{
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

} // namespace

Bytes makeBmp(int width, int height, int bitCount, std::uint32_t compression, const std::vector<std::uint32_t>& palette,
              const Bytes& pixelData, bool fileHeader, const std::vector<std::uint32_t>& masks)
{
    Bytes info;
    put32(info, 40);
    put32(info, static_cast<std::uint32_t>(width));
    put32(info, static_cast<std::uint32_t>(height));
    put16(info, 1);
    put16(info, static_cast<unsigned>(bitCount));
    put32(info, compression);
    put32(info, static_cast<std::uint32_t>(pixelData.size()));
    put32(info, 2835);
    put32(info, 2835);
    put32(info, static_cast<std::uint32_t>(palette.size()));
    put32(info, 0);
    for (std::uint32_t mask : masks)
        put32(info, mask);
    for (std::uint32_t colour : palette)
        put32(info, colour); // 0x00RRGGBB is the B, G, R, 0 byte order of a palette entry
    Bytes out;
    if (fileHeader) {
        const std::uint32_t offset = static_cast<std::uint32_t>(14 + info.size());
        out.push_back('B');
        out.push_back('M');
        put32(out, static_cast<std::uint32_t>(offset + pixelData.size()));
        put32(out, 0);
        put32(out, offset);
    }
    out.insert(out.end(), info.begin(), info.end());
    out.insert(out.end(), pixelData.begin(), pixelData.end());
    return out;
}

Bytes packRows(int width, int height, int bitCount, const std::function<std::uint32_t(int, int)>& pixel)
{
    const bool topDown = height < 0;
    const int rows = topDown ? -height : height;
    Bytes out;
    for (int r = 0; r < rows; ++r) {
        const int y = topDown ? r : rows - 1 - r;
        const std::size_t start = out.size();
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = pixel(x, y);
            if (bitCount == 8) {
                out.push_back(static_cast<unsigned char>(p));
            } else {
                out.push_back(static_cast<unsigned char>(p));
                out.push_back(static_cast<unsigned char>(p >> 8));
                out.push_back(static_cast<unsigned char>(p >> 16));
                if (bitCount == 32)
                    out.push_back(0xA5); // the fourth byte is not colour
            }
        }
        while ((out.size() - start) % 4 != 0)
            out.push_back(0);
    }
    return out;
}

Bytes bmpFile(int width, int height, int bitCount, const std::function<std::uint32_t(int, int)>& pixel,
              const std::vector<std::uint32_t>& palette)
{
    return makeBmp(width, height, bitCount, 0, palette, packRows(width, height, bitCount, pixel));
}

void CRecordingHost::adoptEditor(CEditorView* adopted, bool showEditor)
{
    editor = static_cast<CGuiEditor*>(adopted);
    shown = showEditor;
    adopted->setListener(this);
}

void CRecordingHost::idleHost()
{
    ++masterIdles;
    if (editor == nullptr || !editor->insideHostIdle())
        ++masterIdlesOutsideGuard;
    if (duringMasterIdle)
        duringMasterIdle();
    if (idleEditorInMasterIdle && editor != nullptr)
        editor->idle();
}

CRecordingView::CRecordingView(const CRect& bounds, std::uint32_t c)
    : CPanelView(bounds),
      colour(c)
{
}

void CRecordingView::paint(CPaintContext& context)
{
    ++paints;
    context.setFillColor({static_cast<std::uint8_t>(colour >> 16), static_cast<std::uint8_t>(colour >> 8),
                          static_cast<std::uint8_t>(colour), 0});
    context.fillRect(bounds());
    markPaint(false);
}

void CRecordingView::mouseDown(CPaintContext& context, CPoint where)
{
    ++clicks;
    lastButtons = context.buttons();
    lastWhere = where;
}

int CRecordingView::keyDown(const CKeyCode&)
{
    ++keys;
    return keyAnswer;
}

bool CRecordingView::dropItems(const char* const* items, int count, int type, CPoint)
{
    if (!acceptDrops)
        return false;
    dropped.assign(items, items + count);
    droppedType = type;
    return true;
}

} // namespace guitest
