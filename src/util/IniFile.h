#pragma once

#include <string>

// The value of a key of a profile (ini) file, at most 1023 characters, or the default.
std::string GetIniString(const std::string& section, const std::string& key, const std::string& defaultValue,
                         const std::string& filePath);

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
