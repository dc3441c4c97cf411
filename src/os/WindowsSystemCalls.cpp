#include "os/WindowsSystemCalls.h"

#include <aclapi.h>

#include <cstring>

namespace {

// A key of the registry, closed on every path (the framework's scoped handles lie above this layer).
class CKey {
public:
    CKey() = default;
    CKey(const CKey&) = delete;
    CKey& operator=(const CKey&) = delete;
    ~CKey() {
        if (m_key != nullptr) ::RegCloseKey(m_key);
    }
    HKEY* Receive() { return &m_key; }
    HKEY Get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

}  // namespace

LONG StoreRegistryString(HKEY hive, const char* keyPath, const char* valueName, const char* text) {
    CKey key;
    char noClass[] = "";
    const LONG created = ::RegCreateKeyExA(hive, keyPath, 0, noClass, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                                          key.Receive(), nullptr);
    if (created != ERROR_SUCCESS) return created;
    // REG_SZ data carries its terminating NUL; readers rely on it.
    const DWORD size = static_cast<DWORD>(std::strlen(text) + 1);
    return ::RegSetValueExA(key.Get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), size);
}

LONG StoreRegistryDwordInExistingKey(HKEY hive, const char* keyPath, const char* valueName, DWORD value) {
    CKey key;
    const LONG opened = ::RegOpenKeyExA(hive, keyPath, 0, KEY_SET_VALUE, key.Receive());
    if (opened != ERROR_SUCCESS) return opened;
    return ::RegSetValueExA(key.Get(), valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

LONG RemoveRegistryValue(HKEY hive, const char* keyPath, const char* valueName) {
    CKey key;
    const LONG opened = ::RegOpenKeyExA(hive, keyPath, 0, KEY_SET_VALUE, key.Receive());
    if (opened == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (opened != ERROR_SUCCESS) return opened;
    const LONG status = ::RegDeleteValueA(key.Get(), valueName);
    return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

LONG FlushRegistryHive(HKEY hive, const char* keyPath) {
    CKey key;
    const LONG opened = ::RegOpenKeyExA(hive, keyPath, 0, KEY_QUERY_VALUE, key.Receive());
    return opened != ERROR_SUCCESS ? opened : ::RegFlushKey(key.Get());
}

HANDLE CWindowsSystemCalls::OpenFile(const char* path, DWORD access, DWORD share, SECURITY_ATTRIBUTES* security,
                                     DWORD disposition, DWORD flags) {
    return ::CreateFileA(path, access, share, security, disposition, flags, nullptr);
}

BOOL CWindowsSystemCalls::Read(HANDLE file, void* buffer, DWORD size, DWORD* read) {
    return ::ReadFile(file, buffer, size, read, nullptr);
}

BOOL CWindowsSystemCalls::Write(HANDLE file, const void* buffer, DWORD size, DWORD* written) {
    return ::WriteFile(file, buffer, size, written, nullptr);
}

BOOL CWindowsSystemCalls::Flush(HANDLE file) { return ::FlushFileBuffers(file); }

BOOL CWindowsSystemCalls::SetEnd(HANDLE file) { return ::SetEndOfFile(file); }

BOOL CWindowsSystemCalls::Seek(HANDLE file, LONGLONG offset, DWORD method) {
    LARGE_INTEGER distance{};
    distance.QuadPart = offset;
    return ::SetFilePointerEx(file, distance, nullptr, method);
}

BOOL CWindowsSystemCalls::SetTime(HANDLE file, const FILETIME* created, const FILETIME* accessed,
                                  const FILETIME* written) {
    return ::SetFileTime(file, created, accessed, written);
}

BOOL CWindowsSystemCalls::GetTime(HANDLE file, FILETIME* created, FILETIME* accessed, FILETIME* written) {
    return ::GetFileTime(file, created, accessed, written);
}

BOOL CWindowsSystemCalls::GetInformation(HANDLE file, BY_HANDLE_FILE_INFORMATION* information) {
    return ::GetFileInformationByHandle(file, information);
}

DWORD CWindowsSystemCalls::GetFinalPathName(HANDLE file, char* buffer, DWORD size) {
    return ::GetFinalPathNameByHandleA(file, buffer, size, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
}

BOOL CWindowsSystemCalls::DeleteOpenFile(HANDLE file) {
    FILE_DISPOSITION_INFO dispose{TRUE};
    return ::SetFileInformationByHandle(file, FileDispositionInfo, &dispose, sizeof dispose);
}

DWORD CWindowsSystemCalls::GetSecurity(HANDLE file, PSECURITY_DESCRIPTOR* descriptor) {
    const SECURITY_INFORMATION wanted = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    return ::GetSecurityInfo(file, SE_FILE_OBJECT, wanted, nullptr, nullptr, nullptr, nullptr, descriptor);
}

BOOL CWindowsSystemCalls::CloseWritten(HANDLE file) { return ::CloseHandle(file); }

DWORD CWindowsSystemCalls::GetAttributes(const char* path) { return ::GetFileAttributesA(path); }

BOOL CWindowsSystemCalls::GetAttributesEx(const char* path, WIN32_FILE_ATTRIBUTE_DATA* data) {
    return ::GetFileAttributesExA(path, GetFileExInfoStandard, data);
}

BOOL CWindowsSystemCalls::SetAttributes(const char* path, DWORD attributes) {
    return ::SetFileAttributesA(path, attributes);
}

BOOL CWindowsSystemCalls::SetAttributesOf(HANDLE file, DWORD attributes) {
    FILE_BASIC_INFO basic{};  // times of 0 stay as they are
    basic.FileAttributes = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
    return ::SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic);
}

BOOL CWindowsSystemCalls::Move(const char* from, const char* to, DWORD flags) {
    return ::MoveFileExA(from, to, flags);
}

BOOL CWindowsSystemCalls::MakeHardLink(const char* link, const char* existing) {
    return ::CreateHardLinkA(link, existing, nullptr);
}

BOOL CWindowsSystemCalls::Delete(const char* path) { return ::DeleteFileA(path); }

BOOL CWindowsSystemCalls::MakeFolder(const char* path, SECURITY_ATTRIBUTES* security) {
    return ::CreateDirectoryA(path, security);
}

BOOL CWindowsSystemCalls::RemoveFolder(const char* path) { return ::RemoveDirectoryA(path); }

HANDLE CWindowsSystemCalls::FindFirst(const char* pattern, WIN32_FIND_DATAA* data) {
    return ::FindFirstFileA(pattern, data);
}

BOOL CWindowsSystemCalls::FindNext(HANDLE find, WIN32_FIND_DATAA* data) { return ::FindNextFileA(find, data); }

BOOL CWindowsSystemCalls::GetVolumePath(const char* path, char* volume, DWORD size) {
    return ::GetVolumePathNameA(path, volume, size);
}

UINT CWindowsSystemCalls::GetTempName(const char* folder, const char* prefix, UINT unique, char* name) {
    return ::GetTempFileNameA(folder, prefix, unique, name);
}



LONG CWindowsSystemCalls::WriteRegistryString(HKEY hive, const char* keyPath, const char* valueName,
                                              const char* text) {
    return StoreRegistryString(hive, keyPath, valueName, text);
}

LONG CWindowsSystemCalls::DeleteRegistryValue(HKEY hive, const char* keyPath, const char* valueName) {
    return RemoveRegistryValue(hive, keyPath, valueName);
}

LONG CWindowsSystemCalls::FlushRegistryKey(HKEY hive, const char* keyPath) { return FlushRegistryHive(hive, keyPath); }
