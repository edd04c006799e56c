#pragma once

#include "PanelCodes.h"

#include <atomic>
#include <cstdint>

// The parameters whose value the instrument changed itself (a program change
// by MIDI or by its own melody, the sound values a program brings, a tempo
// step from the panel) and that the host has not yet been told of. The audio
// thread marks them without waiting; a host thread takes them and tells the
// host, so a value changed again before the take is told once, as it stands.
class CHostNotices {
public:
    // Any thread; indexes outside the parameters are ignored.
    void changed(int index);
    // The host has set the parameter itself, so it knows the value.
    void known(int index);
    bool pending() const { return m_parameters.load(std::memory_order_acquire) != 0; }
    // The host's thread: bit i set means parameter i changed since the last take.
    std::uint32_t take() { return m_parameters.exchange(0, std::memory_order_acq_rel); }

private:
    std::atomic<std::uint32_t> m_parameters{0};
};
