#pragma once

#include "CJackProcess.h"
#include "CMpscRing.h"
#include "CRateChange.h"
#include "CStandaloneFront.h"
#include "ProductIdentity.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

class CInstrument;
// libasound's types, declared as its header does.
struct _snd_pcm;
struct _snd_seq;
struct snd_midi_event;

// The ALSA front: the instrument played on an ALSA playback device (the
// system's default device reaches PipeWire or PulseAudio on a desktop), the
// voice left and the rhythm box right, with MIDI from a port of its own on
// the ALSA sequencer where there is one. A thread of its own renders a
// period at a time and writes it to the device, which paces it; the
// sequencer's events come through a thread that reads them and a lock-free
// ring the audio thread empties before each period. The audio thread
// allocates nothing, takes no lock and waits only for the device.
class CAlsaPlayer final : private CStandaloneFront {
public:
    struct Options {
        // The playback device, as ALSA names them ("default", "hw:1", a name
        // from ~/.asoundrc).
        std::string device = "default";
        // The sequencer client's name.
        std::string clientName = product::kClientName;
        // A sequencer port to connect to the input ("client:port", or a
        // client's name); empty: none.
        std::string midiSource;
    };

    explicit CAlsaPlayer(CInstrument& instrument);
    ~CAlsaPlayer();
    CAlsaPlayer(const CAlsaPlayer&) = delete;
    CAlsaPlayer& operator=(const CAlsaPlayer&) = delete;

    // Opens and sets up the device, sets the instrument's rate and starts the
    // audio thread; false with the reason in message. A missing sequencer or a
    // MIDI connection that fails leaves a notice in notice and still plays.
    bool open(const Options& options, std::string& message, std::string& notice);
    // Stops the audio thread and closes the device and the sequencer.
    void close();
    bool isOpen() const { return m_pcm != nullptr; }
    // The audio thread stopped on an error the device did not recover from
    // (unplugged, its server gone); the reason in failure().
    bool failed() const { return m_failed.load(); }
    std::string failure() const;
    // What plays: the device, its rate and format.
    std::string description() const;
    // On the main thread: what the instrument holds for its front.
    void deliverNotices();

    // Interleaves two channels into 16-bit samples, clipped to full scale.
    static void interleave16(const float* left, const float* right, std::int16_t* out, std::uint32_t frames);
    static void interleaveFloat(const float* left, const float* right, float* out, std::uint32_t frames);

private:
    // A sequencer event as channel-message bytes.
    struct MidiMessage {
        std::uint8_t bytes[3] = {};
        std::uint8_t size = 0;
    };
    static constexpr std::uint32_t kMidiCapacity = 512;

    bool configure(std::string& message);
    void openSequencer(const Options& options, std::string& notice);
    void closeSequencer();
    void audioLoop();
    bool writePeriod();
    void midiLoop();

    CInstrument& m_instrument;
    std::string m_device;
    _snd_pcm* m_pcm = nullptr;
    bool m_float = true;
    unsigned m_rate = 0;
    std::uint32_t m_period = 0;
    // The period's buffers, made before the audio thread starts.
    std::vector<float> m_left, m_right, m_interleavedFloat;
    std::vector<std::int16_t> m_interleaved16;
    std::thread m_audioThread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_failed{false};
    std::atomic<int> m_error{0};

    _snd_seq* m_seq = nullptr;
    snd_midi_event* m_decoder = nullptr;
    std::thread m_midiThread;
    std::atomic<bool> m_midiStop{false};
    CMpscRing<MidiMessage, kMidiCapacity> m_midi;
    // The events of one period, as the process step reads them.
    MidiMessage m_block[kMidiCapacity];

    // Never announced: the device's rate stays as it was opened.
    CRateChange m_rateChange;
    CJackProcess m_process;
};
