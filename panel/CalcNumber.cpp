#include "CalcNumber.h"

#include "ByteOrder.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Printing and reading go through the C library, whose decimal point follows
// the process locale; the texts always use '.'.
char localeDecimalPoint()
{
    const std::lconv* conv = std::localeconv();
    if (conv == nullptr || conv->decimal_point == nullptr || conv->decimal_point[0] == '\0')
        return '.';
    return conv->decimal_point[0];
}

int integerDigits(double magnitude)
{
    int n = 1;
    double limit = 10.0;
    while (magnitude >= limit && n < 400) {
        ++n;
        limit *= 10.0;
    }
    return n;
}

} // namespace

void CalcNumber::clear()
{
    std::memset(m_text, 0, sizeof m_text);
    m_length = 0;
}

void CalcNumber::setZero()
{
    std::memset(m_text, 0, sizeof m_text);
    m_text[0] = ' ';
    m_text[1] = '0';
    m_length = 1;
}

int CalcNumber::append(char c)
{
    if (m_length >= kMaxLength || m_length < 0)
        return -1;
    if (m_length == 1 && c == '.')
        m_length = 2;
    m_text[m_length] = c;
    ++m_length;
    m_text[m_length] = '\0';
    return m_length;
}

void CalcNumber::trim()
{
    int len = static_cast<int>(std::strlen(m_text));
    // Zeros of a whole number are digits, not padding: only decimals are trimmed.
    if (std::strchr(m_text, '.') == nullptr) {
        m_length = len;
        return;
    }
    while (len > 0 && m_text[len - 1] == '0')
        m_text[--len] = '\0';
    if (len > 1 && m_text[len - 1] == '.')
        m_text[--len] = '\0';
    m_length = len;
}

int CalcNumber::removePoint()
{
    char* point = std::strchr(m_text, '.');
    int index = -1;
    if (point != nullptr) {
        index = static_cast<int>(point - m_text);
        std::memmove(point, point + 1, std::strlen(point + 1) + 1);
    }
    m_length = static_cast<int32_t>(std::strlen(m_text));
    return index;
}

void CalcNumber::copyFrom(const CalcNumber& other)
{
    if (&other != this)
        setText(other.m_text, kMaxLength);
}

void CalcNumber::format(double v, bool trimmed)
{
    if (!std::isfinite(v))
        v = 0.0;
    const int places = 8;
    int precision = places + 1 - integerDigits(std::fabs(v));
    if (precision < 0)
        precision = 0;
    char buffer[400];
    int printed = std::snprintf(buffer, sizeof buffer, "% 0*.*f", places + 1, precision, v);
    if (printed < 0)
        printed = 0;
    if (printed > static_cast<int>(sizeof buffer) - 1)
        printed = static_cast<int>(sizeof buffer) - 1;
    // The ninth place only served the rounding; it is cut, not rounded.
    if (printed > 0)
        buffer[printed - 1] = '\0';
    const char point = localeDecimalPoint();
    for (char* p = buffer; *p != '\0'; ++p) {
        if (*p == point)
            *p = '.';
    }
    setText(buffer, kMaxLength);
    if (trimmed)
        trim();
}

double CalcNumber::value() const
{
    char buffer[kTextSize];
    std::memcpy(buffer, m_text, sizeof buffer);
    buffer[kTextSize - 1] = '\0';
    const char point = localeDecimalPoint();
    for (char* p = buffer; *p != '\0'; ++p) {
        if (*p == '.')
            *p = point;
    }
    return std::strtod(buffer, nullptr);
}

int CalcNumber::placesUsed() const
{
    int count = 0;
    for (int i = 0; i < kTextSize && m_text[i] != '\0'; ++i) {
        if (m_text[i] != '.')
            ++count;
    }
    return count;
}

void CalcNumber::toggleSign()
{
    if (isEmpty())
        setZero();
    m_text[0] = m_text[0] == '-' ? ' ' : '-';
}

void CalcNumber::dropLeadingZero()
{
    if (m_text[0] != '\0' && m_text[1] == '0' && m_text[2] == '\0')
        m_length = 1;
}

void CalcNumber::save(unsigned char* dest) const
{
    std::memset(dest, 0, kTextSize);
    const size_t len = std::strlen(m_text);
    std::memcpy(dest, m_text, len);
    byteorder::putInt32(dest + kTextSize, static_cast<int32_t>(len));
}

void CalcNumber::load(const unsigned char* src)
{
    char field[kTextSize];
    std::memcpy(field, src, sizeof field);
    setText(field, kMaxLength);
}

void CalcNumber::setText(const char* src, int maxChars)
{
    // Copy first: src may be the caller's view of this very text.
    char copy[kTextSize];
    int len = 0;
    while (len < maxChars && src[len] != '\0') {
        copy[len] = src[len];
        ++len;
    }
    std::memset(m_text, 0, sizeof m_text);
    std::memcpy(m_text, copy, static_cast<size_t>(len));
    m_length = len;
}
