#include "CJackProcess.h"

#include "CInstrument.h"
#include "CRateChange.h"
#include "PanelCodes.h"

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
    if (m_releaseRequested.exchange(false))
        releaseHeldNotes();
    takeMidi(midi);
    m_instrument.render(left, right, static_cast<std::int32_t>(frames));
}

void CJackProcess::takeMidi(const MidiInput& midi)
{
    const std::uint32_t count = midi.count();
    for (std::uint32_t i = 0; i < count; ++i) {
        MidiEvent event;
        if (midi.event(i, event) &&
            m_instrument.midiBytesIn(static_cast<std::int32_t>(event.frame), event.bytes, event.size))
            noteHeld(event);
    }
}

void CJackProcess::noteHeld(const MidiEvent& event)
{
    if (event.size < 3)
        return;
    const int kind = event.bytes[0] & 0xF0;
    const int channel = event.bytes[0] & 0x0F;
    const int key = event.bytes[1] & 0x7F;
    const std::uint64_t bit = std::uint64_t{1} << (key % 64);
    if (kind == kStatusNoteOn && event.bytes[2] != 0)
        m_held[channel][key / 64] |= bit;
    else if (kind == kStatusNoteOff || kind == kStatusNoteOn)
        m_held[channel][key / 64] &= ~bit;
    else if (kind == kStatusController && event.bytes[1] >= kControllerFirstRelease)
        m_held[channel][0] = m_held[channel][1] = 0;
}

void CJackProcess::releaseHeldNotes()
{
    for (int channel = 0; channel < kChannels; ++channel) {
        for (int word = 0; word < kKeyWords; ++word) {
            for (int key = 0; key < 64 && m_held[channel][word] != 0; ++key) {
                const std::uint64_t bit = std::uint64_t{1} << key;
                if ((m_held[channel][word] & bit) == 0)
                    continue;
                m_held[channel][word] &= ~bit;
                m_instrument.midiIn(0, static_cast<std::uint8_t>(kStatusNoteOff | channel),
                                    static_cast<std::uint8_t>(word * 64 + key), 0);
            }
        }
    }
}
