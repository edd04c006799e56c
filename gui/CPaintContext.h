#pragma once
// Draws into a pixel surface: filled and outlined rectangles and pixel copies
// (opaque or with one colour left out), shifted by a drawing offset and kept
// inside a clip rectangle. Callers work in panel coordinates; the context
// draws at its frame's scale (every panel pixel scale x scale pixels of the
// surface), and copies from sources drawn at that scale. A context on a window presents what it drew: at
// its end, or after every drawing call while a click is being handled, so
// that a control's tracking shows at once. It also answers the pointer and
// button queries of mouse tracking.

#include "GuiTypes.h"

#include <cstdint>

class CPanelFrame;
class CPixelSurface;
class CGuiWindow;
struct CRawButtons;

class CPaintContext {
public:
    enum class Presenting { atEnd, eachDraw };

    // surface may be null (the context then draws nothing), window may be
    // null (nothing is presented; no pointer, no buttons).
    CPaintContext(CPanelFrame* frame, CPixelSurface* surface, CGuiWindow* window,
                  Presenting presenting = Presenting::atEnd);
    virtual ~CPaintContext();
    CPaintContext(const CPaintContext&) = delete;
    CPaintContext& operator=(const CPaintContext&) = delete;

    void setOffset(CPoint offset) { m_offset = offset; }
    CPoint offset() const { return m_offset; }
    void setFrameColor(CColor colour) { m_frameColor = colour; }
    CColor frameColor() const { return m_frameColor; }
    void setFillColor(CColor colour) { m_fillColor = colour; }
    CColor fillColor() const { return m_fillColor; }
    void setFontColor(CColor colour) { m_fontColor = colour; }
    CColor fontColor() const { return m_fontColor; }
    void setClipRect(const CRect& clip) { m_clip = clip; }
    CRect clipRect() const { return m_clip; }
    // Surface pixels to a panel pixel along each side: 1, or 2 for the double set.
    int scale() const { return m_scale; }

    // Fills left <= x < right, top <= y < bottom with the fill colour.
    void fillRect(const CRect& rect);
    // Outlines the rectangle with the frame colour, one pixel wide; the right
    // and bottom edges are drawn at x = right and y = bottom.
    void frameRect(const CRect& rect);
    // Copies destination's size of pixels from sourcePoint of source into
    // destination; with a colour key, source pixels of that colour are left out.
    // The source is drawn at the context's scale: destination and sourcePoint
    // are panel coordinates of both.
    void copyPixels(const CPixelSurface& source, const CRect& destination, CPoint sourcePoint,
                    const std::uint32_t* colourKey = nullptr);

    // Buttons and modifiers as GuiButtonBits; 0 without a window.
    int buttons() const;
    // The buttons of the press that started the click being handled, as the
    // window reported them with the press: a click whose button is up again
    // before the press is read is still a click. Without a press given, the
    // buttons as they are now.
    void setPressButtons(int bits) { m_pressButtons = bits; }
    int pressButtons() const { return m_pressButtons >= 0 ? m_pressButtons : buttons(); }
    // The pointer relative to the window, in panel coordinates; (0, 0) without a window.
    CPoint pointerPosition() const;
    // The bits for a raw state: the primary button is left (1) and the
    // secondary right (4), whichever physical buttons the user chose.
    static int buttonBits(const CRawButtons& raw);

    CPanelFrame* frame() const { return m_frame; }
    CPixelSurface* surface() const { return m_surface; }
    // The part of the surface drawn since the last presentation (surface pixels).
    CRect damage() const { return m_damage; }
    // Adds part (panel coordinates) to the damage, as if drawn.
    void markDrawn(const CRect& part) { drawn(guiscale::toWindow(part, m_scale)); }
    // Presents the damage now.
    void flush();

protected:
    void setSurface(CPixelSurface* surface) { m_surface = surface; }

private:
    void drawn(const CRect& part);
    CRect onSurface(const CRect& rect) const
    {
        return guiscale::toWindow(rect.offset(m_offset.x, m_offset.y), m_scale);
    }

    CPoint m_offset;
    CPixelSurface* m_surface;
    CGuiWindow* m_window;
    CPanelFrame* m_frame;
    Presenting m_presenting;
    int m_scale;
    CColor m_fontColor = guicolor::kWhite;
    CColor m_frameColor = guicolor::kWhite;
    CColor m_fillColor = guicolor::kBlack;
    CRect m_clip;
    CRect m_damage;
    int m_pressButtons = -1;
};
