#include "DecimalText.h"

#include <charconv>
#include <cstring>
#include <limits>
#include <system_error>

namespace {

bool isSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// For a number from_chars found out of range: whether it is too large (rather
// than too small), from the power of ten of its first significant digit plus
// its exponent.
bool overflows(const char* first, const char* last)
{
    long power = 0;
    bool significant = false;
    bool afterPoint = false;
    const char* p = first;
    for (; p < last && *p != 'e' && *p != 'E'; ++p) {
        if (*p == '.') {
            afterPoint = true;
        } else if (!significant && *p == '0') {
            power -= afterPoint ? 1 : 0;
        } else {
            significant = true;
            power += afterPoint ? 0 : 1;
        }
        if (power < -100000)
            return false;
    }
    long exponent = 0;
    if (p < last) {
        ++p;
        const bool negative = p < last && *p == '-';
        p += p < last && (*p == '-' || *p == '+') ? 1 : 0;
        if (std::from_chars(p, last, exponent).ec == std::errc::result_out_of_range)
            return !negative;
        exponent = negative ? -exponent : exponent;
    }
    return power + exponent > 0;
}

} // namespace

namespace decimaltext {

double parse(const char* text)
{
    if (text == nullptr)
        return 0.0;
    const char* p = text;
    while (isSpace(*p))
        ++p;
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+')
        ++p;
    // from_chars takes no sign of its own but a minus, which strtod would
    // not accept after a sign.
    if (*p == '-' || *p == '+')
        return 0.0;
    const char* const last = p + std::strlen(p);
    double value = 0.0;
    const std::from_chars_result result = std::from_chars(p, last, value, std::chars_format::general);
    if (result.ec == std::errc::invalid_argument)
        return 0.0;
    if (result.ec == std::errc::result_out_of_range)
        value = overflows(p, result.ptr) ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -value : value;
}

int formatFixed(double value, int precision, char* out, std::size_t size)
{
    if (out == nullptr || size == 0)
        return -1;
    const std::to_chars_result result =
        std::to_chars(out, out + size - 1, value, std::chars_format::fixed, precision < 0 ? 0 : precision);
    if (result.ec != std::errc()) {
        out[0] = '\0';
        return -1;
    }
    *result.ptr = '\0';
    return static_cast<int>(result.ptr - out);
}

} // namespace decimaltext
