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

inline std::vector<double> hannWindow(size_t length)
{
    std::vector<double> w(length);
    for (size_t i = 0; i < length; ++i)
        w[i] = 0.5 - 0.5 * std::cos(kTwoPi * (static_cast<double>(i) + 0.5) / static_cast<double>(length));
    return w;
}

// The level in dB of consecutive windows of the given length from first on:
// the RMS weighted by a Hann window, so that a waveform moved by a fraction
// of its period within a window keeps its level.
inline std::vector<float> windowLevelsDb(const std::vector<float>& x, size_t first, size_t window)
{
    const std::vector<double> w = hannWindow(window);
    double weight = 0.0;
    for (double v : w)
        weight += v;
    std::vector<float> levels;
    for (size_t start = first; start + window <= x.size(); start += window) {
        double sum = 0.0;
        for (size_t i = 0; i < window; ++i)
            sum += w[i] * static_cast<double>(x[start + i]) * static_cast<double>(x[start + i]);
        levels.push_back(static_cast<float>(10.0 * std::log10(std::max(sum / weight, 1e-30))));
    }
    return levels;
}

// In-place radix-2 FFT; the size is a power of two.
inline void fft(std::vector<std::complex<double>>& z)
{
    const size_t n = z.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(z[i], z[j]);
    }
    for (size_t length = 2; length <= n; length <<= 1) {
        const std::complex<double> turn = std::polar(1.0, -kTwoPi / static_cast<double>(length));
        for (size_t start = 0; start < n; start += length) {
            std::complex<double> w = 1.0;
            for (size_t k = 0; k < length / 2; ++k) {
                const std::complex<double> a = z[start + k];
                const std::complex<double> b = z[start + k + length / 2] * w;
                z[start + k] = a + b;
                z[start + k + length / 2] = a - b;
                w *= turn;
            }
        }
    }
}

// The long-term magnitude spectrum of [from, to): the square root of the
// mean power of Hann-windowed frames of the given size, half overlapping.
inline std::vector<float> averageSpectrum(const std::vector<float>& x, size_t from, size_t to, size_t frame = 1024)
{
    const std::vector<double> w = hannWindow(frame);
    std::vector<double> power(frame / 2 + 1, 0.0);
    int frames = 0;
    std::vector<std::complex<double>> z(frame);
    for (size_t start = from; start + frame <= to; start += frame / 2, ++frames) {
        for (size_t i = 0; i < frame; ++i)
            z[i] = w[i] * static_cast<double>(x[start + i]);
        fft(z);
        for (size_t k = 0; k < power.size(); ++k)
            power[k] += std::norm(z[k]);
    }
    std::vector<float> magnitude;
    for (double p : power)
        magnitude.push_back(static_cast<float>(std::sqrt(frames > 0 ? p / frames : 0.0)));
    return magnitude;
}

// The RMS of the difference of two magnitude spectra relative to the RMS of
// the second, in dB (-300 when they agree).
inline double spectrumDifferenceDb(const std::vector<float>& a, const std::vector<float>& b)
{
    double difference = 0.0, reference = 0.0;
    for (size_t k = 0; k < std::min(a.size(), b.size()); ++k) {
        const double d = static_cast<double>(a[k]) - static_cast<double>(b[k]);
        difference += d * d;
        reference += static_cast<double>(b[k]) * static_cast<double>(b[k]);
    }
    if (difference == 0.0)
        return -300.0;
    return 10.0 * std::log10(difference / reference);
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

// The means of every length consecutive values.
template <typename T>
std::vector<T> movingAverage(const std::vector<T>& values, size_t length)
{
    std::vector<T> out;
    T sum = T(0);
    for (size_t i = 0; i < values.size(); ++i) {
        sum += values[i];
        if (i >= length)
            sum -= values[i - length];
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
