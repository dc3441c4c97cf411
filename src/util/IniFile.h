#pragma once

#include <string>

// The value of a key of a profile (ini) file, at most 1023 characters, or the default.
std::string GetIniString(const std::string& section, const std::string& key, const std::string& defaultValue,
                         const std::string& filePath);

// The highest n of the names "<prefix>n" in a profile file, as FormatText("<prefix>%u", n) spells
// them: among its section names when the section is empty, otherwise among that section's key
// names, compared without regard to case as the profile functions compare them. A count read from
// a file is believed no further than this: what lies beyond it is not there. Never more than the
// limit; 0 when there is none.
unsigned GetHighestNumberedName(const std::string& filePath, const std::string& section, const std::string& prefix,
                                unsigned limit);

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
