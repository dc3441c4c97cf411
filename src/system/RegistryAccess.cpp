#include "system/RegistryAccess.h"

#include <cstring>

#include "framework/ScopedHandles.h"
#include "os/WindowsSystemCalls.h"
#include "util/TextCompare.h"

namespace {

// Passes the registry's status on to whoever asked for it; true when it is success.
bool Answer(LONG result, LONG* status) {
    if (status != nullptr) *status = result;
    return result == ERROR_SUCCESS;
}

CScopedRegKey OpenKey(HKEY hive, const std::string& keyPath, LONG* status = nullptr) {
    CScopedRegKey key;
    if (!Answer(::RegOpenKeyExA(hive, keyPath.c_str(), 0, KEY_ALL_ACCESS, key.Receive()), status)) key.Release();
    return key;
}

}  // namespace

std::string CRegistryAccess::ReadString(HKEY hive, const std::string& keyPath, const std::string& valueName) {
    CScopedRegKey key = OpenKey(hive, keyPath);
    if (!key) return std::string();
    char buffer[READ_BUFFER_SIZE] = {};
    DWORD size = sizeof(buffer);
    if (::RegQueryValueExA(key.Get(), valueName.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size) !=
        ERROR_SUCCESS)
        return std::string();
    // Data stored without its terminator (or not text at all) must not run past what was read.
    return std::string(buffer, ::strnlen(buffer, size));
}

bool CRegistryAccess::WriteString(HKEY hive, const std::string& keyPath, const std::string& valueName,
                                  const std::string& text, LONG* status) {
    return Answer(StoreRegistryString(hive, keyPath.c_str(), valueName.c_str(), text.c_str()), status);
}

bool CRegistryAccess::HasValue(HKEY hive, const std::string& keyPath, const std::string& valueName) {
    CScopedRegKey key = OpenKey(hive, keyPath);
    if (!key) return false;
    for (DWORD index = 0;; ++index) {
        char name[NAME_BUFFER_SIZE] = {};
        DWORD length = sizeof(name);
        // A name that does not fit the buffer is an error like any other and ends the walk.
        if (::RegEnumValueA(key.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return false;
        if (EqualsNoCase(name, valueName)) return true;
    }
}

bool CRegistryAccess::DeleteValue(HKEY hive, const std::string& keyPath, const std::string& valueName) {
    return RemoveRegistryValue(hive, keyPath.c_str(), valueName.c_str()) == ERROR_SUCCESS;
}

bool CRegistryAccess::ReadDword(HKEY hive, const std::string& keyPath, const std::string& valueName, DWORD& value) {
    DWORD read = 0;
    DWORD size = sizeof read;
    if (::RegGetValueA(hive, keyPath.c_str(), valueName.c_str(), RRF_RT_REG_DWORD, nullptr, &read, &size) !=
        ERROR_SUCCESS)
        return false;
    value = read;
    return true;
}

bool CRegistryAccess::WriteDwordInExistingKey(HKEY hive, const std::string& keyPath, const std::string& valueName,
                                              DWORD value) {
    return StoreRegistryDwordInExistingKey(hive, keyPath.c_str(), valueName.c_str(), value) == ERROR_SUCCESS;
}

bool CRegistryAccess::Flush(HKEY hive, const std::string& keyPath, LONG* status) {
    return Answer(FlushRegistryHive(hive, keyPath.c_str()), status);
}

bool CRegistryAccess::KeyExists(HKEY hive, const std::string& keyPath) { return static_cast<bool>(OpenKey(hive, keyPath)); }
