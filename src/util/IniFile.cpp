#include "util/IniFile.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "util/FileHelpers.h"
#include "util/TextCompare.h"

namespace {

// Names longer than a file of this size are not read: a larger file counts as holding them all.
const DWORD MAX_NAMES_READ = 1024 * 1024;

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

std::string GetIniString(const std::string& section, const std::string& key, const std::string& defaultValue,
                         const std::string& filePath) {
    char buffer[1024] = {};
    ::GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(), buffer, sizeof buffer,
                               filePath.c_str());
    return buffer;
}

unsigned GetHighestNumberedName(const std::string& filePath, const std::string& section, const std::string& prefix,
                                unsigned limit) {
    // Every name is shorter than its line, so the file's size holds the whole list.
    const DWORD fileSize = GetFileLength(filePath);
    if (fileSize > MAX_NAMES_READ) return limit;
    std::vector<char> names(fileSize + 2);
    const DWORD size = static_cast<DWORD>(names.size());
    const DWORD length = section.empty()
                             ? ::GetPrivateProfileSectionNamesA(names.data(), size, filePath.c_str())
                             : ::GetPrivateProfileStringA(section.c_str(), nullptr, "", names.data(), size,
                                                          filePath.c_str());
    unsigned highest = 0;
    for (DWORD at = 0; at < length && names[at] != '\0';) {
        const std::string name = names.data() + at;
        highest = std::max(highest, NumberAfter(name, prefix, limit));
        at += static_cast<DWORD>(name.size()) + 1;
    }
    return highest;
}

void CIniText::AddSection(const std::string& name) { m_strText += "[" + name + "]\r\n"; }

void CIniText::AddValue(const std::string& key, const std::string& value) { m_strText += key + "=" + value + "\r\n"; }

void CIniText::AddValue(const std::string& key, unsigned long value) { AddValue(key, std::to_string(value)); }
