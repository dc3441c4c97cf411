#include "util/DecimalText.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

std::string FormatDecimal(double value, int decimals, bool round) {
    if (round && decimals > 0) {
        char buffer[512];
        std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
        return buffer;
    }
    if (round) return Int64ToText(static_cast<long long>(RoundDouble(value, true)));
    if (decimals <= 0) return Int64ToText(static_cast<long long>(std::trunc(value)));
    const std::string text = DoubleToText(value, 15);
    const size_t point = text.find('.');
    if (point == std::string::npos) return text;
    return text.substr(0, point + 1 + static_cast<size_t>(decimals));
}

std::string DoubleToText(double value, int significantDigits) {
    char buffer[64] = {};
    _gcvt(value, significantDigits, buffer);
    std::string text = buffer;
    if (!text.empty() && text.back() == '.') text.pop_back();
    return text;
}

double RoundDouble(double value, bool round) {
    const double whole = std::trunc(value);
    if (round && value - whole >= 0.5) return whole + 1;
    return whole;
}

std::string Int64ToText(long long value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%lld", value);
    return buffer;
}
