#include "CAlsaPlayer.h"

#include "CInstrument.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <pthread.h>

namespace {

constexpr unsigned kWantedRate = 48000;
// About 5 ms a period, four of them in the device's buffer: low enough to
// play from the keyboard, enough for a desktop's sound server.
constexpr unsigned kPeriodMicroseconds = 5000;
constexpr unsigned kPeriods = 4;
constexpr int kChannels = 2;
constexpr const char* kMidiPortName = "midi_in";
// How often the sequencer's thread, and the audio thread while the device
// has no room, look whether they must stop.
constexpr int kPollMilliseconds = 100;

// libasound reports its errors on stderr as well; the player says them in
// its own words.
void quietAlsa(const char*, int, const char*, int, const char*, ...)
{
}

std::string alsaError(int error)
{
    return snd_strerror(error);
}

// Where the system allows it, the audio thread runs at a real-time priority.
void raisePriority()
{
    sched_param parameters{};
    parameters.sched_priority = std::max(1, sched_get_priority_min(SCHED_FIFO) + 10);
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &parameters);
}

// The period's MIDI, as the process step reads it.
class CBlockMidi final : public CJackProcess::MidiInput {
public:
    CBlockMidi(const std::uint8_t* const* bytes, const std::uint8_t* sizes, std::uint32_t count)
        : m_bytes(bytes),
          m_sizes(sizes),
          m_count(count)
    {
    }
    std::uint32_t count() const override { return m_count; }
    bool event(std::uint32_t index, CJackProcess::MidiEvent& event) const override
    {
        if (index >= m_count)
            return false;
        event.frame = 0;
        event.bytes = m_bytes[index];
        event.size = m_sizes[index];
        return true;
    }

private:
    const std::uint8_t* const* m_bytes;
    const std::uint8_t* m_sizes;
    std::uint32_t m_count;
};

} // namespace

CAlsaPlayer::CAlsaPlayer(CInstrument& instrument)
    : m_instrument(instrument),
      m_process(instrument, m_rateChange)
{
    m_instrument.attachFront(this);
}

CAlsaPlayer::~CAlsaPlayer()
{
    close();
    m_instrument.attachFront(nullptr);
}

