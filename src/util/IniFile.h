#pragma once

#include <windows.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "os/SystemCalls.h"

// The most a list read from a file (a command list, a registration record) may be: a larger file
// is not one of ours, and reading it would take memory for nothing.
inline constexpr size_t MAX_LIST_FILE_SIZE = 1024 * 1024;

// A profile (ini) file, read whole through the system calls and then looked up as the profile
// functions look one up: section and key names without regard to case, the first section of a
// name and the first key of a name in it, blanks around names and values left out, a value in
// matching quotes without them, at most 1023 characters of it. Read whole, a file that cannot be
// read is told from one that lacks a value.
class CIniFile {
public:
    // Reads the file, at most the limit: ERROR_SUCCESS, ERROR_FILE_TOO_LARGE for a larger file, or
    // the system's error (ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND for none). A file that was
    // not read holds nothing.
    DWORD Read(ISystemCalls& calls, const std::string& path, size_t limit);
    // The same for a file opened for reading, from its start.
    DWORD Read(ISystemCalls& calls, HANDLE file, size_t limit);
    // Takes the text as a file's.
    void Parse(const std::string& text);

    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& defaultValue = std::string()) const;
    // A key's value read as a number, as the profile functions read one: its leading digits,
    // nothing below zero; the default when there is none.
    unsigned GetNumber(const std::string& section, const std::string& key, unsigned defaultValue) const;
    // The section names when the section is empty, otherwise that section's key names, in the
    // file's order (comment keys, starting with ";", left out).
    std::vector<std::string> GetNames(const std::string& section) const;
    // The highest n of the names "<prefix>n", as FormatText("<prefix>%u", n) spells them, among
    // GetNames(section), compared without regard to case. A count read from a file is believed no
    // further than this: what lies beyond it is not there. Never more than the limit; 0 for none.
    unsigned GetHighestNumberedName(const std::string& section, const std::string& prefix, unsigned limit) const;

private:
    struct KEY {
        std::string name;
        std::string value;
        bool bHasValue;  // a line without "=" names a key without a value
    };
    struct SECTION {
        std::string name;
        std::vector<KEY> keys;
    };
    const SECTION* FindSection(const std::string& name) const;

    std::vector<SECTION> m_sections;
    std::unordered_map<std::string, size_t> m_index;  // a folded name: its first section
};

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
