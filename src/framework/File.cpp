#include "framework/File.h"

namespace {

DWORD AccessOf(UINT flags) {
    switch (flags & 3) {
    case CFile::modeWrite: return GENERIC_WRITE;
    case CFile::modeReadWrite: return GENERIC_READ | GENERIC_WRITE;
    default: return GENERIC_READ;
    }
}

DWORD ShareOf(UINT flags) {
    switch (flags & 0x70) {
    case CFile::shareDenyWrite: return FILE_SHARE_READ;
    case CFile::shareDenyRead: return FILE_SHARE_WRITE;
    case CFile::shareDenyNone: return FILE_SHARE_READ | FILE_SHARE_WRITE;
    default: return 0;  // exclusive, as the compatibility mode is
    }
}

DWORD DispositionOf(UINT flags) {
    if (flags & CFile::modeCreateNew) return CREATE_NEW;
    if (flags & CFile::modeCreate) return (flags & CFile::modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
    return OPEN_EXISTING;
}

void Report(CFileException* error, DWORD osError, const std::string& fileName) {
    if (error) error->Set(osError, fileName);
}

}  // namespace

bool CFile::Fail(CFileException* error, DWORD osError) const {
    Report(error, osError, m_strFileName);
    return false;
}

bool CFile::Open(const std::string& path, UINT flags, CFileException* error) {
    m_hFile.Reset();
    m_strFileName = path;
    const DWORD attributes = FILE_ATTRIBUTE_NORMAL | ((flags & modeCreateNew) ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
    HANDLE h = ::CreateFileA(path.c_str(), AccessOf(flags), ShareOf(flags), nullptr, DispositionOf(flags),
                             attributes, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Fail(error, ::GetLastError());
    m_hFile.Reset(h);
    return true;
}

UINT CFile::Read(void* buffer, UINT count, CFileException* error) {
    DWORD read = 0;
    if (!::ReadFile(m_hFile.Get(), buffer, count, &read, nullptr)) {
        Fail(error, ::GetLastError());
        return 0;
    }
    return read;
}

bool CFile::Write(const void* buffer, UINT count, CFileException* error) {
    DWORD written = 0;
    if (!::WriteFile(m_hFile.Get(), buffer, count, &written, nullptr)) return Fail(error, ::GetLastError());
    // A short write means the volume is full.
    if (written != count) return Fail(error, ERROR_DISK_FULL);
    return true;
}

bool CFile::Close(CFileException* error) {
    if (!m_hFile.IsValid()) return true;
    HANDLE h = m_hFile.Release();
    if (!::CloseHandle(h)) return Fail(error, ::GetLastError());
    return true;
}

bool CFile::Flush(CFileException* error) {
    if (!::FlushFileBuffers(m_hFile.Get())) return Fail(error, ::GetLastError());
    return true;
}

bool CFile::SeekTo(ULONGLONG offset, CFileException* error) {
    LARGE_INTEGER distance{};
    distance.QuadPart = static_cast<LONGLONG>(offset);
    if (!::SetFilePointerEx(m_hFile.Get(), distance, nullptr, FILE_BEGIN)) return Fail(error, ::GetLastError());
    return true;
}

ULONGLONG CFile::GetLength() const {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(m_hFile.Get(), &size)) return 0;
    return static_cast<ULONGLONG>(size.QuadPart);
}

bool CFile::Remove(const std::string& path, CFileException* error) {
    if (::DeleteFileA(path.c_str())) return true;
    Report(error, ::GetLastError(), path);
    return false;
}

bool CFile::Rename(const std::string& oldPath, const std::string& newPath, CFileException* error) {
    if (::MoveFileA(oldPath.c_str(), newPath.c_str())) return true;
    Report(error, ::GetLastError(), oldPath);
    return false;
}
