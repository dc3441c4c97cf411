#include "os/CountingCalls.h"


namespace {

// A failed call answers what the system answers when it fails, with its error as the last error.
template <typename T>
T Fail(DWORD error, T answer) {
    ::SetLastError(error);
    return answer;
}

}  // namespace

size_t CCountingCalls::CountCalls() const {
    size_t total = 0;
    for (const std::atomic<size_t>& count : m_counts) total += count;
    return total;
}

DWORD CCountingCalls::Count(SYSTEM_CALL kind) {
    ++m_counts[kind];
    return ChooseFailure(kind);
}

HANDLE CCountingCalls::OpenFile(const char* path, DWORD access, DWORD share, SECURITY_ATTRIBUTES* security,
                                DWORD disposition, DWORD flags) {
    if (const DWORD error = Count(CALL_OPEN)) return Fail(error, INVALID_HANDLE_VALUE);
    return m_below.OpenFile(path, access, share, security, disposition, flags);
}

BOOL CCountingCalls::Read(HANDLE file, void* buffer, DWORD size, DWORD* read) {
    if (read != nullptr) *read = 0;
    if (const DWORD error = Count(CALL_READ)) return Fail(error, FALSE);
    return m_below.Read(file, buffer, size, read);
}

BOOL CCountingCalls::Write(HANDLE file, const void* buffer, DWORD size, DWORD* written) {
    if (written != nullptr) *written = 0;
    if (const DWORD error = Count(CALL_WRITE)) return Fail(error, FALSE);
    return m_below.Write(file, buffer, size, written);
}

BOOL CCountingCalls::Flush(HANDLE file) {
    if (const DWORD error = Count(CALL_FLUSH)) return Fail(error, FALSE);
    return m_below.Flush(file);
}

BOOL CCountingCalls::SetEnd(HANDLE file) {
    if (const DWORD error = Count(CALL_SET_END)) return Fail(error, FALSE);
    return m_below.SetEnd(file);
}

BOOL CCountingCalls::Seek(HANDLE file, LONGLONG offset, DWORD method) {
    if (const DWORD error = Count(CALL_SEEK)) return Fail(error, FALSE);
    return m_below.Seek(file, offset, method);
}

BOOL CCountingCalls::SetTime(HANDLE file, const FILETIME* created, const FILETIME* accessed,
                             const FILETIME* written) {
    if (const DWORD error = Count(CALL_SET_TIME)) return Fail(error, FALSE);
    return m_below.SetTime(file, created, accessed, written);
}

BOOL CCountingCalls::GetTime(HANDLE file, FILETIME* created, FILETIME* accessed, FILETIME* written) {
    if (const DWORD error = Count(CALL_GET_TIME)) return Fail(error, FALSE);
    return m_below.GetTime(file, created, accessed, written);
}

BOOL CCountingCalls::GetInformation(HANDLE file, BY_HANDLE_FILE_INFORMATION* information) {
    if (const DWORD error = Count(CALL_FILE_INFO)) return Fail(error, FALSE);
    return m_below.GetInformation(file, information);
}

DWORD CCountingCalls::GetFinalPathName(HANDLE file, char* buffer, DWORD size) {
    if (const DWORD error = Count(CALL_FINAL_PATH)) return Fail(error, DWORD{0});
    return m_below.GetFinalPathName(file, buffer, size);
}

BOOL CCountingCalls::DeleteOpenFile(HANDLE file) {
    if (const DWORD error = Count(CALL_DELETE_OPEN)) return Fail(error, FALSE);
    return m_below.DeleteOpenFile(file);
}

DWORD CCountingCalls::GetSecurity(HANDLE file, PSECURITY_DESCRIPTOR* descriptor) {
    if (const DWORD error = Count(CALL_SECURITY)) return error;
    return m_below.GetSecurity(file, descriptor);
}

BOOL CCountingCalls::CloseWritten(HANDLE file) {
    const DWORD error = Count(CALL_CLOSE_WRITTEN);
    const BOOL closed = m_below.CloseWritten(file);  // a handle is closed whatever the close answers
    return error != ERROR_SUCCESS ? Fail(error, FALSE) : closed;
}

