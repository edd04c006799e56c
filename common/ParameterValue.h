#pragma once

// Brings a parameter value into 0..1 before any step is taken from it:
// values at or above 1 become 1, values below 0 become 0, and a value that is
// not a number becomes 0, so no floor-to-integer conversion ever sees one.
inline float clampParameter(float value)
{
    if (!(value >= 0.0f))
        return 0.0f;
    return value >= 1.0f ? 1.0f : value;
}
