#pragma once
// Measurements that compare two renders of the same sound: levels in short
// windows, the pitch and the vibrato from the phase of the sound's
// fundamental, the tremolo from its magnitude, and the difference signal.

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace audiocheck {

constexpr double kTwoPi = 6.283185307179586;

inline double rmsOf(const std::vector<float>& x, size_t from, size_t to)
{
    double sum = 0.0;
    for (size_t i = from; i < to; ++i)
        sum += static_cast<double>(x[i]) * static_cast<double>(x[i]);
    return to > from ? std::sqrt(sum / static_cast<double>(to - from)) : 0.0;
}

// The RMS of a - b relative to the RMS of b, in dB (-300 when they agree).
inline double differenceDb(const std::vector<float>& a, const std::vector<float>& b)
{
    const size_t n = std::min(a.size(), b.size());
    double difference = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double d = static_cast<double>(a[i]) - static_cast<double>(b[i]);
        difference += d * d;
    }
    const double reference = rmsOf(b, 0, n);
    if (difference == 0.0)
        return -300.0;
    return 20.0 * std::log10(std::sqrt(difference / static_cast<double>(n)) / reference);
}

// RMS level in dB of consecutive windows of the given length from first on.
inline std::vector<float> windowLevelsDb(const std::vector<float>& x, size_t first, size_t window)
{
    std::vector<float> levels;
    for (size_t start = first; start + window <= x.size(); start += window)
        levels.push_back(static_cast<float>(20.0 * std::log10(std::max(rmsOf(x, start, start + window), 1e-15))));
    return levels;
}

// 64-bit FNV-1a over the bits of the samples.
inline uint64_t hashSamples(const std::vector<float>& x, uint64_t hash = 14695981039346656037ull)
{
    for (float v : x) {
        uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        for (int byte = 0; byte < 4; ++byte) {
            hash ^= (bits >> (8 * byte)) & 0xFFu;
            hash *= 1099511628211ull;
        }
    }
    return hash;
}

// The component of x near frequency (Hz) in [from, to): x mixed down by the
// frequency and smoothed by two moving averages of period samples, which null
// the harmonics of rate / period. Phase (unwrapped, radians) and magnitude
// per sample.
struct Demodulation {
    double frequency = 0.0;
    double rate = 0.0;
    std::vector<double> phase;
    std::vector<double> magnitude;
};

inline std::vector<std::complex<double>> movingAverage(const std::vector<std::complex<double>>& z, size_t length)
{
    std::vector<std::complex<double>> out;
    if (z.size() < length)
        return out;
    std::complex<double> sum = 0.0;
    for (size_t i = 0; i < z.size(); ++i) {
        sum += z[i];
        if (i >= length)
            sum -= z[i - length];
        if (i + 1 >= length)
            out.push_back(sum / static_cast<double>(length));
    }
    return out;
}

inline Demodulation demodulate(const std::vector<float>& x, size_t from, size_t to, double frequency, double rate,
                               size_t period)
{
    std::vector<std::complex<double>> mixed;
    for (size_t i = from; i < to; ++i)
        mixed.push_back(std::polar(static_cast<double>(x[i]), -kTwoPi * frequency * static_cast<double>(i) / rate));
    const std::vector<std::complex<double>> smooth = movingAverage(movingAverage(mixed, period), period);
    Demodulation result;
    result.frequency = frequency;
    result.rate = rate;
    double turns = 0.0;
    double previous = 0.0;
    for (size_t i = 0; i < smooth.size(); ++i) {
        const double angle = std::arg(smooth[i]);
        if (i > 0) {
            const double step = angle - previous;
            turns += step > kTwoPi / 2 ? -1.0 : step < -kTwoPi / 2 ? 1.0 : 0.0;
        }
        previous = angle;
        result.phase.push_back(angle + kTwoPi * turns);
        result.magnitude.push_back(std::abs(smooth[i]));
    }
    return result;
}

// Mean magnitude of the component, to find which harmonic carries a sound.
inline double meanMagnitude(const Demodulation& d)
{
    double sum = 0.0;
    for (double m : d.magnitude)
        sum += m;
    return d.magnitude.empty() ? 0.0 : sum / static_cast<double>(d.magnitude.size());
}

// The instantaneous frequency of the component relative to the frequency it
// was mixed down by, per sample (one fewer than the phases).
inline std::vector<double> relativeFrequency(const Demodulation& d)
{
    std::vector<double> relative;
    for (size_t i = 1; i < d.phase.size(); ++i)
        relative.push_back(1.0 + (d.phase[i] - d.phase[i - 1]) / kTwoPi * d.rate / d.frequency);
    return relative;
}

inline std::vector<double> smoothTrack(const std::vector<double>& track, size_t length)
{
    std::vector<double> out;
    double sum = 0.0;
    for (size_t i = 0; i < track.size(); ++i) {
        sum += track[i];
        if (i >= length)
            sum -= track[i - length];
        if (i + 1 >= length)
            out.push_back(sum / static_cast<double>(length));
    }
    return out;
}

// Replaces the samples that are not valid by a straight line between the
// valid ones around them (the nearest valid one at either end).
inline void fillGaps(std::vector<double>& track, const std::vector<bool>& valid)
{
    size_t last = track.size();
    for (size_t i = 0; i < track.size(); ++i) {
        if (!valid[i])
            continue;
        const size_t from = last == track.size() ? 0 : last + 1;
        for (size_t j = from; j < i; ++j) {
            const double t = last == track.size() ? 1.0 : static_cast<double>(j - last) / static_cast<double>(i - last);
            track[j] = last == track.size() ? track[i] : track[last] + t * (track[i] - track[last]);
        }
        last = i;
    }
    for (size_t j = last + 1; last < track.size() && j < track.size(); ++j)
        track[j] = track[last];
}

// A periodic modulation of a track: its rate (Hz, from the upward crossings
// of the mean with hysteresis) and depth (peak of a sine of the same RMS,
// relative to the mean).
struct Modulation {
    double rate = 0.0;
    double depth = 0.0;
    int cycles = 0;
};

inline Modulation modulationOf(const std::vector<double>& track, double rate)
{
    Modulation m;
    if (track.size() < 3)
        return m;
    double mean = 0.0;
    for (double v : track)
        mean += v;
    mean /= static_cast<double>(track.size());
    double square = 0.0;
    for (double v : track)
        square += (v - mean) * (v - mean);
    const double rms = std::sqrt(square / static_cast<double>(track.size()));
    std::vector<double> crossings;
    bool armed = false;
    for (size_t i = 1; i < track.size(); ++i) {
        const double a = track[i - 1] - mean;
        const double b = track[i] - mean;
        if (b < -0.3 * rms)
            armed = true;
        if (armed && a < 0.0 && b >= 0.0) {
            crossings.push_back(static_cast<double>(i - 1) + a / (a - b));
            armed = false;
        }
    }
    m.depth = mean != 0.0 ? rms * std::sqrt(2.0) / std::fabs(mean) : 0.0;
    if (crossings.size() >= 2) {
        m.cycles = static_cast<int>(crossings.size() - 1);
        m.rate = static_cast<double>(m.cycles) * rate / (crossings.back() - crossings.front());
    }
    return m;
}

} // namespace audiocheck
