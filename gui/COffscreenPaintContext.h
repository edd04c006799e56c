#pragma once
// A paint context with a surface of its own, filled with a background colour
// at construction; a view draws into it and copies the result to a window's
// context in one piece. It allocates only when made, so a view that keeps
// one redraws without allocating.

#include "CPaintContext.h"
#include "CPixelSurface.h"

class COffscreenPaintContext : public CPaintContext {
public:
    COffscreenPaintContext(CPanelFrame* frame, int width, int height, CColor background);
    ~COffscreenPaintContext() override;

    // Its size in panel coordinates; its pixels are at the frame's scale.
    int width() const { return m_pixels.width() / scale(); }
    int height() const { return m_pixels.height() / scale(); }
    CColor backgroundColor() const { return m_background; }
    const CPixelSurface& pixels() const { return m_pixels; }

    // Copies destination's size of pixels from sourcePoint of this context
    // into destination, shifted by the target's offset.
    void copyTo(CPaintContext& target, const CRect& destination, CPoint sourcePoint) const;

private:
    CPixelSurface m_pixels;
    CColor m_background;
};
