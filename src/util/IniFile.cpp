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

void CIniText::AddSection(const std::string& name) { m_strText += "[" + name + "]\r\n"; }

void CIniText::AddValue(const std::string& key, const std::string& value) { m_strText += key + "=" + value + "\r\n"; }

void CIniText::AddValue(const std::string& key, unsigned long value) { AddValue(key, std::to_string(value)); }
