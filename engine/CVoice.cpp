#include "CVoice.h"

#include "CRhythmBox.h"
#include "DebugTrace.h"
#include "PanelCodes.h"
#include "ParameterValue.h"
#include "SampleRateRange.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kPatternSteps = 16;
constexpr int32_t kHighLevel = 11;
constexpr float kVibratoDepth = 0.00075f;
constexpr float kSilentLevel = 1e-15f;
// A step length beyond this many clocks (several seconds per step) comes
// only from a vanishing Tune; such a note writes no steps.
constexpr float kLongestStep = 4194304.0f;
constexpr float kDefaultFrequency = 440.0f;
constexpr int32_t kLeakFrequency = 180;
constexpr int32_t kBufferMs = 250;
constexpr int32_t kBufferMarginFrames = 32;

using Pattern = int8_t[kPatternSteps];
constexpr Pattern kPatternA = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -1, 0, 0, 0, 0};
constexpr Pattern kPatternB = {1, 0, 0, 0, -1, 0, 0, 0, 1, 0, 0, 0, -1, 0, 0, 0};
constexpr Pattern kPatternC = {1, 0, 0, 0, 0, 0, 0, 0, -1, 0, 0, 0, 0, 0, 0, 0};
constexpr Pattern kPatternD = {1, -1, 0, 0, 0, 0, 0, 1, -1, 0, 0, 0, 0, 0, 0, 0};
constexpr Pattern kPatternE = {1, -1, 1, 0, 0, 0, -1, 0, 1, 0, -1, 0, 0, 0, 0, 0};
constexpr Pattern kPatternF = {1, -1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
constexpr Pattern kPatternG = {1, 0, 0, 0, -1, 1, 0, 0, -1, 1, 0, -1, 1, -1, 1, -1};

struct Sound {
    const int8_t* pattern;
    float scale;
    bool electro;
};

// Piano, Fantasy, Violin, Flute, Guitar 1, Guitar 2, Horn, Electro 1..3.
const Sound kSounds[10] = {
    {kPatternA, 1.0f, false}, {kPatternB, 1.0f, false}, {kPatternG, 1.0f, false}, {kPatternC, 1.0f, false},
    {kPatternD, 0.5f, false}, {kPatternE, 0.5f, false}, {kPatternF, 0.5f, false}, {kPatternA, 1.0f, true},
    {kPatternB, 1.0f, true},  {kPatternG, 1.0f, true},
};
constexpr float kSoundBounds[9] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f};

constexpr float kOctaveFactors[3] = {1.0f, 0.5f, 0.25f};

// Sound, attack, decay, sustain level, sustain time, release, vibrato,
// tremolo, octave, tune; a negative value keeps the setting.
constexpr float kBeepVoice[CVoice::kSettings] = {-1.0f, 0.0f, 0.0f, 0.9f, 0.9f, 0.0f, 0.0f, 0.0f, 0.51f, 0.5f};
// The parameter index of each setting, in the order settings are applied.
constexpr int kSettingParameter[CVoice::kSettings] = {
    kParamSound,   kParamAttack,  kParamDecay,   kParamSustainLevel, kParamSustainTime,
    kParamRelease, kParamVibrato, kParamTremolo, kParamOctave,       kParamTune};

} // namespace

CVoice::CVoice()
    : m_vibrato(static_cast<float>(kClocksPerSample), 0.0f),
      m_tremolo(1.0f, 1.0f),
      m_writer(m_kernel),
      m_pattern(kPatternA)
{
    BuildNoteTable();
    ConfigureOutput(44100);
    m_stepLength = kClocksPerSample * m_sampleRate / (kDefaultFrequency * kPatternSteps);
    m_vibratoRotation.setCoefficient(m_vibrato.coefficient());
    std::copy(m_settings, m_settings + kSettings, m_savedSettings);
}

void CVoice::StoreSetting(int slot, float value)
{
    m_settings[slot] = value;
    // Until the first beep the saved settings follow the current ones, so a
    // restore without a save changes nothing.
    if (!m_beepSaved)
        m_savedSettings[slot] = value;
}

void CVoice::BuildNoteTable()
{
    // Single-precision constants, running product at extended precision.
    const float first = 8.1758f;
    const float semitone = 1.0594631f;
    long double frequency = first;
    for (float& entry : m_noteTable) {
        entry = static_cast<float>(frequency);
        frequency *= semitone;
    }
}

