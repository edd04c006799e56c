#include "CEditorNotices.h"

void CEditorNotices::parameterApplied(int index)
{
    if (index >= 0 && index < kParameters) {
        m_parameters.fetch_or(1u << index, std::memory_order_release);
        changed();
    }
}

void CEditorNotices::keyChanged(int key, bool down)
{
    const int place = key - kFirstKey;
    if (place < 0 || place >= kKeys)
        return;
    const uint32_t bit = 1u << place;
    // Only the audio thread writes the key state, so a load and a store suffice.
    const uint32_t state = m_keysDown.load(std::memory_order_relaxed);
    m_keysDown.store(down ? (state | bit) : (state & ~bit), std::memory_order_release);
    if (down)
        m_keysPressed.fetch_or(bit, std::memory_order_release);
    changed();
}

CEditorNotices::Taken CEditorNotices::take()
{
    Taken taken;
    taken.parameters = m_parameters.exchange(0, std::memory_order_acquire);
    const uint32_t pressed = m_keysPressed.exchange(0, std::memory_order_acquire);
    const uint32_t down = m_keysDown.load(std::memory_order_acquire);
    taken.keysShownDown = pressed | down;
    taken.keysUpAgain = pressed & ~down;
    return taken;
}
