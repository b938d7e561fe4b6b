#pragma once
// Numbers to and from the texts typed into and read from edit boxes. Both
// directions use '.' as the decimal point whatever the user's locale.
#include <string>

// "%d".
std::string ToText(int value);
// "%.13g": at most 13 significant digits, no trailing zeros, exponent form only
// below 1e-4 or from 1e13 on.
std::string ToText(double value);

// Full-width digits, signs, point and ideographic space read as their ASCII forms;
// then the longest leading decimal number after white space, as atof reads it in
// the classic locale (no hexadecimal, infinity or NaN forms); 0 when there is none.
// A missing text reads as 0.
double ToNumber(const char* text);