// The leak removes (integral >> shift) per sample, so its corner in Hz moves
// with the rate by whole octaves of the shift. The frequency handed to the
// buffer is chosen so that the shift is the one whose corner lies nearest to
// the corner at 44100 Hz (about 219 Hz; 239 Hz at 48000 and 96000 Hz instead
// of 119 Hz). At 44100 Hz it is exactly kLeakFrequency.
int32_t CVoice::leakFrequencyFor(int32_t rate)
{
    const double ratio = static_cast<double>(rate) / 44100.0;
    const double octaves = std::round(std::log2(ratio));
    return static_cast<int32_t>(std::lround(kLeakFrequency * ratio / std::exp2(octaves)));
}

// Sets up the step buffer and the kernel for rate samples per second. The
// buffer always holds the longest block plus the tails of its last steps.
void CVoice::ConfigureOutput(int32_t rate)
{
    const int32_t minimumMs = ((kMaxBlockFrames + kBufferMarginFrames) * 1000 + rate - 1) / rate;
    m_buffer.SetClocksPerSecond(kClocksPerSample * rate);
    m_buffer.SizeFor(rate, std::max(kBufferMs, minimumMs));
    m_writer.SetOutputLevel(0.025);
    m_writer.setOutputBuffer(&m_buffer);
    m_writer.setCurrentLevel(0);
    m_buffer.SetLeakFrequency(leakFrequencyFor(rate));
    m_writer.BuildKernel(-18.0, 0.0, static_cast<double>(rate), 0.0);
}

void CVoice::setSampleRate(float rate)
{
    if (!isUsableSampleRate(rate))
        return;
    m_stepLength *= rate / m_sampleRate;
    m_sampleRate = rate;
    ConfigureOutput(static_cast<int32_t>(std::lround(rate)));
    m_envelope.setSampleRate(rate);
    m_vibrato.setSampleRate(rate);
    m_vibratoRotation.setCoefficient(m_vibrato.coefficient());
    m_tremolo.setSampleRate(rate);
    m_detector.setSampleRate(rate);
}

float CVoice::noteFrequency(int note) const
{
    return m_noteTable[std::clamp(note, 0, 127)];
}

// --- settings -------------------------------------------------------------

void CVoice::SetParameter(int index, float value)
{
    const float v = clampParameter(value);
    switch (index) {
    case kParamOctave:
        StoreSetting(kOctave, v);
        m_octaveIndex = std::min(static_cast<int>(std::floor(2.0f * v)), 2);
        break;
    case kParamTune:
        StoreSetting(kTune, v);
        break;
    case kParamSound:
        StoreSetting(kSound, v);
        SelectSound(v);
        break;
    case kParamAttack:
    case kParamDecay:
    case kParamSustainLevel:
    case kParamSustainTime:
    case kParamRelease:
        StoreSetting(kAttack + index - kParamAttack, v);
        m_envelope.SetStageIndex(index - kParamAttack, 10.0f * v);
        break;
    case kParamVibrato:
        StoreSetting(kVibrato, v);
        SetModulation(m_vibrato, v, 15.0f);
        m_vibratoRotation.setCoefficient(m_vibrato.coefficient());
        break;
    case kParamTremolo:
        StoreSetting(kTremolo, v);
        SetModulation(m_tremolo, v, 35.0f);
        break;
    default:
        break;
    }
}

void CVoice::SelectSound(float value)
{
    int row = 9;
    for (int i = 0; i < 9; ++i) {
        if (value < kSoundBounds[i]) {
            row = i;
            break;
        }
    }
    m_pattern = kSounds[row].pattern;
    m_patternScale = kSounds[row].scale;
    m_electro = kSounds[row].electro;
    m_alternation = 1.0f;
}

// Value 0 switches the oscillator off; otherwise it runs at hz / (10 × value).
void CVoice::SetModulation(CLfo& lfo, float value, float hz)
{
    const float steps = 10.0f * value;
    if (steps == 0.0f) {
        lfo.running = false;
        return;
    }
    lfo.SetFrequency(hz / steps);
    lfo.running = true;
}

void CVoice::ApplySettings(const float* values)
{
    for (int i = 0; i < kSettings; ++i) {
        if (values[i] >= 0.0f)
            SetParameter(kSettingParameter[i], values[i]);
    }
}

