#pragma once

#include <string>

// File names, command kinds, path tokens and registry value names are compared
// without regard to case, a double-byte character of the ANSI code page counting as one unit.
bool EqualsNoCase(const std::string& a, const std::string& b);
// Lower-cases ASCII letters, leaving double-byte characters whole.
std::string ToLowerMb(const std::string& text);
