#include "system/RegistryAccess.h"

#include <cstring>

#include "framework/ScopedHandles.h"
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
    CScopedRegKey key;
    char noClass[] = "";
    const LONG created = ::RegCreateKeyExA(hive, keyPath.c_str(), 0, noClass, REG_OPTION_NON_VOLATILE,
                                          KEY_ALL_ACCESS, nullptr, key.Receive(), nullptr);
    if (created != ERROR_SUCCESS) {
        key.Release();
        return Answer(created, status);
    }
    // REG_SZ data carries its terminating NUL; readers rely on it.
    const DWORD size = static_cast<DWORD>(text.size() + 1);
    return Answer(::RegSetValueExA(key.Get(), valueName.c_str(), 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(text.c_str()), size),
                  status);
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
    CScopedRegKey key;
    const LONG opened = ::RegOpenKeyExA(hive, keyPath.c_str(), 0, KEY_SET_VALUE, key.Receive());
    if (opened == ERROR_FILE_NOT_FOUND) return true;
    if (opened != ERROR_SUCCESS) return false;
    const LONG status = ::RegDeleteValueA(key.Get(), valueName.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
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
    CScopedRegKey key = OpenKey(hive, keyPath);
    return key && ::RegSetValueExA(key.Get(), valueName.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                   sizeof value) == ERROR_SUCCESS;
}

bool CRegistryAccess::Flush(HKEY hive, const std::string& keyPath, LONG* status) {
    CScopedRegKey key = OpenKey(hive, keyPath, status);
    return key && Answer(::RegFlushKey(key.Get()), status);
}

bool CRegistryAccess::KeyExists(HKEY hive, const std::string& keyPath) { return static_cast<bool>(OpenKey(hive, keyPath)); }