void CVoice::SetBeepVoice(int on)
{
    if (on == 1) {
        std::copy(m_settings, m_settings + kSettings, m_savedSettings);
        m_beepSaved = true;
        ApplySettings(kBeepVoice);
    } else if (on == 0) {
        float saved[kSettings];
        std::copy(m_savedSettings, m_savedSettings + kSettings, saved);
        ApplySettings(saved);
    }
}

// --- notes ----------------------------------------------------------------

void CVoice::NoteOn(int note, int velocity)
{
    m_velocityGain = static_cast<float>(std::min(velocity, 127)) * m_velocityScale;
    if (!(m_velocityGain > 0.0f)) {
        NoteOff();
        return;
    }
    note = std::clamp(note, 0, 127);
    const float divisor = m_noteTable[note] * static_cast<float>(kPatternSteps) * (m_patternScale * m_settings[kTune]);
    const float length = divisor > 0.0f ? kClocksPerSample * m_sampleRate / divisor : 0.0f;
    // Tune 0 would make the step length infinite: the note writes no steps
    // and the next note with a usable tune starts the oscillator again.
    m_oscillatorOn = length > 0.0f && length <= kLongestStep;
    if (m_oscillatorOn)
        m_stepLength = length;
    m_envelope.GateOn();
    m_tremolo.Reset();
    resetVibrato();
    if (m_host != nullptr)
        m_host->showNote(note);
}

void CVoice::NoteOff()
{
    m_envelope.GateOff();
}

void CVoice::Silence()
{
    m_envelope.Clear();
    resetVibrato();
    m_tremolo.Reset();
}

void CVoice::resetVibrato()
{
    m_vibrato.Reset();
    m_vibratoRotation.Reset();
}

int CVoice::Stage() const
{
    return m_envelope.Stage();
}

// --- rendering ------------------------------------------------------------

// Fires the current pattern step at the given clock of the frame.
void CVoice::FireStep(int32_t clock)
{
    const int8_t s = m_pattern[m_patternStep];
    if (s != 0) {
        const int32_t level = s > 0 ? kHighLevel : -kHighLevel;
        m_writer.AddStep(clock, level - m_writer.currentLevel());
        m_writer.setCurrentLevel(level);
    }
    m_patternStep = (m_patternStep + 1) % kPatternSteps;
}

// The time of the step after one that fired at clock k, p clocks after the
// edge time. A step shorter than one clock cannot keep up: it fires at every
// clock without running up a backlog of missed edges. A step of a clock or
// more always lands at or after k (k lies at most one clock after the edge),
// so only shorter ones need the comparison.
inline float CVoice::nextEdge(float edge, float p, int k)
{
    edge += p;
    if (!(p >= 1.0f) && edge < static_cast<float>(k))
        return static_cast<float>(k);
    return edge;
}

// The first clock from k on that lies after the edge time: a step fires there
// when it is one of the sample's clocks.
inline int CVoice::firingClock(float edge, int k)
{
    return edge >= static_cast<float>(k) ? static_cast<int>(edge) + 1 : k;
}

// Runs the oscillator for count samples from the sample counter on with the
// step length base. Only the clocks at which a pattern step fires are visited.
void CVoice::RunOscillator(float base, int count)
{
    if (!m_vibrato.running)
        RunSteadyClocks(base, count);
    else if (m_vibratoRotation.usable())
        RunRotatingClocks(base, count);
    else
        RunClocks(base, count);
}

// Subtracting whole samples from an edge time at or after them is exact, so
// the samples in which no step fires are passed over at once.
//
// samplesBefore: the samples, of at most count, that lie wholly before the
// edge time; the edge time then counts from the first sample after them.
inline int CVoice::samplesBefore(float& edge, int count)
{
    const float last = static_cast<float>(kClocksPerSample);
    int quiet = 0;
    if (!(edge >= last))
        quiet = 0;
    else if (edge >= last * static_cast<float>(count))
        quiet = count;
    else
        quiet = static_cast<int>(edge / last);
    edge -= last * static_cast<float>(quiet);
    return quiet;
}

