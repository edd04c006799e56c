#pragma once
// A reference-counted picture from the module's bitmap resources (or from BMP
// data in memory), drawn opaquely or with the transparent colour left out. A
// picture that cannot be found or read is 0 x 0 and draws nothing.
//
// Its size is in panel coordinates. A context at scale 2 draws the double
// set's bitmap of the same id (resource id + kDoubleSetIdOffset), read when
// first needed; where the module has none, an enlargement of the picture.

#include "CPixelSurface.h"
#include "GuiTypes.h"

#include <atomic>
#include <cstddef>

class CPaintContext;

// The double set's resource ids are the first set's plus this.
constexpr int kDoubleSetIdOffset = 1000;

class CPanelBitmap {
public:
    // Loads the bitmap resource id. Count 1.
    explicit CPanelBitmap(int resourceId);
    // Reads BMP data (a whole file, or a resource without the file header); id 0.
    CPanelBitmap(const unsigned char* bmpData, std::size_t size);
    CPanelBitmap(const CPanelBitmap&) = delete;
    CPanelBitmap& operator=(const CPanelBitmap&) = delete;

    void retain();
    // Drops one reference; the last one destroys the bitmap.
    void release();
    int referenceCount() const { return m_referenceCount; }

    int resourceId() const { return m_resourceId; }
    int width() const { return m_pixels.width(); }
    int height() const { return m_pixels.height(); }
    CColor transparentColor() const { return m_transparentColor; }
    const CPixelSurface& pixels() const { return m_pixels; }
    // The picture's pixels for a context of that scale (1 or 2).
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
    int m_referenceCount = 1;
    CColor m_transparentColor = guicolor::kTransparent;
    CPixelSurface m_pixels;
    mutable CPixelSurface m_doublePixels;
    mutable bool m_doubleRead = false;
    static std::atomic<int> s_live;
};
