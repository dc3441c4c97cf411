#pragma once

#include <windows.h>

#include <string>

// Reads and writes string and DWORD values. Keeps nothing: each call opens and closes its own key.
// The program runs with administrator rights, so keys are opened with full access.
class CRegistryAccess {
public:
    // Values whose data, terminator included, needs more than this read as empty.
    static constexpr DWORD READ_BUFFER_SIZE = 1000;
    // Value names longer than this (terminator included) end a value walk.
    static constexpr DWORD NAME_BUFFER_SIZE = 200;

    // The value's text, or empty text on any failure. An empty name reads the default value.
    static std::string ReadString(HKEY hive, const std::string& keyPath, const std::string& valueName);
    // Stores the text as REG_SZ, creating the key and its parents; false when nothing was stored,
    // with the registry's status in *status when asked for.
    static bool WriteString(HKEY hive, const std::string& keyPath, const std::string& valueName,
                            const std::string& text, LONG* status = nullptr);
    // Removes the value; true when it is gone (also when it was never there).
    static bool DeleteValue(HKEY hive, const std::string& keyPath, const std::string& valueName);
    // True when the key holds a value of that name, compared without regard to case.
    static bool HasValue(HKEY hive, const std::string& keyPath, const std::string& valueName);
    // True when the key exists.
    static bool KeyExists(HKEY hive, const std::string& keyPath);
    // The value as a DWORD; false (value untouched) when it is missing or of another type.
    static bool ReadDword(HKEY hive, const std::string& keyPath, const std::string& valueName, DWORD& value);
    // Stores a REG_DWORD in a key that exists already (a key of another program is never made).
    static bool WriteDwordInExistingKey(HKEY hive, const std::string& keyPath, const std::string& valueName,
                                        DWORD value);
    // Writes the key's hive to the disk now, rather than whenever the system gets to it; false,
    // with the registry's status in *status when asked for, when it could not.
    static bool Flush(HKEY hive, const std::string& keyPath, LONG* status = nullptr);
};
