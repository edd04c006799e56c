#include "CPlayerAudio.h"

#include "CAlsaPlayer.h"
#include "CInstrument.h"
#include "CJackPlayer.h"

#include <cstdio>

namespace {

void say(const std::string& text)
{
    std::fprintf(stderr, "zintra: %s\n", text.c_str());
}

} // namespace

CPlayerAudio::CPlayerAudio(CInstrument& instrument, const Settings& settings)
    : m_instrument(instrument),
      m_settings(settings)
{
}

CPlayerAudio::~CPlayerAudio()
{
    close();
}

bool CPlayerAudio::choiceOf(const std::string& name, Choice& choice)
{
    if (name == "auto")
        choice = Choice::kAuto;
    else if (name == "jack")
        choice = Choice::kJack;
    else if (name == "alsa")
        choice = Choice::kAlsa;
    else
        return false;
    return true;
}

bool CPlayerAudio::playing() const
{
    return (m_jack != nullptr && m_jack->isOpen()) || (m_alsa != nullptr && m_alsa->isOpen());
}

bool CPlayerAudio::update(Clock::time_point now)
{
    if (m_jack != nullptr && m_jack->serverGone()) {
        m_lost = "the JACK server stopped";
        m_jack.reset();
        say(m_lost);
    }
    if (m_alsa != nullptr && m_alsa->failed()) {
        m_lost = m_alsa->failure();
        m_alsa.reset();
        say(m_lost);
    }
    if (!playing() && now >= m_nextTry) {
        tryToStart();
        m_nextTry = now + kRetryPeriod;
    }
    if (m_jack != nullptr)
        m_jack->deliverNotices();
    else if (m_alsa != nullptr)
        m_alsa->deliverNotices();
    else
        m_instrument.deliverNotices();
    const bool changed = m_changed;
    m_changed = false;
    return changed;
}

// JACK, then the ALSA device, as the choice allows; the reasons of those
// that failed, with what to do, shown when none plays (and what was lost,
// until one plays again).
void CPlayerAudio::tryToStart()
{
    std::string jackReason;
    std::string alsaReason;
    std::string notice;
    const bool jack = m_settings.choice != Choice::kAlsa;
    const bool alsa = m_settings.choice != Choice::kJack;
    if ((jack && startJack(jackReason)) || (alsa && startAlsa(alsaReason, notice))) {
        m_lost.clear();
        setText(notice);
        return;
    }
    std::string problem = "No audio: ";
    if (!m_lost.empty())
        problem += m_lost + "; ";
    if (jack)
        problem += jackReason + (alsa ? ", and " : ".");
    if (alsa)
        problem += alsaReason + ".";
    problem += "\n";
    if (m_settings.choice == Choice::kAuto)
        problem += "Start JACK (jackd, qjackctl) or a sound server, or choose a device with --device (aplay -L "
                   "lists them);";
    else if (jack)
        problem += "Start JACK (jackd -d alsa, qjackctl, or pw-jack zintra under PipeWire), or play with --audio "
                   "alsa;";
    else
        problem += "Check that the device exists and is free (aplay -L lists them), or play with --audio jack;";
    problem += " trying again every " + std::to_string(kRetryPeriod.count()) + " seconds.";
    setText(problem);
}

bool CPlayerAudio::startJack(std::string& reason)
{
    m_jack = std::make_unique<CJackPlayer>(m_instrument);
    CJackPlayer::Options options;
    options.clientName = m_settings.clientName;
    options.connectOutputs = m_settings.connectOutputs;
    options.midiSource = m_settings.midiSource;
    std::string message;
    switch (m_jack->open(options, message)) {
    case CJackPlayer::OpenResult::kNoServer:
        reason = "no JACK server is running";
        m_jack.reset();
        return false;
    case CJackPlayer::OpenResult::kFailed:
        reason = message;
        m_jack.reset();
        return false;
    case CJackPlayer::OpenResult::kOpened:
        break;
    }
    if (!message.empty())
        std::fprintf(stderr, "zintra: %s", message.c_str());
    std::printf("zintra: playing as JACK client %s\n", m_jack->clientName().c_str());
    std::fflush(stdout);
    return true;
}

bool CPlayerAudio::startAlsa(std::string& reason, std::string& notice)
{
    m_alsa = std::make_unique<CAlsaPlayer>(m_instrument);
    CAlsaPlayer::Options options;
    options.device = m_settings.device;
    options.clientName = m_settings.clientName;
    options.midiSource = m_settings.midiSource;
    if (!m_alsa->open(options, reason, notice)) {
        m_alsa.reset();
        return false;
    }
    if (!notice.empty())
        say(notice);
    std::printf("zintra: playing through the %s\n", m_alsa->description().c_str());
    std::fflush(stdout);
    return true;
}

void CPlayerAudio::setText(const std::string& text)
{
    if (text == m_text)
        return;
    m_text = text;
    m_changed = true;
    if (!playing() && !text.empty())
        say(text);
}

void CPlayerAudio::close()
{
    m_jack.reset();
    m_alsa.reset();
}
