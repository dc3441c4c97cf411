#pragma once

#include <string>
#include <vector>

#include "os/SystemCalls.h"

// The value of a key of a profile (ini) file, at most 1023 characters, or the default.
std::string GetIniString(ISystemCalls& calls, const std::string& section, const std::string& key,
                         const std::string& defaultValue, const std::string& filePath);
// A key's value read as a number, as the profile functions read one; the default when there is none.
unsigned GetIniNumber(ISystemCalls& calls, const std::string& section, const std::string& key, unsigned defaultValue,
                      const std::string& filePath);

// The most a list read from a file (a command list, a registration record) may be for its names
// to be read: a larger file is not one of ours, and reading it would take memory for nothing.
inline constexpr unsigned long MAX_LIST_FILE_SIZE = 1024 * 1024;

// The names in a profile file: its section names when the section is empty, otherwise that
// section's key names, in the file's order. False, with no names, when the file is larger than
// MAX_LIST_FILE_SIZE.
bool ReadIniNames(ISystemCalls& calls, const std::string& filePath, const std::string& section,
                  std::vector<std::string>& names);

// The highest n of the names "<prefix>n" in a profile file, as FormatText("<prefix>%u", n) spells
// them, among the names ReadIniNames reads, compared without regard to case as the profile
// functions compare them. A count read from a file is believed no further than this: what lies
// beyond it is not there. Never more than the limit (a file too large to read counts as holding
// them all); 0 when there is none.
unsigned GetHighestNumberedName(ISystemCalls& calls, const std::string& filePath, const std::string& section,
                                const std::string& prefix, unsigned limit);

// An ini file's text as the profile functions lay it out, for a file that is written whole.
class CIniText {
public:
    void AddSection(const std::string& name);
    void AddValue(const std::string& key, const std::string& value);
    void AddValue(const std::string& key, unsigned long value);
    const std::string& GetText() const { return m_strText; }

private:
    std::string m_strText;
};
