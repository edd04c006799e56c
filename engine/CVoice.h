#pragma once

#include "CEnvelope.h"
#include "CEventListener.h"
#include "CLevelDetector.h"
#include "CLfo.h"
#include "CLfoRotation.h"
#include "CStepBuffer.h"
#include "CStepWriter.h"
#include "CVoiceHost.h"

#include <cstdint>

class CRhythmBox;

// The monophonic melody voice: oscillator, envelope, modulation and the
// band-limited output of the left channel. Audio thread only.
class CVoice : public CEventListener {
public:
    // The most frames one EndBlock may close; the block processing renders
    // longer host blocks in parts of at most this length.
    static constexpr int kMaxBlockFrames = 4096;
    // Oscillator clocks per output sample, at every sample rate.
    static constexpr int kClocksPerSample = 16;
    static constexpr int kSettings = 10;

    CVoice();
    void setHost(CVoiceHost* host) { m_host = host; }
    // The rhythm box that controllers 80 to 82 on the voice's channel work.
    void setRhythmBox(CRhythmBox* rhythmBox) { m_rhythmBox = rhythmBox; }
    // Host sample rate; called while the plug-in is suspended, never on the
    // audio thread while it renders. Pitch, times and rates stay the same in
    // Hz and seconds; may reallocate the step buffer.
    void setSampleRate(float rate);

    int OnEvent(const MidiMessage& message) override;
    // index: 4 Octave, 5 Tune, 6 Sound, 7..11 envelope, 12 Vibrato,
    // 13 Tremolo; value clamped to 0..1. Other indexes are ignored.
    void SetParameter(int index, float value);
    // 1 saves the settings and applies the beep voice, 0 restores them.
    void SetBeepVoice(int on);
    void NoteOn(int note, int velocity);
    void NoteOff();
    void Silence();
    // One output sample: 16 oscillator clocks and the sample's gain.
    void RenderSample(float gain);
    // count samples with the same gain and no event between them: the same
    // as count calls of RenderSample.
    void RenderSamples(float gain, int count);
    // Closes the samples rendered since the last call and writes count
    // samples of output 1; returns the number written from the buffer.
    int EndBlock(float* out, int count);
    void Tick();
    // The envelope stage: 0 means the voice is silent.
    int Stage() const;
    void resetAlternation() { m_alternationCountdown = 0; }

    float noteFrequency(int note) const;
    const CStepBuffer& stepBuffer() const { return m_buffer; }
    const CStepWriter& stepWriter() const { return m_writer; }

private:
    enum Slot {
        kSound = 0,
        kAttack,
        kDecay,
        kSustainLevel,
        kSustainTime,
        kRelease,
        kVibrato,
        kTremolo,
        kOctave,
        kTune
    };

    void BuildNoteTable();
    static int32_t leakFrequencyFor(int32_t rate);
    void ConfigureOutput(int32_t rate);
    void StoreSetting(int slot, float value);
    void SelectSound(float value);
    void SetModulation(CLfo& lfo, float value, float hz);
    void ApplySettings(const float* values);
    void RunOscillator(float base, int count);
    void RunRotatingClocks(float base, int count);
    void RunClocks(float base, int count);
    void RunSteadyClocks(float base, int count);
    static int firingClock(float edge, int k);
    static int samplesBefore(float& edge, int count);
    static int samplesAfterStep(float& edge, int guess, int count);
    static int samplesPerStep(float length);
    template <bool kShortSteps>
    float RunSteadyEdges(float edge, float base, int count);
    void FireStep(int32_t clock);
    static float nextEdge(float edge, float p, int k);
    static float NextGain(CLfo& tremolo, CEnvelope& envelope, CLevelDetector& detector, float velocityGain);
    void WriteGains(float gain, int count);
    void resetVibrato();
    void recoverNonFinite();
    void Controller(int number, int value);
    void ProgramChange(int program);
    void NotifyKey(int note, float down);

    CVoiceHost* m_host = nullptr;
    CRhythmBox* m_rhythmBox = nullptr;
    float m_sampleRate = 44100.0f;
    float m_settings[kSettings] = {0.0f, 0.0f, 0.0f, 0.1f, 0.9f, 0.4f, 0.0f, 0.0f, 1.0f, 1.0f};
    float m_savedSettings[kSettings] = {};
    bool m_beepSaved = false;
    bool m_electro = false;
    float m_alternation = 1.0f;
    float m_patternScale = 1.0f;
    int m_octaveIndex = 2;
    // Time of the next pattern step in clocks, counted from the start of the
    // current sample, so that it never depends on where blocks end.
    float m_nextEdge = 0.0f;
    float m_velocityGain = 0.0f;
    float m_vibratoIncrement = 0.0f;
    // 0 while the current note has no usable step length (Tune 0).
    bool m_oscillatorOn = true;
    CEnvelope m_envelope;
    // The vibrato's frequency, switch and, for the fastest settings, its
    // recurrence; otherwise its closed form below.
    CLfo m_vibrato;
    CLfoRotation m_vibratoRotation;
    CLfo m_tremolo;
    CLevelDetector m_detector;
    CStepBuffer m_buffer;
    int16_t m_kernel[CStepWriter::kKernelSize] = {};
    CStepWriter m_writer;
    float m_stepLength;
    int m_sampleCounter = 0;
    int m_patternStep = 0;
    const int8_t* m_pattern;
    float m_gains[kMaxBlockFrames] = {};
    float m_noteTable[128];
    float m_velocityScale = 1.0f / 127.0f;
    int m_alternationCountdown = 1;
};
