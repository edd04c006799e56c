#include "CalcNumber.h"

#include "ByteOrder.h"
#include "DecimalText.h"

#include <cmath>
#include <cstring>

namespace {

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
    // The sign place, then the digits zero-padded to places + 1 characters
    // in all.
    char digits[400];
    int printed = decimaltext::formatFixed(v, precision, digits, sizeof digits);
    const bool negative = digits[0] == '-';
    const char* magnitude = negative ? digits + 1 : digits;
    printed = printed < 0 ? 0 : printed - (negative ? 1 : 0);
    char buffer[sizeof digits + places + 2];
    int length = 0;
    buffer[length++] = negative ? '-' : ' ';
    for (int pad = printed + 1; pad < places + 1; ++pad)
        buffer[length++] = '0';
    std::memcpy(buffer + length, magnitude, static_cast<size_t>(printed));
    length += printed;
    // The ninth place only served the rounding; it is cut, not rounded.
    buffer[length - 1] = '\0';
    setText(buffer, kMaxLength);
    if (trimmed)
        trim();
}

double CalcNumber::value() const
{
    char buffer[kTextSize];
    std::memcpy(buffer, m_text, sizeof buffer);
    buffer[kTextSize - 1] = '\0';
    return decimaltext::parse(buffer);
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
