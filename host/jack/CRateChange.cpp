#include "CRateChange.h"

#include <thread>

bool CRateChange::applyPending(const std::function<bool(float)>& apply, std::chrono::milliseconds wait)
{
    const float rate = m_pending.load();
    if (rate == 0.0f)
        return false;
    if (rate == m_rate) {
        // The rate already in use (the server announces it when the client
        // sets its callback).
        float expected = rate;
        m_pending.compare_exchange_strong(expected, 0.0f);
        return m_pending.load() != 0.0f;
    }
    m_silenced.store(false);
    m_silence.store(true);
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (!m_silenced.load() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const bool silenced = m_silenced.load();
    if (silenced) {
        // The newest rate, should the server have announced another meanwhile.
        const float newest = m_pending.exchange(0.0f);
        if (apply(newest))
            m_rate = newest;
    }
    m_silence.store(false);
    return !silenced;
}
