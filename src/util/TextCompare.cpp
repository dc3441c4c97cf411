#include "util/TextCompare.h"

#include <mbstring.h>

#include <vector>

bool EqualsNoCase(const std::string& a, const std::string& b) {
    return _mbsicmp(reinterpret_cast<const unsigned char*>(a.c_str()),
                    reinterpret_cast<const unsigned char*>(b.c_str())) == 0;
}

std::string ToLowerMb(const std::string& text) {
    std::vector<unsigned char> buffer(text.begin(), text.end());
    buffer.push_back(0);
    _mbslwr(buffer.data());
    return std::string(reinterpret_cast<const char*>(buffer.data()));
}
