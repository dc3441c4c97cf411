#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Remembers one registry value as it is now and puts it back at destruction: the old data
// rewritten, or the value deleted when there was none. Keys that did not exist before are
// removed again when nothing else was put into them. A view (KEY_WOW64_64KEY or KEY_WOW64_32KEY)
// chooses the registry a 64-bit or a 32-bit program sees; 0 is this program's own.
class CRegistryValueGuard {
public:
    CRegistryValueGuard(HKEY hive, const std::string& keyPath, const std::string& valueName, REGSAM view = 0);
    CRegistryValueGuard(const CRegistryValueGuard&) = delete;
    CRegistryValueGuard& operator=(const CRegistryValueGuard&) = delete;
    ~CRegistryValueGuard();

    // Stores a REG_SZ value, creating the key; false when the registry refuses.
    bool Set(const std::string& text);
    // Deletes the value for now.
    void Delete();

private:
    HKEY m_hHive;
    std::string m_strKeyPath;
    std::string m_strValueName;
    REGSAM m_view;
    bool m_bExisted = false;
    DWORD m_dwType = REG_NONE;
    std::vector<BYTE> m_data;
    std::vector<std::string> m_newKeys;  // deepest first
};

// A DWORD value of a key under HKEY_CURRENT_USER; 0xFFFFFFFF when it cannot be read as one.
DWORD ReadUserDword(const char* keyPath, const char* name);

// Deletes a key with everything below it (for keys a test made for itself).
void DeleteRegistryTree(HKEY hive, const std::string& keyPath);

// True in a 32-bit program on 64-bit Windows, where the registry has two views.
bool RunsUnderWow64();

// A string value of a key under HKEY_LOCAL_MACHINE in the given view; empty when there is none.
std::string ReadMachineString(const std::string& keyPath, const std::string& name, REGSAM view = 0);
