#pragma once

#include <cstdint>

// A calculator number kept as its display text: character 0 is the sign
// place (' ' or '-'), then digits with at most one '.'. An empty text is the
// cleared state. length is where the next typed character goes.
class CalcNumber {
public:
    static constexpr int kTextSize = 80;
    static constexpr int kMaxLength = kTextSize - 1;
    static constexpr int kRecordSize = kTextSize + 4;

    CalcNumber() { clear(); }

    void clear();
    // The zero form: " 0" with length 1, so the first digit replaces the '0'.
    void setZero();
    // Answers -1 when the text is full; a '.' typed onto the zero form keeps the '0'.
    int append(char c);
    // Drops trailing zeros after the point, then a trailing point.
    void trim();
    // Deletes the point and answers where it was, -1 when there was none.
    int removePoint();
    void copyFrom(const CalcNumber& other);
    // Prints v with eight places (sign place first), optionally trimmed.
    void format(double v, bool trimmed);
    double value() const;

    bool isEmpty() const { return m_text[0] == '\0'; }
    const char* text() const { return m_text; }
    int32_t length() const { return m_length; }
    // Characters of the text other than a point (the sign place included).
    int placesUsed() const;
    // Turns the sign place between '-' and ' '.
    void toggleSign();
    // Makes a lone "0" the placeholder again so the next digit replaces it.
    void dropLeadingZero();

    // 80 bytes of text (zero after the terminator) and the int32 length.
    void save(unsigned char* dest) const;
    // Reads the text up to its terminator, at most 79 characters.
    void load(const unsigned char* src);

private:
    void setText(const char* src, int maxChars);

    char m_text[kTextSize];
    int32_t m_length;
};
