#pragma once

#include <cstddef>

// Decimal numbers read and written with a point, whatever locale the host
// process has set: the C library's conversions follow the locale and would
// read "0.75" as 0 where the decimal separator is a comma.
namespace decimaltext {

// Reads the number at the start of text the way strtod does in the "C"
// locale: white space, an optional sign, digits with an optional point and
// an optional exponent, or "inf" / "nan" (no hexadecimal forms). Answers 0.0
// when the text (or a null pointer) does not start with a number. A number
// too large for a double reads as an infinity of its sign, one too small as
// zero.
double parse(const char* text);

// Writes value with precision digits after the point, as printf's "%.*f"
// does in the "C" locale, into out (size bytes, terminated). Answers the
// number of characters written, or -1 (and an empty text) when they do
// not fit.
int formatFixed(double value, int precision, char* out, std::size_t size);

} // namespace decimaltext
