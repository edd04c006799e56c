#include "CPaintContext.h"

#include "CPanelFrame.h"
#include "CPixelSurface.h"
#include "platform/GuiPlatform.h"

namespace {
constexpr CRect kClipWithoutFrame{0, 0, 1000, 1000};
}

CPaintContext::CPaintContext(CPanelFrame* frame, CPixelSurface* surface, CGuiWindow* window, Presenting presenting)
    : m_surface(surface),
      m_window(window),
      m_frame(frame),
      m_presenting(presenting),
      m_scale(frame != nullptr ? frame->scale() : 1),
      m_clip(frame != nullptr ? CRect{0, 0, frame->bounds().width(), frame->bounds().height()} : kClipWithoutFrame)
{
}

CPaintContext::~CPaintContext()
{
    flush();
}

void CPaintContext::fillRect(const CRect& rect)
{
    if (m_surface != nullptr)
        drawn(m_surface->fill(onSurface(rect), guiscale::toWindow(m_clip, m_scale), m_fillColor.pixel()));
}

// Each edge is one panel pixel wide: scale pixels of the surface.
void CPaintContext::frameRect(const CRect& rect)
{
    if (m_surface == nullptr)
        return;
    const CRect r = rect.offset(m_offset.x, m_offset.y);
    const std::uint32_t colour = m_frameColor.pixel();
    const CRect edges[] = {{r.left, r.top, r.right + 1, r.top + 1},
                           {r.left, r.bottom, r.right + 1, r.bottom + 1},
                           {r.left, r.top, r.left + 1, r.bottom + 1},
                           {r.right, r.top, r.right + 1, r.bottom + 1}};
    const CRect clip = guiscale::toWindow(m_clip, m_scale);
    CRect part;
    for (const CRect& edge : edges)
        part = part.unite(m_surface->fill(guiscale::toWindow(edge, m_scale), clip, colour));
    drawn(part);
}

void CPaintContext::copyPixels(const CPixelSurface& source, const CRect& destination, CPoint sourcePoint,
                               const std::uint32_t* colourKey)
{
    if (m_surface != nullptr)
        drawn(m_surface->copyFrom(source, guiscale::toWindow(sourcePoint, m_scale), onSurface(destination),
                                  guiscale::toWindow(m_clip, m_scale), colourKey));
}

int CPaintContext::buttons() const
{
    return m_window != nullptr ? buttonBits(m_window->rawButtons()) : 0;
}

CPoint CPaintContext::pointerPosition() const
{
    return m_window != nullptr ? guiscale::toPanel(m_window->pointerPosition(), m_scale) : CPoint{};
}

int CPaintContext::buttonBits(const CRawButtons& raw)
{
    const bool primary = raw.swapped ? raw.right : raw.left;
    const bool secondary = raw.swapped ? raw.left : raw.right;
    return (primary ? kButtonLeft : 0) | (raw.middle ? kButtonMiddle : 0) | (secondary ? kButtonRight : 0) |
           (raw.shift ? kModifierShift : 0) | (raw.control ? kModifierControl : 0) | (raw.alt ? kModifierAlt : 0);
}

void CPaintContext::drawn(const CRect& part)
{
    m_damage = m_damage.unite(part);
    if (m_presenting == Presenting::eachDraw)
        flush();
}

void CPaintContext::flush()
{
    if (m_window != nullptr && m_surface != nullptr && !m_damage.isEmpty())
        m_window->present(*m_surface, m_damage);
    m_damage = {};
}
