#include "CJackPlayer.h"

#include "CInstrument.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <chrono>

namespace {

constexpr const char* kVoicePortName = "voice";
constexpr const char* kRhythmPortName = "rhythm";
constexpr const char* kMidiPortName = "midi_in";
// How long the main thread waits, at one rate change, for the process
// callback to go silent before it tries again at its next pass.
constexpr auto kSilenceWait = std::chrono::milliseconds(200);

// A MIDI port's buffer for one block, as the process step reads it.
class CPortMidi final : public CJackProcess::MidiInput {
public:
    explicit CPortMidi(void* buffer)
        : m_buffer(buffer)
    {
    }
    std::uint32_t count() const override { return jack_midi_get_event_count(m_buffer); }
    bool event(std::uint32_t index, CJackProcess::MidiEvent& event) const override
    {
        jack_midi_event_t jackEvent{};
        if (jack_midi_event_get(&jackEvent, m_buffer, index) != 0)
            return false;
        event.frame = jackEvent.time;
        event.bytes = jackEvent.buffer;
        event.size = jackEvent.size;
        return true;
    }

private:
    void* m_buffer;
};

// libjack reports a missing server on stderr at each try; the player says it
// in its own words, once, and tries again every few seconds.
void quietJack(const char*)
{
}

} // namespace

CJackPlayer::CJackPlayer(CInstrument& instrument)
    : m_instrument(instrument),
      m_process(instrument, m_rateChange)
{
    m_instrument.attachFront(this);
}

CJackPlayer::~CJackPlayer()
{
    close();
    m_instrument.attachFront(nullptr);
}

CJackPlayer::OpenResult CJackPlayer::open(const Options& options, std::string& message)
{
    close();
    jack_set_error_function(&quietJack);
    jack_set_info_function(&quietJack);
    jack_status_t status{};
    m_client = jack_client_open(options.clientName.c_str(), JackNoStartServer, &status);
    if (m_client == nullptr) {
        if ((status & JackServerFailed) != 0)
            return OpenResult::kNoServer;
        message = "the JACK server refused the client \"" + options.clientName + "\"";
        return OpenResult::kFailed;
    }
    if (!registerPorts(message)) {
        close();
        return OpenResult::kFailed;
    }
    // Not active yet: the process callback cannot run beside this call.
    const float rate = static_cast<float>(jack_get_sample_rate(m_client));
    m_instrument.setSampleRate(rate);
    m_rateChange.start(rate);
    jack_set_process_callback(m_client, &CJackPlayer::processCallback, this);
    jack_set_sample_rate_callback(m_client, &CJackPlayer::sampleRateCallback, this);
    jack_on_shutdown(m_client, &CJackPlayer::shutdownCallback, this);
    m_midiConnections = 0;
    jack_set_port_connect_callback(m_client, &CJackPlayer::portConnectCallback, this);
    if (jack_activate(m_client) != 0) {
        message = "the JACK server did not activate the client";
        close();
        return OpenResult::kFailed;
    }
    if (options.connectOutputs)
        connectOutputs(message);
    if (!options.midiSource.empty())
        connectMidiSource(options.midiSource, message);
    return OpenResult::kOpened;
}

bool CJackPlayer::registerPorts(std::string& message)
{
    m_voicePort = jack_port_register(m_client, kVoicePortName, JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
    m_rhythmPort = jack_port_register(m_client, kRhythmPortName, JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
    m_midiPort = jack_port_register(m_client, kMidiPortName, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    if (m_voicePort != nullptr && m_rhythmPort != nullptr && m_midiPort != nullptr)
        return true;
    message = "the JACK server refused to register the ports";
    return false;
}

// The voice to the first playback port, the rhythm box to the second (or
// to the first as well on a mono system). No playback ports: nothing to do.
void CJackPlayer::connectOutputs(std::string& message)
{
    const char** playback =
        jack_get_ports(m_client, nullptr, JACK_DEFAULT_AUDIO_TYPE, JackPortIsPhysical | JackPortIsInput);
    if (playback == nullptr)
        return;
    if (playback[0] != nullptr) {
        const char* right = playback[1] != nullptr ? playback[1] : playback[0];
        if (jack_connect(m_client, jack_port_name(m_voicePort), playback[0]) != 0 ||
            jack_connect(m_client, jack_port_name(m_rhythmPort), right) != 0)
            message += "could not connect the outputs to " + std::string(playback[0]) + "\n";
    }
    jack_free(playback);
}

void CJackPlayer::connectMidiSource(const std::string& source, std::string& message)
{
    if (jack_connect(m_client, source.c_str(), jack_port_name(m_midiPort)) != 0)
        message += "could not connect the MIDI port \"" + source + "\" (jack_lsp lists the ports)\n";
}

void CJackPlayer::close()
{
    if (m_client == nullptr)
        return;
    // Deactivation returns once the process callback has ended.
    jack_deactivate(m_client);
    jack_client_close(m_client);
    m_client = nullptr;
    m_voicePort = m_rhythmPort = m_midiPort = nullptr;
}

std::string CJackPlayer::clientName() const
{
    return m_client != nullptr ? std::string(jack_get_client_name(m_client)) : std::string();
}

// --- the audio thread -------------------------------------------------------

int CJackPlayer::processCallback(std::uint32_t frames, void* self)
{
    return static_cast<CJackPlayer*>(self)->process(frames);
}

int CJackPlayer::process(std::uint32_t frames)
{
    auto* left = static_cast<float*>(jack_port_get_buffer(m_voicePort, frames));
    auto* right = static_cast<float*>(jack_port_get_buffer(m_rhythmPort, frames));
    const CPortMidi midi(jack_port_get_buffer(m_midiPort, frames));
    m_process.run(left, right, frames, midi);
    return 0;
}

// --- the server's other threads --------------------------------------------

int CJackPlayer::sampleRateCallback(std::uint32_t rate, void* self)
{
    static_cast<CJackPlayer*>(self)->m_rateChange.announce(static_cast<float>(rate));
    return 0;
}

void CJackPlayer::shutdownCallback(void* self)
{
    static_cast<CJackPlayer*>(self)->m_serverGone.store(true);
}

// A MIDI source that goes away (its program quits, a cable is pulled, the
// connection is undone) sends no note-off for the notes it holds: once the
// input has no connection left, the process step releases them.
void CJackPlayer::portConnectCallback(std::uint32_t a, std::uint32_t b, int connect, void* self)
{
    auto* player = static_cast<CJackPlayer*>(self);
    jack_port_t* input = player->m_midiPort;
    if (input == nullptr ||
        (jack_port_by_id(player->m_client, a) != input && jack_port_by_id(player->m_client, b) != input))
        return;
    player->m_midiConnections += connect != 0 ? 1 : -1;
    if (connect == 0 && player->m_midiConnections <= 0) {
        player->m_midiConnections = 0;
        player->m_process.releaseInputNotes();
    }
}

// --- the main thread --------------------------------------------------------

void CJackPlayer::deliverNotices()
{
    if (m_client != nullptr)
        m_rateChange.applyPending([this](float rate) { return m_instrument.setSampleRate(rate); }, kSilenceWait);
    m_instrument.deliverNotices();
}

// --- CInstrumentFront ---------------------------------------------------------

bool CJackPlayer::transportRuns()
{
    if (m_client == nullptr)
        return false;
    const jack_transport_state_t state = jack_transport_query(m_client, nullptr);
    return state == JackTransportRolling || state == JackTransportStarting;
}