bool CAlsaPlayer::open(const Options& options, std::string& message, std::string& notice)
{
    close();
    snd_lib_error_set_handler(&quietAlsa);
    m_device = options.device;
    // Not blocking: the audio thread waits for room itself, a while at a time,
    // so that a device that stalls cannot hold up the player's end.
    const int opened = snd_pcm_open(&m_pcm, m_device.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (opened < 0) {
        m_pcm = nullptr;
        message = "the ALSA device \"" + m_device + "\" cannot be opened (" + alsaError(opened) + ")";
        return false;
    }
    if (!configure(message)) {
        message = "the ALSA device \"" + m_device + "\" " + message;
        close();
        return false;
    }
    m_left.assign(m_period, 0.0f);
    m_right.assign(m_period, 0.0f);
    if (m_float)
        m_interleavedFloat.assign(static_cast<std::size_t>(m_period) * kChannels, 0.0f);
    else
        m_interleaved16.assign(static_cast<std::size_t>(m_period) * kChannels, 0);
    // The audio thread is not running yet: nothing renders beside this call.
    m_instrument.setSampleRate(static_cast<float>(m_rate));
    m_rateChange.start(static_cast<float>(m_rate));
    openSequencer(options, notice);
    m_stop.store(false);
    m_failed.store(false);
    m_audioThread = std::thread([this] { audioLoop(); });
    return true;
}

// Interleaved stereo at 48 kHz or near it, 32-bit float where the device takes
// it (the default device converts), else 16-bit.
bool CAlsaPlayer::configure(std::string& message)
{
    snd_pcm_hw_params_t* hardware = nullptr;
    snd_pcm_hw_params_alloca(&hardware);
    int error = snd_pcm_hw_params_any(m_pcm, hardware);
    if (error >= 0)
        error = snd_pcm_hw_params_set_access(m_pcm, hardware, SND_PCM_ACCESS_RW_INTERLEAVED);
    if (error < 0) {
        message = "offers no interleaved playback (" + alsaError(error) + ")";
        return false;
    }
    m_float = snd_pcm_hw_params_set_format(m_pcm, hardware, SND_PCM_FORMAT_FLOAT) >= 0;
    if (!m_float && (error = snd_pcm_hw_params_set_format(m_pcm, hardware, SND_PCM_FORMAT_S16)) < 0) {
        message = "takes neither 32-bit float nor 16-bit samples (" + alsaError(error) + ")";
        return false;
    }
    if ((error = snd_pcm_hw_params_set_channels(m_pcm, hardware, kChannels)) < 0) {
        message = "has no two-channel playback (" + alsaError(error) + ")";
        return false;
    }
    m_rate = kWantedRate;
    unsigned periodTime = kPeriodMicroseconds;
    unsigned bufferTime = kPeriodMicroseconds * kPeriods;
    int direction = 0;
    if ((error = snd_pcm_hw_params_set_rate_near(m_pcm, hardware, &m_rate, &direction)) < 0 ||
        (error = snd_pcm_hw_params_set_buffer_time_near(m_pcm, hardware, &bufferTime, &direction)) < 0 ||
        (error = snd_pcm_hw_params_set_period_time_near(m_pcm, hardware, &periodTime, &direction)) < 0 ||
        (error = snd_pcm_hw_params(m_pcm, hardware)) < 0) {
        message = "refused the rate or the buffer (" + alsaError(error) + ")";
        return false;
    }
    snd_pcm_uframes_t period = 0;
    snd_pcm_hw_params_get_period_size(hardware, &period, &direction);
    if (period == 0 || m_rate == 0) {
        message = "gave no period size";
        return false;
    }
    m_period = static_cast<std::uint32_t>(period);
    return true;
}

// A port "midi_in" that other clients write to. Without a sequencer (no
// /dev/snd/seq) the instrument plays without MIDI input.
void CAlsaPlayer::openSequencer(const Options& options, std::string& notice)
{
    int error = snd_seq_open(&m_seq, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK);
    if (error < 0) {
        m_seq = nullptr;
        notice = "no ALSA sequencer (" + alsaError(error) + "): playing without MIDI input";
        return;
    }
    snd_seq_set_client_name(m_seq, options.clientName.c_str());
    const int port =
        snd_seq_create_simple_port(m_seq, kMidiPortName, SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
                                   SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    if (port < 0 || snd_midi_event_new(sizeof(MidiMessage::bytes), &m_decoder) < 0) {
        notice = "the ALSA sequencer gave no MIDI port: playing without MIDI input";
        closeSequencer();
        return;
    }
    snd_midi_event_no_status(m_decoder, 1);
    if (!options.midiSource.empty()) {
        snd_seq_addr_t source{};
        if ((error = snd_seq_parse_address(m_seq, &source, options.midiSource.c_str())) < 0 ||
            (error = snd_seq_connect_from(m_seq, port, source.client, source.port)) < 0)
            notice = "could not connect the MIDI port \"" + options.midiSource + "\" (" + alsaError(error) +
                     "; aconnect -l lists the ports)";
    }
    m_midiStop.store(false);
    m_midiThread = std::thread([this] { midiLoop(); });
}

void CAlsaPlayer::closeSequencer()
{
    if (m_midiThread.joinable()) {
        m_midiStop.store(true);
        m_midiThread.join();
    }
    if (m_decoder != nullptr)
        snd_midi_event_free(m_decoder);
    m_decoder = nullptr;
    if (m_seq != nullptr)
        snd_seq_close(m_seq);
    m_seq = nullptr;
}

void CAlsaPlayer::close()
{
    if (m_audioThread.joinable()) {
        m_stop.store(true);
        m_audioThread.join();
    }
    closeSequencer();
    if (m_pcm != nullptr) {
        snd_pcm_drop(m_pcm);
        snd_pcm_close(m_pcm);
    }
    m_pcm = nullptr;
    // libasound keeps the configuration it read until told.
    snd_config_update_free_global();
}

std::string CAlsaPlayer::failure() const
{
    return "the ALSA device \"" + m_device + "\" stopped (" + alsaError(m_error.load()) + ")";
}

std::string CAlsaPlayer::description() const
{
    return "ALSA device \"" + m_device + "\" at " + std::to_string(m_rate) + " Hz, " +
           (m_float ? "32-bit float" : "16-bit") + ", " + std::to_string(m_period) + " frames a period";
}

// --- the audio thread -------------------------------------------------------

void CAlsaPlayer::audioLoop()
{
    raisePriority();
    while (!m_stop.load()) {
        if (!writePeriod()) {
            m_failed.store(true);
            return;
        }
    }
}

// One period: the MIDI that came, rendered, written as the device makes room.
// An underrun is recovered from; false for an error that is not.
bool CAlsaPlayer::writePeriod()
{
    const std::uint8_t* bytes[kMidiCapacity];
    std::uint8_t sizes[kMidiCapacity];
    std::uint32_t count = 0;
    while (count < kMidiCapacity && m_midi.pop(m_block[count])) {
        bytes[count] = m_block[count].bytes;
        sizes[count] = m_block[count].size;
        ++count;
    }
    m_process.run(m_left.data(), m_right.data(), m_period, CBlockMidi(bytes, sizes, count));
    const void* data = nullptr;
    if (m_float) {
        interleaveFloat(m_left.data(), m_right.data(), m_interleavedFloat.data(), m_period);
        data = m_interleavedFloat.data();
    } else {
        interleave16(m_left.data(), m_right.data(), m_interleaved16.data(), m_period);
        data = m_interleaved16.data();
    }
    const std::size_t frameBytes = (m_float ? sizeof(float) : sizeof(std::int16_t)) * kChannels;
    std::uint32_t written = 0;
    while (written < m_period && !m_stop.load()) {
        const snd_pcm_sframes_t result =
            snd_pcm_writei(m_pcm, static_cast<const char*>(data) + written * frameBytes, m_period - written);
        if (result >= 0) {
            written += static_cast<std::uint32_t>(result);
            continue;
        }
        if (result == -EAGAIN) {
            snd_pcm_wait(m_pcm, kPollMilliseconds);
            continue;
        }
        const int recovered = snd_pcm_recover(m_pcm, static_cast<int>(result), 1);
        if (recovered < 0) {
            m_error.store(recovered);
            return false;
        }
    }
    return true;
}

void CAlsaPlayer::interleaveFloat(const float* left, const float* right, float* out, std::uint32_t frames)
{
    for (std::uint32_t i = 0; i < frames; ++i) {
        out[2 * i] = left[i];
        out[2 * i + 1] = right[i];
    }
}

void CAlsaPlayer::interleave16(const float* left, const float* right, std::int16_t* out, std::uint32_t frames)
{
    const auto convert = [](float sample) {
        const float scaled = std::round(std::clamp(sample, -1.0f, 1.0f) * 32767.0f);
        return static_cast<std::int16_t>(scaled == scaled ? scaled : 0.0f);
    };
    for (std::uint32_t i = 0; i < frames; ++i) {
        out[2 * i] = convert(left[i]);
        out[2 * i + 1] = convert(right[i]);
    }
}

// --- the sequencer's thread ---------------------------------------------------

// The channel messages that came, into the ring (dropped when it is full:
// the audio thread empties it every period).
void CAlsaPlayer::midiLoop()
{
    const int count = snd_seq_poll_descriptors_count(m_seq, POLLIN);
    std::vector<pollfd> descriptors(static_cast<std::size_t>(std::max(count, 1)));
    const int filled =
        snd_seq_poll_descriptors(m_seq, descriptors.data(), static_cast<unsigned>(descriptors.size()), POLLIN);
    while (!m_midiStop.load()) {
        if (poll(descriptors.data(), static_cast<nfds_t>(filled), kPollMilliseconds) <= 0)
            continue;
        snd_seq_event_t* event = nullptr;
        while (snd_seq_event_input(m_seq, &event) >= 0 && event != nullptr) {
            MidiMessage message;
            const long size = snd_midi_event_decode(m_decoder, message.bytes, sizeof message.bytes, event);
            if (size > 0 && (message.bytes[0] & 0x80) != 0 && message.bytes[0] < 0xf0) {
                message.size = static_cast<std::uint8_t>(size);
                m_midi.push(message);
            }
            event = nullptr;
        }
    }
}

// --- the main thread ----------------------------------------------------------

void CAlsaPlayer::deliverNotices()
{
    m_instrument.deliverNotices();
}
