#include "util/IniFile.h"

#include <algorithm>
#include <cstdlib>

#include "framework/ScopedHandles.h"
#include "util/FileHelpers.h"
#include "util/TextCompare.h"

namespace {

// What the profile functions give of a value.
const size_t MOST_VALUE_CHARS = 1023;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string Trimmed(const std::string& text, size_t begin, size_t end) {
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

// A value as the profile functions give it: without a pair of quotes around it, cut to its most.
std::string AsGiven(std::string value) {
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        value = value.substr(1, value.size() - 2);
    if (value.size() > MOST_VALUE_CHARS) value.resize(MOST_VALUE_CHARS);
    return value;
}

// A name to look up without regard to case: ASCII letters lowered, double-byte characters whole.
std::string Folded(const std::string& name) { return ToLowerMb(name); }

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

DWORD CIniFile::Read(ISystemCalls& calls, const std::string& path, size_t limit) {
    Parse(std::string());
    CScopedKernelHandle file(calls.OpenFile(path.c_str(), GENERIC_READ, SHARE_ALL, nullptr, OPEN_EXISTING, 0));
    return file ? Read(calls, file.Get(), limit) : ::GetLastError();
}

DWORD CIniFile::Read(ISystemCalls& calls, HANDLE file, size_t limit) {
    Parse(std::string());
    BY_HANDLE_FILE_INFORMATION info{};
    if (!calls.GetInformation(file, &info)) return ::GetLastError();
    if (info.nFileSizeHigh != 0 || info.nFileSizeLow > limit) return ERROR_FILE_TOO_LARGE;
    std::string text(info.nFileSizeLow, '\0');
    DWORD read = 0;
    if (!text.empty() && !calls.Read(file, &text[0], static_cast<DWORD>(text.size()), &read)) return ::GetLastError();
    if (read != text.size()) return ERROR_HANDLE_EOF;  // it shrank meanwhile: not a whole file
    Parse(text);
    return ERROR_SUCCESS;
}

void CIniFile::Parse(const std::string& text) {
    m_sections.assign(1, SECTION{});  // what comes before the first section belongs to none
    m_index.clear();
    for (size_t begin = 0; begin < text.size();) {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos) end = text.size();
        const std::string line = Trimmed(text, begin, end);
        begin = end + 1;
        if (line.empty()) continue;
        const size_t close = line.rfind(']');
        if (line[0] == '[' && close != std::string::npos) {
            m_sections.push_back({Trimmed(line, 1, close), {}});
            m_index.emplace(Folded(m_sections.back().name), m_sections.size() - 1);  // the first one stays
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string::npos)
            m_sections.back().keys.push_back({line, std::string(), false});
        else
            m_sections.back().keys.push_back({Trimmed(line, 0, equals), Trimmed(line, equals + 1, line.size()), true});
    }
}

const CIniFile::SECTION* CIniFile::FindSection(const std::string& name) const {
    const auto found = m_index.find(Folded(name));
    return found == m_index.end() ? nullptr : &m_sections[found->second];
}

std::string CIniFile::GetString(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const {
    if (const SECTION* found = FindSection(section))
        for (const KEY& entry : found->keys)
            if (EqualsNoCase(entry.name, key)) return AsGiven(entry.bHasValue ? entry.value : defaultValue);
    return AsGiven(defaultValue);
}

unsigned CIniFile::GetNumber(const std::string& section, const std::string& key, unsigned defaultValue) const {
    const std::string text = GetString(section, key);
    if (text.empty()) return defaultValue;
    const long long number = std::strtoll(text.c_str(), nullptr, 10);
    return number < 0 ? 0 : static_cast<unsigned>(number);
}

std::vector<std::string> CIniFile::GetNames(const std::string& section) const {
    std::vector<std::string> names;
    if (section.empty()) {
        for (size_t i = 1; i < m_sections.size(); ++i)
            if (!m_sections[i].name.empty()) names.push_back(m_sections[i].name);
    } else if (const SECTION* found = FindSection(section)) {
        for (const KEY& entry : found->keys)
            if (entry.name[0] != ';') names.push_back(entry.name);
    }
    return names;
}

unsigned CIniFile::GetHighestNumberedName(const std::string& section, const std::string& prefix,
                                          unsigned limit) const {
    unsigned highest = 0;
    for (const std::string& name : GetNames(section)) highest = std::max(highest, NumberAfter(name, prefix, limit));
    return highest;
}

void CIniText::AddSection(const std::string& name) { m_strText += "[" + name + "]\r\n"; }

void CIniText::AddValue(const std::string& key, const std::string& value) { m_strText += key + "=" + value + "\r\n"; }

void CIniText::AddValue(const std::string& key, unsigned long value) { AddValue(key, std::to_string(value)); }
