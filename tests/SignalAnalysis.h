#pragma once
// Measurements on rendered audio shared by the engine's and the instrument's tests.

#include <algorithm>
#include <cstddef>
#include <vector>

namespace audiocheck {

// Upward threshold crossings (in samples, interpolated) with hysteresis: a
// crossing of 30 % of the peak counts only after the signal went below 30 %
// of the trough.
inline std::vector<double> upCrossings(const std::vector<float>& x, size_t from)
{
    const auto range = std::minmax_element(x.begin() + static_cast<std::ptrdiff_t>(from), x.end());
    const double high = 0.3 * *range.second;
    const double low = 0.3 * *range.first;
    std::vector<double> times;
    bool armed = false;
    for (size_t i = from + 1; i < x.size(); ++i) {
        if (x[i] < low)
            armed = true;
        if (armed && x[i - 1] < high && x[i] >= high) {
            times.push_back(static_cast<double>(i - 1) + (high - x[i - 1]) / (x[i] - x[i - 1]));
            armed = false;
        }
    }
    return times;
}

// Samples that differ between two renders (every sample when the lengths differ).
inline size_t countDifferences(const std::vector<float>& a, const std::vector<float>& b)
{
    size_t differences = a.size() == b.size() ? 0 : a.size();
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        differences += a[i] != b[i] ? 1 : 0;
    return differences;
}

} // namespace audiocheck
