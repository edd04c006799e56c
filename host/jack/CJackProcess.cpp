#include "CJackProcess.h"

#include "CInstrument.h"
#include "CRateChange.h"

#include <cstring>

namespace {

// A channel message of one to three bytes; system messages are not the
// instrument's.
bool isChannelMessage(const CJackProcess::MidiEvent& event)
{
    return event.bytes != nullptr && event.size >= 1 && event.size <= 3 && event.bytes[0] >= 0x80 &&
           event.bytes[0] < 0xF0;
}

} // namespace

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
        if (!midi.event(i, event) || !isChannelMessage(event))
            continue;
        const std::uint8_t data1 = event.size > 1 ? event.bytes[1] : 0;
        const std::uint8_t data2 = event.size > 2 ? event.bytes[2] : 0;
        m_instrument.midiIn(static_cast<std::int32_t>(event.frame), event.bytes[0], data1, data2);
    }
}
