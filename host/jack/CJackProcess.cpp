#include "CJackProcess.h"

#include "CInstrument.h"
#include "CRateChange.h"

#include <cstring>

CJackProcess::CJackProcess(CInstrument& instrument, CRateChange& rateChange)
    : m_instrument(instrument),
      m_rateChange(rateChange)
{
}

void CJackProcess::run(float* left, float* right, std::uint32_t frames, const MidiInput& midi)
{
    if (m_rateChange.silenceBlock()) {
        std::memset(left, 0, frames * sizeof(float));
        std::memset(right, 0, frames * sizeof(float));
        return;
    }
    takeMidi(midi);
    m_instrument.render(left, right, static_cast<std::int32_t>(frames));
}

void CJackProcess::takeMidi(const MidiInput& midi)
{
    const std::uint32_t count = midi.count();
    for (std::uint32_t i = 0; i < count; ++i) {
        MidiEvent event;
        if (midi.event(i, event))
            m_instrument.midiBytesIn(static_cast<std::int32_t>(event.frame), event.bytes, event.size);
    }
}
