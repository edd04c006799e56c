#pragma once

#include "CJackProcess.h"
#include "CRateChange.h"
#include "CStandaloneFront.h"
#include "ProductIdentity.h"

#include <atomic>
#include <cstdint>
#include <string>

class CInstrument;
// libjack's types, declared as its header does.
struct _jack_client;
struct _jack_port;

// The JACK front: the instrument as a JACK client with two audio outputs
// (the voice left, the rhythm box right) and a MIDI input. The process
// callback hands the MIDI events to the instrument at their frame offsets and
// renders straight into the port buffers; it allocates nothing, takes no lock
// and waits for nothing. Everything else runs on the program's main thread,
// which calls deliverNotices about every 20 ms.
class CJackPlayer final : private CStandaloneFront {
public:
    struct Options {
        std::string clientName = product::kClientName;
        // Connect the outputs to the system's playback ports.
        bool connectOutputs = true;
        // A MIDI output port to connect to the input; empty: none.
        std::string midiSource;
    };
    enum class OpenResult { kOpened, kNoServer, kFailed };

    explicit CJackPlayer(CInstrument& instrument);
    ~CJackPlayer();
    CJackPlayer(const CJackPlayer&) = delete;
    CJackPlayer& operator=(const CJackPlayer&) = delete;

    // Opens the client, registers the ports, sets the instrument's rate,
    // activates and connects. On failure the reason is in message; a
    // connection that fails leaves a warning there and still answers kOpened.
    OpenResult open(const Options& options, std::string& message);
    // Deactivates and closes the client (the process callback ends first).
    void close();
    bool isOpen() const { return m_client != nullptr; }
    // The name the server gave the client (it may add a number).
    std::string clientName() const;
    // On the main thread: a rate change the server announced, then what the
    // instrument holds for its front.
    void deliverNotices();
    // The server shut the client down (it quit or threw the client out).
    bool serverGone() const { return m_serverGone.load(); }

private:
    static int processCallback(std::uint32_t frames, void* self);
    static int sampleRateCallback(std::uint32_t rate, void* self);
    static void shutdownCallback(void* self);
    static void portConnectCallback(std::uint32_t a, std::uint32_t b, int connect, void* self);
    int process(std::uint32_t frames);
    bool registerPorts(std::string& message);
    void connectOutputs(std::string& message);
    void connectMidiSource(const std::string& source, std::string& message);

    // CInstrumentFront: a JACK client has no host to tell of parameters; its
    // transport is JACK's.
    bool transportRuns() override;

    CInstrument& m_instrument;
    _jack_client* m_client = nullptr;
    _jack_port* m_voicePort = nullptr;
    _jack_port* m_rhythmPort = nullptr;
    _jack_port* m_midiPort = nullptr;
    std::atomic<bool> m_serverGone{false};
    // The MIDI input's connections, counted on the server's notification
    // thread: when the last one goes, the notes it held are released.
    int m_midiConnections = 0;
    // A rate change: announced by the server's thread, applied by the main
    // thread between silent blocks, so that render and setSampleRate never
    // overlap.
    CRateChange m_rateChange;
    // The audio thread's work for each block (after m_rateChange, which it uses).
    CJackProcess m_process;
};