// The same after a step has fired in a sample, with a guess of the answer:
// comparisons against the guess, mostly right, keep the conversion of the
// edge time to a number of samples out of the chain of edge times. The edge
// time lies at or after the sample's end; at least one sample is passed.
inline int CVoice::samplesAfterStep(float& edge, int guess, int count)
{
    const float last = static_cast<float>(kClocksPerSample);
    int quiet = std::max(guess, 1);
    while (quiet > 1 && edge < last * static_cast<float>(quiet))
        --quiet;
    while (quiet < count && edge >= last * static_cast<float>(quiet + 1))
        ++quiet;
    quiet = std::min(quiet, count);
    edge -= last * static_cast<float>(quiet);
    return quiet;
}

// The number of samples a step of the given length usually passes.
inline int CVoice::samplesPerStep(float length)
{
    const float samples = (length + 0.5f * kClocksPerSample) / kClocksPerSample;
    return samples >= 1.0f && samples < 1e6f ? static_cast<int>(samples) : 1;
}

// With the vibrato the working step length at clock k of a sample is base
// plus the sum of the vibrato's first k values of that sample times the
// vibrato increment.
void CVoice::RunRotatingClocks(float base, int count)
{
    if (!m_oscillatorOn) {
        m_vibratoRotation.advance(count);
        return;
    }
    const double increment = m_vibratoIncrement;
    const double length = base;
    const float last = static_cast<float>(kClocksPerSample);
    const int guess = samplesPerStep(base);
    float edge = m_nextEdge;
    int i = samplesBefore(edge, count);
    m_vibratoRotation.advance(i);
    while (i < count) {
        const int32_t firstClock = (m_sampleCounter + i) * kClocksPerSample;
        for (int k = 1; edge < last; ++k) {
            k = firingClock(edge, k);
            FireStep(firstClock + k);
            edge = nextEdge(edge, static_cast<float>(length + increment * m_vibratoRotation.sumTo(k)), k);
        }
        const int passed = samplesAfterStep(edge, guess, count - i);
        m_vibratoRotation.advance(passed);
        i += passed;
    }
    m_nextEdge = edge;
}

// The vibrato stepped through every clock, for settings too fast for its
// closed form.
void CVoice::RunClocks(float base, int count)
{
    for (int i = 0; i < count; ++i) {
        const int32_t firstClock = (m_sampleCounter + i) * kClocksPerSample;
        float p = base;
        float edge = m_nextEdge;
        for (int k = 1; k <= kClocksPerSample; ++k) {
            p += m_vibrato.Next() * m_vibratoIncrement;
            if (m_oscillatorOn && static_cast<float>(k) > edge) {
                FireStep(firstClock + k);
                edge = nextEdge(edge, p, k);
            }
        }
        if (m_oscillatorOn)
            m_nextEdge = edge - static_cast<float>(kClocksPerSample);
    }
}

// Without vibrato the step length is constant.
void CVoice::RunSteadyClocks(float base, int count)
{
    if (!m_oscillatorOn)
        return;
    if (base >= 1.0f)
        m_nextEdge = RunSteadyEdges<false>(m_nextEdge, base, count);
    else
        m_nextEdge = RunSteadyEdges<true>(m_nextEdge, base, count);
}

template <bool kShortSteps>
float CVoice::RunSteadyEdges(float edge, float base, int count)
{
    const float last = static_cast<float>(kClocksPerSample);
    const int guess = samplesPerStep(base);
    int i = samplesBefore(edge, count);
    while (i < count) {
        const int32_t firstClock = (m_sampleCounter + i) * kClocksPerSample;
        for (int k = 1; edge < last; ++k) {
            k = firingClock(edge, k);
            FireStep(firstClock + k);
            edge += base;
            if (kShortSteps && edge < static_cast<float>(k))
                edge = static_cast<float>(k);
        }
        i += samplesAfterStep(edge, guess, count - i);
    }
    return edge;
}

// One sample's gain from the tremolo, the envelope and the level detector.
inline float CVoice::NextGain(CLfo& tremolo, CEnvelope& envelope, CLevelDetector& detector, float velocityGain)
{
    const float t = tremolo.Next();
    const float level = envelope.Next() * ((t * 0.15f + 0.85f) * velocityGain);
    // While the voice is silent the detector keeps its voltage for the next note.
    return level > kSilentLevel ? detector.Next(level) : 0.0f;
}