DWORD CCountingCalls::GetAttributes(const char* path) {
    if (const DWORD error = Count(CALL_ATTRIBUTES)) return Fail(error, INVALID_FILE_ATTRIBUTES);
    return m_below.GetAttributes(path);
}

BOOL CCountingCalls::GetAttributesEx(const char* path, WIN32_FILE_ATTRIBUTE_DATA* data) {
    if (const DWORD error = Count(CALL_ATTRIBUTES)) return Fail(error, FALSE);
    return m_below.GetAttributesEx(path, data);
}

BOOL CCountingCalls::SetAttributes(const char* path, DWORD attributes) {
    if (const DWORD error = Count(CALL_SET_ATTRIBUTES)) return Fail(error, FALSE);
    return m_below.SetAttributes(path, attributes);
}

BOOL CCountingCalls::SetAttributesOf(HANDLE file, DWORD attributes) {
    if (const DWORD error = Count(CALL_SET_ATTRIBUTES)) return Fail(error, FALSE);
    return m_below.SetAttributesOf(file, attributes);
}

BOOL CCountingCalls::Move(const char* from, const char* to, DWORD flags) {
    if (const DWORD error = Count(CALL_MOVE)) return Fail(error, FALSE);
    return m_below.Move(from, to, flags);
}

BOOL CCountingCalls::MakeHardLink(const char* link, const char* existing) {
    if (const DWORD error = Count(CALL_LINK)) return Fail(error, FALSE);
    return m_below.MakeHardLink(link, existing);
}

BOOL CCountingCalls::Delete(const char* path) {
    if (const DWORD error = Count(CALL_DELETE)) return Fail(error, FALSE);
    return m_below.Delete(path);
}

BOOL CCountingCalls::MakeFolder(const char* path, SECURITY_ATTRIBUTES* security) {
    if (const DWORD error = Count(CALL_MAKE_FOLDER)) return Fail(error, FALSE);
    return m_below.MakeFolder(path, security);
}

BOOL CCountingCalls::RemoveFolder(const char* path) {
    if (const DWORD error = Count(CALL_REMOVE_FOLDER)) return Fail(error, FALSE);
    return m_below.RemoveFolder(path);
}

HANDLE CCountingCalls::FindFirst(const char* pattern, WIN32_FIND_DATAA* data) {
    if (const DWORD error = Count(CALL_FIND)) return Fail(error, INVALID_HANDLE_VALUE);
    return m_below.FindFirst(pattern, data);
}

BOOL CCountingCalls::FindNext(HANDLE find, WIN32_FIND_DATAA* data) {
    if (const DWORD error = Count(CALL_FIND)) return Fail(error, FALSE);
    return m_below.FindNext(find, data);
}

BOOL CCountingCalls::GetVolumePath(const char* path, char* volume, DWORD size) {
    if (const DWORD error = Count(CALL_VOLUME_PATH)) return Fail(error, FALSE);
    return m_below.GetVolumePath(path, volume, size);
}

UINT CCountingCalls::GetTempName(const char* folder, const char* prefix, UINT unique, char* name) {
    if (const DWORD error = Count(CALL_TEMP_NAME)) return Fail(error, UINT{0});
    return m_below.GetTempName(folder, prefix, unique, name);
}



LONG CCountingCalls::WriteRegistryString(HKEY hive, const char* keyPath, const char* valueName, const char* text) {
    if (const DWORD error = Count(CALL_REGISTRY_WRITE)) return static_cast<LONG>(error);
    return m_below.WriteRegistryString(hive, keyPath, valueName, text);
}

LONG CCountingCalls::DeleteRegistryValue(HKEY hive, const char* keyPath, const char* valueName) {
    if (const DWORD error = Count(CALL_REGISTRY_WRITE)) return static_cast<LONG>(error);
    return m_below.DeleteRegistryValue(hive, keyPath, valueName);
}

LONG CCountingCalls::FlushRegistryKey(HKEY hive, const char* keyPath) {
    if (const DWORD error = Count(CALL_REGISTRY_FLUSH)) return static_cast<LONG>(error);
    return m_below.FlushRegistryKey(hive, keyPath);
}
