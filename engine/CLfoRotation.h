#pragma once

#include <cstdint>

// The vibrato oscillator (CLfo) in closed form. Without its amplitude
// correction the CLfo recurrence is an exact rotation by the angle w with
// cos w = 1 - k^2 / 2; its n-th value after a reset is
//     cos((n - 1/2) w) / cos(w / 2),
// and for the small angles of a vibrato the correction changes that by a few
// parts in a million. Kept as a complex phase in double precision, the sum of
// the first m of a sample's 16 values is one complex product with a
// precomputed sum of rotations, so the voice needs the oscillator only at the
// clocks where a pattern step fires.
//
// Everything is built from k with additions, multiplications, divisions and
// square roots alone, so every build computes the same values.
class CLfoRotation {
public:
    static constexpr int kCallsPerSample = 16;

    // Takes the CLfo's per-call coefficient k and restarts the phase.
    void setCoefficient(float k);
    // Whether the rotation follows the recurrence closely at this k; at
    // larger angles the recurrence must be stepped itself.
    bool usable() const { return m_usable; }
    // Back to the first call after a reset.
    void Reset();
    // The sum of the first m values (1..16) of the current sample.
    double sumTo(int m) const { return m_re * m_sumRe[m] - m_im * m_sumIm[m]; }
    // Moves on by the 16 calls of one sample.
    void nextSample()
    {
        if (++m_sample == kAnchorSamples) {
            nextAnchor();
            return;
        }
        const double re = m_re * m_stepRe - m_im * m_stepIm;
        m_im = m_re * m_stepIm + m_im * m_stepRe;
        m_re = re;
    }

private:
    // The phase is carried sample by sample from an anchor that moves on by
    // this many samples at a time and keeps its amplitude, so that rounding
    // cannot build up over a long note.
    static constexpr int kAnchorSamples = 1024;
    void nextAnchor();

    double m_amplitude = 1.0; // 1 / cos(w / 2)
    double m_halfSin = 0.0; // sin(w / 2)
    int m_sample = 0; // samples since the anchor
    // amplitude * e^{i (16 s - 1/2) w} at sample s since the reset: call j of
    // the sample is the real part of this times e^{i j w}.
    double m_re = 1.0;
    double m_im = 0.0;
    double m_anchorRe = 1.0;
    double m_anchorIm = 0.0;
    // e^{i 16 w}: one sample on; e^{i 16 w kAnchorSamples}: one anchor on.
    double m_stepRe = 1.0;
    double m_stepIm = 0.0;
    double m_anchorStepRe = 1.0;
    double m_anchorStepIm = 0.0;
    // Sum of e^{i j w} for j = 1..m, at index m.
    double m_sumRe[kCallsPerSample + 1] = {};
    double m_sumIm[kCallsPerSample + 1] = {};
    bool m_usable = false;
};
