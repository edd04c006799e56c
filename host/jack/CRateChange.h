#pragma once

#include <atomic>
#include <chrono>
#include <functional>

// A sample-rate change that the JACK server announces on a thread of its
// own, carried to the main thread and applied there between two blocks that
// the audio thread leaves silent, so that the instrument never renders while
// its rate changes and the audio thread never waits. The main thread waits
// (briefly) for the audio thread instead; if no block comes, the rate stays
// pending for the next try.
class CRateChange {
public:
    // Main thread, before the audio starts: the rate the instrument runs at,
    // nothing pending.
    void start(float rate)
    {
        m_rate = rate;
        m_pending.store(0.0f);
        m_silence.store(false);
    }

    // Any thread: the server's new rate.
    void announce(float rate) { m_pending.store(rate); }

    // Audio thread, at the start of each block: true when the block must be
    // left silent (a change is being applied).
    bool silenceBlock()
    {
        if (!m_silence.load())
            return false;
        m_silenced.store(true);
        return true;
    }

    // Main thread: applies a pending rate through apply (false: refused, the
    // rate stays as it was) once a silent block has begun, waiting at most
    // wait for it. Answers whether a change is still pending.
    bool applyPending(const std::function<bool(float)>& apply, std::chrono::milliseconds wait);

    float rate() const { return m_rate; }

private:
    std::atomic<float> m_pending{0.0f};
    std::atomic<bool> m_silence{false};
    std::atomic<bool> m_silenced{false};
    float m_rate = 0.0f;
};
