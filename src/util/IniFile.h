#pragma once

#include <string>

// The value of a key of a profile (ini) file, at most 1023 characters, or the default.
std::string GetIniString(const std::string& section, const std::string& key, const std::string& defaultValue,
                         const std::string& filePath);
// Writes an integer in decimal; a failed write is not reported.
void WriteIniInt(const std::string& section, const std::string& key, int value, const std::string& filePath);
