#include "NumberText.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace numbertext {

void dB2string(float value, char* text)
{
    if (value <= 0.0f)
        std::strcpy(text, "-oo");
    else
        float2string(static_cast<float>(20.0 * std::log10(value)), text);
}

void float2string(float value, char* text)
{
    // Compared in double: 99999999 has no float of its own and rounds to 1e8.
    const double wide = value;
    if (!(wide >= -9999999.0 && wide <= 99999999.0)) {
        std::strcpy(text, "Huge!");
        return;
    }
    char digits[16];
    int length = 0;
    double magnitude = value;
    if (value < 0.0f) {
        text[length++] = '-';
        magnitude = -magnitude;
    }
    const double integerPart = std::floor(magnitude);
    std::snprintf(digits, sizeof digits, "%.0f", integerPart);
    for (const char* d = digits; *d != '\0' && length < 8; ++d)
        text[length++] = *d;
    if (length < 8)
        text[length++] = '.';
    const int missing = 8 - length;
    double running = (magnitude - integerPart) * std::pow(10.0, missing);
    for (int i = 7; i >= length; --i) {
        if (running > 0.0) {
            text[i] = static_cast<char>('0' + static_cast<long long>(running) % 10);
            running = std::floor(running / 10.0);
        } else {
            text[i] = '0';
        }
    }
    text[8] = '\0';
}

void long2string(std::int32_t value, char* text)
{
    if (value >= 100000000) {
        std::strcpy(text, "Huge!");
        return;
    }
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%7d", static_cast<int>(value));
    buffer[8] = '\0';
    std::strcpy(text, buffer);
}

} // namespace numbertext
