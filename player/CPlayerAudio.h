#pragma once

#include "ProductIdentity.h"

#include <chrono>
#include <memory>
#include <string>

class CAlsaPlayer;
class CInstrument;
class CJackPlayer;

// The player's audio: a JACK client when a server runs (PipeWire's JACK
// counts), else the ALSA device, or only the one the user chose. When none
// plays, problem() says what is wrong and what to do, and the player tries
// again every few seconds; a server or device lost while playing is tried
// again the same way. Main thread only.
class CPlayerAudio {
public:
    enum class Choice { kAuto, kJack, kAlsa };
    struct Settings {
        Choice choice = Choice::kAuto;
        std::string clientName = product::kClientName;
        bool connectOutputs = true;
        std::string midiSource;
        std::string device = "default";
    };
    using Clock = std::chrono::steady_clock;
    // How long after a failed try the next comes.
    static constexpr std::chrono::seconds kRetryPeriod{3};

    CPlayerAudio(CInstrument& instrument, const Settings& settings);
    ~CPlayerAudio();
    CPlayerAudio(const CPlayerAudio&) = delete;
    CPlayerAudio& operator=(const CPlayerAudio&) = delete;

    // Each idle: a lost server or device noticed, a try when one is due, the
    // instrument's notices delivered. True when text() changed.
    bool update(Clock::time_point now);
    // Stops the audio (before the instrument's state is saved).
    void close();
    bool playing() const;
    // What the window shows: the problem, or a notice about what plays
    // (no MIDI input); empty when all is well.
    const std::string& text() const { return m_text; }

    // The --audio values.
    static bool choiceOf(const std::string& name, Choice& choice);

private:
    void tryToStart();
    bool startJack(std::string& reason);
    bool startAlsa(std::string& reason, std::string& notice);
    void setText(const std::string& text);

    CInstrument& m_instrument;
    Settings m_settings;
    std::unique_ptr<CJackPlayer> m_jack;
    std::unique_ptr<CAlsaPlayer> m_alsa;
    Clock::time_point m_nextTry{};
    // Why the audio was lost, said before the tries' reasons until one plays.
    std::string m_lost;
    std::string m_text;
    bool m_changed = false;
};
