#pragma once

#include <string>

// A number as decimal text with n digits after the point (rounded), or cut after n
// characters past the point when rounding is off. The compression rate uses (value, 2, true).
std::string FormatDecimal(double value, int decimals, bool round);
// The value with the given number of significant digits in its shortest general form.
std::string DoubleToText(double value, int significantDigits);
// The value truncated toward zero, plus one when rounding and the fraction is 0.5 or more.
double RoundDouble(double value, bool round);
std::string Int64ToText(long long value);
