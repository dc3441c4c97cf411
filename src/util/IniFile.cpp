#include "util/IniFile.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "util/FileHelpers.h"
#include "util/TextCompare.h"

namespace {

// The number after the prefix, as "%u" writes it; 0 when there is none, the limit when larger.
unsigned NumberAfter(const std::string& name, const std::string& prefix, unsigned limit) {
    if (name.size() <= prefix.size() || !EqualsNoCase(name.substr(0, prefix.size()), prefix)) return 0;
    const std::string digits = name.substr(prefix.size());
    if (digits[0] == '0' || digits.find_first_not_of("0123456789") != std::string::npos) return 0;
    unsigned long long number = 0;
    for (char digit : digits) {
        number = number * 10 + static_cast<unsigned>(digit - '0');
        if (number >= limit) return limit;
    }
    return static_cast<unsigned>(number);
}

}  // namespace

std::string GetIniString(ISystemCalls& calls, const std::string& section, const std::string& key,
                         const std::string& defaultValue, const std::string& filePath) {
    char buffer[1024] = {};
    calls.ReadProfileString(section.c_str(), key.c_str(), defaultValue.c_str(), buffer, sizeof buffer,
                            filePath.c_str());
    return buffer;
}

unsigned GetIniNumber(ISystemCalls& calls, const std::string& section, const std::string& key, unsigned defaultValue,
                      const std::string& filePath) {
    // As the profile functions read a number: its leading digits, and nothing below zero.
    const std::string text = GetIniString(calls, section, key, "", filePath);
    if (text.empty()) return defaultValue;
    const long long number = std::strtoll(text.c_str(), nullptr, 10);
    return number < 0 ? 0 : static_cast<unsigned>(number);
}

bool ReadIniNames(ISystemCalls& calls, const std::string& filePath, const std::string& section,
                  std::vector<std::string>& names) {
    names.clear();
    // Every name is shorter than its line, so the file's size holds the whole list.
    const DWORD fileSize = GetFileLength(calls, filePath);
    if (fileSize > MAX_LIST_FILE_SIZE) return false;
    std::vector<char> buffer(fileSize + 2);
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD length = section.empty()
                             ? calls.ReadProfileSectionNames(buffer.data(), size, filePath.c_str())
                             : calls.ReadProfileString(section.c_str(), nullptr, "", buffer.data(), size,
                                                       filePath.c_str());
    for (DWORD at = 0; at < length && buffer[at] != '\0';) {
        names.emplace_back(buffer.data() + at);
        at += static_cast<DWORD>(names.back().size()) + 1;
    }
    return true;
}

unsigned GetHighestNumberedName(ISystemCalls& calls, const std::string& filePath, const std::string& section,
                                const std::string& prefix, unsigned limit) {
    std::vector<std::string> names;
    if (!ReadIniNames(calls, filePath, section, names)) return limit;
    unsigned highest = 0;
    for (const std::string& name : names) highest = std::max(highest, NumberAfter(name, prefix, limit));
    return highest;
}

void CIniText::AddSection(const std::string& name) { m_strText += "[" + name + "]\r\n"; }

void CIniText::AddValue(const std::string& key, const std::string& value) { m_strText += key + "=" + value + "\r\n"; }

void CIniText::AddValue(const std::string& key, unsigned long value) { AddValue(key, std::to_string(value)); }
