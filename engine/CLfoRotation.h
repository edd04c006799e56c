#pragma once

// The vibrato oscillator (CLfo) in closed form. Without its amplitude
// correction the CLfo recurrence is an exact rotation by the angle w with
// cos w = 1 - k^2 / 2; its n-th value after a reset is
//     cos((n - 1/2) w) / cos(w / 2),
// and for the small angles of a vibrato the correction changes that by a few
// parts in a million. Kept as a complex phase in double precision, the sum of
// the first m of a sample's 16 values is a couple of complex products with
// precomputed rotations, so the voice needs the oscillator only at the clocks
// where a pattern step fires, and moving on by any number of samples costs
// next to nothing.
//
// The phase of a sample is an anchor times a tabled rotation; the anchor
// moves on every kTableSamples samples. So the values do not depend on how
// the samples were grouped, and everything is built from k with additions,
// multiplications, divisions and square roots alone: every build computes
// the same values.
class CLfoRotation {
public:
    static constexpr int kCallsPerSample = 16;
    static constexpr int kTableSamples = 256;

    // Takes the CLfo's per-call coefficient k and restarts the phase.
    void setCoefficient(float k);
    // Whether the rotation follows the recurrence closely at this k; at
    // larger angles the recurrence must be stepped itself.
    bool usable() const { return m_usable; }
    // Back to the first call after a reset.
    void Reset();
    // The sum of the first m values (1..16) of the current sample.
    double sumTo(int m) const
    {
        const double re = m_turnRe[m_index] * m_sumRe[m] - m_turnIm[m_index] * m_sumIm[m];
        const double im = m_turnRe[m_index] * m_sumIm[m] + m_turnIm[m_index] * m_sumRe[m];
        return m_anchorRe * re - m_anchorIm * im;
    }
    // Moves on by the 16 calls of each of count samples.
    void advance(int count)
    {
        m_index += count;
        while (m_index >= kTableSamples) {
            m_index -= kTableSamples;
            nextAnchor();
        }
    }

private:
    void nextAnchor();

    double m_amplitude = 1.0; // 1 / cos(w / 2)
    double m_halfSin = 0.0; // sin(w / 2)
    // amplitude * e^{i (16 s - 1/2) w} at the sample s of the last anchor
    // since the reset; that of the current sample is this times
    // e^{i 16 index w}, and its call j the real part of that times e^{i j w}.
    double m_anchorRe = 1.0;
    double m_anchorIm = 0.0;
    int m_index = 0;
    // e^{i 16 w kTableSamples}: one anchor on.
    double m_anchorStepRe = 1.0;
    double m_anchorStepIm = 0.0;
    // e^{i 16 j w} at index j.
    double m_turnRe[kTableSamples] = {};
    double m_turnIm[kTableSamples] = {};
    // Sum of e^{i j w} for j = 1..m, at index m.
    double m_sumRe[kCallsPerSample + 1] = {};
    double m_sumIm[kCallsPerSample + 1] = {};
    bool m_usable = false;
};
