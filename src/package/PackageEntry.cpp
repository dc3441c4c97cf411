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

// Both halves must be non-zero for a time to count as stored.
bool HasStoredTime(const FILETIME& time) { return time.dwHighDateTime != 0 && time.dwLowDateTime != 0; }

}  // namespace

CPackageEntry::~CPackageEntry() { DeleteScratchFile(m_strTempPath); }

std::string CPackageEntry::Install(const BYTE* buffer, DWORD size, DWORD& cursor, const std::string& installFolder,
                                   const std::string& destPath, const CCompressionLibrary& library) {
    m_bDestChanged = false;
    PACKAGE_ENTRY_FIELDS fields;
    std::string error = ReadPackageEntry(buffer, size, cursor, installFolder, INSTALL_READ, fields);
    m_strRelativePath = fields.strRelativePath;
    m_ftLastWrite = fields.ftLastWrite;
    if (!error.empty()) return error;

    const DWORD attributes = ::GetFileAttributesA(destPath.c_str());
    ClearReadOnly(destPath);
    // Inflated straight from the package buffer; the stored time is set on the writing handle.
    const FILETIME* lastWrite = HasStoredTime(m_ftLastWrite) ? &m_ftLastWrite : nullptr;
    if (library.Inflate(fields.pCompressedData, fields.dwCompressedLength, destPath, lastWrite, &m_bDestChanged) != 1) {
        // Left untouched, the file gets its read-only attribute back here: no restore will walk it.
        if (!m_bDestChanged && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
            ::SetFileAttributesA(destPath.c_str(), attributes);
        return FormatText("Decompress to file %s failed!", destPath.c_str());
    }
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
