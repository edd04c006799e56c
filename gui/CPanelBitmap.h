#pragma once
// A reference-counted picture from the module's bitmap resources (or from BMP
// data in memory), drawn opaquely or with the transparent colour left out. A
// picture that cannot be found or read is 0 x 0 and draws nothing.
//
// The resources come in two sets: the panel at its own size, and the same
// pictures drawn at twice the size (every size and place doubled) under the
// ids of the first set plus kDoubleSizeIdOffset. The build reads the offset
// from this header (gui/BitmapResources.cmake), so it is defined here only.
//
// Views load the first set, whose sizes are panel coordinates; a context at
// scale 2 draws the same id's double picture, read when first needed (where
// the module has none, an enlargement of the picture).

#include "CPixelSurface.h"
#include "GuiTypes.h"

#include <atomic>
#include <cstddef>

class CPaintContext;

class CPanelBitmap {
public:
    // Resource id of the double-size picture of id: id + kDoubleSizeIdOffset.
    static constexpr int kDoubleSizeIdOffset = 1000;

    // Loads the bitmap resource id (of the first set). Count 1.
    explicit CPanelBitmap(int resourceId);
    // Loads the picture of resource id for a window drawn at the given scale:
    // 2 or more takes the double-size set, anything less the first. resourceId()
    // stays id, scale() tells which set was asked for (1 or 2). Count 1.
    CPanelBitmap(int resourceId, int scale);
    // Reads BMP data (a whole file, or a resource without the file header); id 0.
    CPanelBitmap(const unsigned char* bmpData, std::size_t size);
    CPanelBitmap(const CPanelBitmap&) = delete;
    CPanelBitmap& operator=(const CPanelBitmap&) = delete;

    void retain();
    // Drops one reference; the last one destroys the bitmap.
    void release();
    int referenceCount() const { return m_referenceCount; }

    int resourceId() const { return m_resourceId; }
    int scale() const { return m_scale; }
    int width() const { return m_pixels.width(); }
    int height() const { return m_pixels.height(); }
    CColor transparentColor() const { return m_transparentColor; }
    const CPixelSurface& pixels() const { return m_pixels; }
    // The pixels to draw in a context of that scale: a first-set picture's
    // double at 2, else its own.
    const CPixelSurface& pixelsAt(int scale) const;

    // Copies destination's size from sourcePoint into destination (shifted
    // by the context's offset).
    void paint(CPaintContext& context, const CRect& destination, CPoint sourcePoint) const;
    // The same, leaving out the pixels of the transparent colour.
    void paintTransparent(CPaintContext& context, const CRect& destination, CPoint sourcePoint) const;

    // Bitmaps alive in the process (for leak checks).
    static int liveCount() { return s_live.load(); }

private:
    ~CPanelBitmap();

    void readDoubleSet() const;

    int m_resourceId;
    int m_scale = 1;
    int m_referenceCount = 1;
    CColor m_transparentColor = guicolor::kTransparent;
    CPixelSurface m_pixels;
    mutable CPixelSurface m_doublePixels;
    mutable bool m_doubleRead = false;
    static std::atomic<int> s_live;
};
