#include "util/IniFile.h"

#include <windows.h>

#include <string>

std::string GetIniString(const std::string& section, const std::string& key, const std::string& defaultValue,
                         const std::string& filePath) {
    char buffer[1024] = {};
    ::GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(), buffer, sizeof buffer,
                               filePath.c_str());
    return buffer;
}

void WriteIniInt(const std::string& section, const std::string& key, int value, const std::string& filePath) {
    ::WritePrivateProfileStringA(section.c_str(), key.c_str(), std::to_string(value).c_str(), filePath.c_str());
}
