#pragma once

#include "CEventListener.h"

#include <cstdint>
#include <memory>

class CVoice;

// The rhythm box: ten patterns of three drum sounds, stepped by the tempo
// clock, and single drum hits from MIDI channel 2. Audio thread only, except
// for the constructor and setSampleRate.
class CRhythmBox : public CEventListener {
public:
    enum Sound { kLowBleep = 0, kHighBleep = 1, kNoise = 2, kNoSound = 3 };
    static constexpr int kNumPatterns = 10;
    // The rate at which the drum tables have their reference shape.
    static constexpr float kReferenceRate = 44100.0f;
    // Accepted host rates; others leave the tables as they are.

    CRhythmBox();
    // The voice whose alternation restarts with the pattern.
    void setVoice(CVoice* voice) { m_voice = voice; }
    // Host sample rate; rebuilds the drum tables so that the drums keep their
    // pitch and length in seconds. Called while the plug-in is suspended, never
    // on the audio thread while it renders. Keeps the old tables when the rate
    // is out of range or an allocation fails.
    void setSampleRate(float rate);

    int OnEvent(const MidiMessage& message) override;
    // Patterns 0..9; other numbers are ignored.
    void SelectPattern(int pattern);
    void StartAt(int step);
    void RequestStop();
    void PlayHit(int note, int velocity);
    void Reset();
    float NextSample();
    // count samples, the same as count calls of NextSample.
    void NextSamples(float* out, int count);
    // Raised by the tempo clock at every tick.
    void setTickFlag() { m_tickFlag = true; }

    // State, for the panel logic and tests.
    bool running() const { return m_running; }
    bool manual() const { return m_manual; }
    bool stopRequested() const { return m_stopRequest; }
    int patternNumber() const { return m_pattern; }
    int stepIndex() const { return m_stepIndex; }
    int32_t position() const { return m_position; }
    float gain() const { return m_gain; }
    float sampleRate() const { return m_sampleRate; }

    // The drum tables at the current rate.
    const float* bleepTable() const { return m_bleep.get(); }
    int32_t bleepLength() const { return m_bleepLength; }
    const float* noiseTable() const { return m_noise.get(); }
    int32_t noiseLength() const { return m_noiseLength; }

    // Pattern n (0..9): number of steps, and sound and length in ticks of a step.
    static int patternStepCount(int pattern);
    static int stepSound(int pattern, int step);
    static int stepTicks(int pattern, int step);

private:
    void loadStep();
    // The current sound at the current position; false once it has ended.
    bool soundSample(float& sample) const;
    void advancePosition();

    CVoice* m_voice = nullptr;
    float m_sampleRate = kReferenceRate;
    int32_t m_position = 0;
    bool m_tickFlag = false;
    int m_stepCountdown = 0;
    int m_pattern = 0;
    int m_sound = kLowBleep;
    int m_stepIndex = 0;
    bool m_running = false;
    bool m_stopRequest = false;
    bool m_manual = false;
    float m_gain = 1.0f;
    std::unique_ptr<float[]> m_bleep;
    int32_t m_bleepLength = 0;
    std::unique_ptr<float[]> m_noise;
    int32_t m_noiseLength = 0;
    // The position stops counting here: every sound has ended.
    int32_t m_positionLimit = 0;
};
