#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

class CInstrument;
class CRateChange;

// The JACK front's work for one block on the audio thread, apart from
// libjack so that it can run on buffers of a caller's own: a block left
// silent while a rate change is applied, else the block's MIDI channel
// messages handed to the instrument at their frames and the instrument
// rendered into the two outputs. It keeps the notes the MIDI input holds, to
// release them when the input loses its connections. It allocates nothing,
// takes no lock and waits for nothing.
class CJackProcess {
public:
    // One MIDI message of the block: its frame and its bytes.
    struct MidiEvent {
        std::uint32_t frame = 0;
        const std::uint8_t* bytes = nullptr;
        std::size_t size = 0;
    };
    // The block's MIDI input (libjack's port buffer, or a test's events).
    class MidiInput {
    public:
        virtual std::uint32_t count() const = 0;
        // False: no event at index.
        virtual bool event(std::uint32_t index, MidiEvent& event) const = 0;

    protected:
        ~MidiInput() = default;
    };

    CJackProcess(CInstrument& instrument, CRateChange& rateChange);

    void run(float* left, float* right, std::uint32_t frames, const MidiInput& midi);
    // Any thread: the MIDI input lost its last connection, so the notes it
    // holds will get no note-off. The next block releases them (the voice
    // stops, the panel draws the keys up); notes held otherwise (the panel,
    // the computer keyboard) stay.
    void releaseInputNotes() { m_releaseRequested.store(true); }

private:
    static constexpr int kChannels = 16;
    static constexpr int kKeyWords = 2; // 128 keys in 64-bit words

    void takeMidi(const MidiInput& midi);
    // Notes on and off as they pass, by channel and key.
    void noteHeld(const MidiEvent& event);
    void releaseHeldNotes();

    CInstrument& m_instrument;
    CRateChange& m_rateChange;
    std::atomic<bool> m_releaseRequested{false};
    // The notes the MIDI input holds (audio thread only).
    std::uint64_t m_held[kChannels][kKeyWords] = {};
};
