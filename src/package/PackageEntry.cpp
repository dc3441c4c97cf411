#include "package/PackageEntry.h"

#include "framework/File.h"
#include "framework/ScopedHandles.h"
#include "package/CompressionLibrary.h"
#include "package/PackageEntryReader.h"
#include "util/FileErrors.h"
#include "util/FileHelpers.h"
#include "util/PathTokens.h"
#include "util/TextFormat.h"

CPackageEntry::~CPackageEntry() { DeleteScratchFile(m_strTempPath); }

std::string CPackageEntry::WriteTempFile(const BYTE* data, DWORD length, const std::string& tempPath) {
    CFile file;
    CFileException error;
    if (!file.Open(tempPath, CFile::modeCreate | CFile::modeReadWrite, &error)) return GetExceptionMessage(&error);
    // A full disk shows here, or only when the last buffers reach it at closing.
    if (length != 0 && !file.Write(data, length, &error)) return GetExceptionMessage(&error);
    if (!file.Close(&error)) return GetExceptionMessage(&error);
    return std::string();
}