// The gains of count samples from the sample counter on. An idle envelope
// stays idle until the next note-on, which also restarts the tremolo, so a
// silent voice needs neither of them.
void CVoice::WriteGains(float gain, int count)
{
    const int first = m_sampleCounter;
    const int stored = std::clamp(kMaxBlockFrames - first, 0, count);
    if (m_envelope.Stage() == CEnvelope::kIdle) {
        std::fill(m_gains + first, m_gains + first + stored, 0.0f * gain);
        return;
    }
    // Working copies, which the gains written cannot alias.
    CLfo tremolo = m_tremolo;
    CEnvelope envelope = m_envelope;
    CLevelDetector detector = m_detector;
    const float velocityGain = m_velocityGain;
    float* gains = m_gains + first;
    for (int i = 0; i < stored; ++i)
        gains[i] = NextGain(tremolo, envelope, detector, velocityGain) * gain;
    for (int i = stored; i < count; ++i)
        NextGain(tremolo, envelope, detector, velocityGain);
    m_tremolo = tremolo;
    m_envelope = envelope;
    m_detector = detector;
}

void CVoice::RenderSample(float gain)
{
    RenderSamples(gain, 1);
}

void CVoice::RenderSamples(float gain, int count)
{
    if (count <= 0)
        return;
    const float base = m_stepLength * kOctaveFactors[m_octaveIndex] * m_alternation;
    m_vibratoIncrement = base * kVibratoDepth;
    RunOscillator(base, count);
    WriteGains(gain, count);
    m_sampleCounter += count;
}

int CVoice::EndBlock(float* out, int count)
{
    const int frames = std::clamp(count, 0, kMaxBlockFrames);
    const int rendered = std::min(m_sampleCounter, frames);
    std::fill(m_gains + rendered, m_gains + frames, 0.0f);
    m_buffer.CloseFrame(frames * kClocksPerSample);
    const int written = m_buffer.ReadOut(out, frames, 0.0f, 1.0f, m_gains);
    if (count > written)
        std::fill(out + written, out + count, 0.0f);
    m_sampleCounter = 0;
    recoverNonFinite();
    return written;
}

// Nothing should make the oscillator or modulation state non-finite, but if
// anything did, the voice would stay silent for the rest of its life. Such
// state is started afresh once per block; finite state is left alone.
void CVoice::recoverNonFinite()
{
    if (!std::isfinite(m_nextEdge))
        m_nextEdge = 0.0f;
    if (!m_vibrato.isFinite())
        resetVibrato();
    if (!m_tremolo.isFinite())
        m_tremolo.Reset();
}

void CVoice::Tick()
{
    if (m_alternationCountdown > 0)
        --m_alternationCountdown;
    if (m_alternationCountdown != 0)
        return;
    m_alternationCountdown = 8;
    if (!m_electro)
        return;
    if (m_octaveIndex == 0)
        m_alternation = m_alternation > 0.25f ? 0.25f : 1.0f;
    else
        m_alternation = m_alternation < 2.0f ? 2.0f : 1.0f;
}

// --- MIDI -----------------------------------------------------------------

void CVoice::NotifyKey(int note, float down)
{
    if (m_host != nullptr)
        m_host->keyChanged(note, down > 0.0f);
}

void CVoice::Controller(int number, int value)
{
    if (number >= kControllerFirstRelease) {
        NoteOff();
        return;
    }
    if (number == kControllerBeepVoice) {
        SetBeepVoice(value);
        return;
    }
    if (m_rhythmBox == nullptr)
        return;
    if (number == kControllerRhythmSelect)
        m_rhythmBox->SelectPattern(value);
    else if (number == kControllerRhythmStart)
        m_rhythmBox->StartAt(value);
    else if (number == kControllerRhythmStop)
        m_rhythmBox->RequestStop();
}

void CVoice::ProgramChange(int program)
{
    debugTrace("Program change: %02x\n", program);
    if (m_host != nullptr)
        m_host->programChange(program);
}

int CVoice::OnEvent(const MidiMessage& message)
{
    const int status = message.status & 0xF0;
    const int data1 = message.data1 & 0x7F;
    const int data2 = message.data2 & 0x7F;
    switch (status) {
    case kStatusNoteOff:
        NotifyKey(data1, 0.0f);
        NoteOff();
        break;
    case kStatusNoteOn:
        NotifyKey(data1, 1.0f);
        NoteOn(data1, data2);
        break;
    case kStatusController:
        Controller(data1, data2);
        break;
    case kStatusProgramChange:
        ProgramChange(data1);
        break;
    default:
        break;
    }
    return 1;
}
