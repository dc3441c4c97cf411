#include "package/PackageEntry.h"

#include "framework/File.h"
#include "framework/ScopedHandles.h"
#include "package/CompressionLibrary.h"
#include "package/PackageEntryReader.h"
#include "package/ScratchFile.h"
#include "util/FileErrors.h"
#include "util/FileHelpers.h"
#include "util/PathTokens.h"
#include "util/TextFormat.h"

namespace {

// A new scratch file, or the file error of not getting one, as the open of it would give.
std::string MakeTempFile(std::string& tempPath, const std::string& folder) {
    tempPath = NewTempFile(folder);
    if (!tempPath.empty()) return std::string();
    const DWORD osError = ::GetLastError();
    CFileException error;
    error.Set(osError, folder.empty() ? GetTempFolder() : folder);
    if (error.m_cause == CFileException::none) error.m_cause = CFileException::generic;
    return GetExceptionMessage(&error);
}

// Both halves must be non-zero for a time to count as stored.
bool HasStoredTime(const FILETIME& time) { return time.dwHighDateTime != 0 && time.dwLowDateTime != 0; }

// Gives the file its stored last-write time; a file that cannot take it keeps its own.
void ApplyLastWriteTime(const std::string& path, const FILETIME& time) {
    CScopedKernelHandle file(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                           FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                           FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (file.IsValid()) ::SetFileTime(file.Get(), nullptr, nullptr, &time);
}

}  // namespace

CPackageEntry::~CPackageEntry() { DeleteScratchFile(m_strTempPath); }

std::string CPackageEntry::Install(const BYTE* buffer, DWORD size, DWORD& cursor, const std::string& installFolder,
                                   const std::string& destPath, const CCompressionLibrary& library,
                                   const std::string& scratchFolder) {
    m_bDestChanged = false;
    PACKAGE_ENTRY_FIELDS fields;
    std::string error = ReadPackageEntry(buffer, size, cursor, installFolder, INSTALL_READ, fields);
    m_strRelativePath = fields.strRelativePath;
    m_ftLastWrite = fields.ftLastWrite;
    if (!error.empty()) return error;

    // The bytes are written straight from the package, so no second copy is held in memory.
    error = MakeTempFile(m_strTempPath, scratchFolder);
    if (error.empty()) error = WriteTempFile(fields.pCompressedData, fields.dwCompressedLength, m_strTempPath);
    if (!error.empty()) return "Write compressed data to temp file failed because of " + error;

    const DWORD attributes = ::GetFileAttributesA(destPath.c_str());
    ClearReadOnly(destPath);
    if (library.Decompress(m_strTempPath, destPath, &m_bDestChanged) != 1) {
        // Left untouched, the file gets its read-only attribute back here: no restore will walk it.
        if (!m_bDestChanged && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
            ::SetFileAttributesA(destPath.c_str(), attributes);
        return FormatText("Decompress to file %s failed!", destPath.c_str());
    }
    if (HasStoredTime(m_ftLastWrite)) ApplyLastWriteTime(destPath, m_ftLastWrite);
    return std::string();
}

std::string CPackageEntry::WriteTempFile(const BYTE* data, DWORD length, const std::string& tempPath) {
    CFile file;
    CFileException error;
    if (!file.Open(tempPath, CFile::modeCreate | CFile::modeReadWrite, &error)) return GetExceptionMessage(&error);
    // A full disk shows here, or only when the last buffers reach it at closing.
    if (length != 0 && !file.Write(data, length, &error)) return GetExceptionMessage(&error);
    if (!file.Close(&error)) return GetExceptionMessage(&error);
    return std::string();
}
