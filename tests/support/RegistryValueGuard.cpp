#include "support/RegistryValueGuard.h"

#include "framework/ScopedHandles.h"
#include "system/RegistryAccess.h"

namespace {

bool KeyExists(HKEY hive, const std::string& keyPath, REGSAM view) {
    CScopedRegKey key;
    const bool exists = ::RegOpenKeyExA(hive, keyPath.c_str(), 0, KEY_READ | view, key.Receive()) == ERROR_SUCCESS;
    if (!exists) key.Release();
    return exists;
}

bool IsKeyEmpty(HKEY hive, const std::string& keyPath, REGSAM view) {
    CScopedRegKey key;
    if (::RegOpenKeyExA(hive, keyPath.c_str(), 0, KEY_READ | view, key.Receive()) != ERROR_SUCCESS) {
        key.Release();
        return false;
    }
    DWORD subKeys = 0;
    DWORD values = 0;
    if (::RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr,
                           nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    return subKeys == 0 && values == 0;
}

}  // namespace

CRegistryValueGuard::CRegistryValueGuard(HKEY hive, const std::string& keyPath, const std::string& valueName,
                                         REGSAM view)
    : m_hHive(hive), m_strKeyPath(keyPath), m_strValueName(valueName), m_view(view) {
    for (std::string path = keyPath; !path.empty() && !KeyExists(hive, path, view);) {
        m_newKeys.push_back(path);
        const size_t slash = path.rfind('\\');
        path = slash == std::string::npos ? std::string() : path.substr(0, slash);
    }
    CScopedRegKey key;
    if (::RegOpenKeyExA(hive, keyPath.c_str(), 0, KEY_READ | view, key.Receive()) != ERROR_SUCCESS) {
        key.Release();
        return;
    }
    DWORD size = 0;
    if (::RegQueryValueExA(key.Get(), valueName.c_str(), nullptr, &m_dwType, nullptr, &size) != ERROR_SUCCESS) return;
    m_data.resize(size);
    m_bExisted = ::RegQueryValueExA(key.Get(), valueName.c_str(), nullptr, &m_dwType, m_data.data(), &size) ==
                 ERROR_SUCCESS;
    m_data.resize(size);
}

CRegistryValueGuard::~CRegistryValueGuard() {
    if (m_bExisted) {
        CScopedRegKey key;
        if (::RegCreateKeyExA(m_hHive, m_strKeyPath.c_str(), 0, nullptr, 0, KEY_WRITE | m_view, nullptr, key.Receive(),
                              nullptr) == ERROR_SUCCESS)
            ::RegSetValueExA(key.Get(), m_strValueName.c_str(), 0, m_dwType, m_data.data(),
                             static_cast<DWORD>(m_data.size()));
        else
            key.Release();
        return;
    }
    Delete();
    for (const std::string& path : m_newKeys) {
        if (IsKeyEmpty(m_hHive, path, m_view)) ::RegDeleteKeyExA(m_hHive, path.c_str(), m_view, 0);
    }
}

bool CRegistryValueGuard::Set(const std::string& text) {
    CScopedRegKey key;
    if (::RegCreateKeyExA(m_hHive, m_strKeyPath.c_str(), 0, nullptr, 0, KEY_WRITE | m_view, nullptr, key.Receive(), nullptr) !=
        ERROR_SUCCESS) {
        key.Release();
        return false;
    }
    return ::RegSetValueExA(key.Get(), m_strValueName.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

void CRegistryValueGuard::Delete() {
    CScopedRegKey key;
    if (::RegOpenKeyExA(m_hHive, m_strKeyPath.c_str(), 0, KEY_SET_VALUE | m_view, key.Receive()) != ERROR_SUCCESS) {
        key.Release();
        return;
    }
    ::RegDeleteValueA(key.Get(), m_strValueName.c_str());
}

void DeleteRegistryTree(HKEY hive, const std::string& keyPath) { ::RegDeleteTreeA(hive, keyPath.c_str()); }

DWORD ReadUserDword(const char* keyPath, const char* name) {
    DWORD value = 0xFFFFFFFF;
    CRegistryAccess::ReadDword(HKEY_CURRENT_USER, keyPath, name, value);
    return value;
}

bool RunsUnderWow64() {
    BOOL wow64 = FALSE;
    return ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
}

std::string ReadMachineString(const std::string& keyPath, const std::string& name, REGSAM view) {
    CScopedRegKey key;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ | view, key.Receive()) != ERROR_SUCCESS) {
        key.Release();
        return std::string();
    }
    char text[1024] = {};
    DWORD size = sizeof text;
    if (::RegGetValueA(key.Get(), nullptr, name.c_str(), RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return std::string();
    return text;
}
