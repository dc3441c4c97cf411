#include "package/PackageEntry.h"

#include "framework/File.h"
#include "framework/ScopedHandles.h"
#include "package/CompressionLibrary.h"
#include "package/PackageEntryReader.h"
#include "util/FileErrors.h"
#include "util/FileHelpers.h"
#include "util/IniFile.h"
#include "util/IniKeys.h"
#include "util/PathTokens.h"
#include "util/TextFormat.h"

CPackageEntry::~CPackageEntry() { DeleteScratchFile(m_calls, m_strTempPath); }

std::string CPackageEntry::WriteTempFile(const BYTE* data, DWORD length, const std::string& tempPath) {
    CFile file;
    CFileException error;
    if (!file.Open(tempPath, CFile::modeCreate | CFile::modeReadWrite, &error)) return GetExceptionMessage(&error);
    // A full disk shows here, or only when the last buffers reach it at closing.
    if (length != 0 && !file.Write(data, length, &error)) return GetExceptionMessage(&error);
    if (!file.Close(&error)) return GetExceptionMessage(&error);
    return std::string();
}

void CPackageEntry::LoadIni(const CIniFile& list, const std::string& section) {
    m_strSourcePath = list.GetString(section, INI_KEY_SOURCE_PATH);
    m_strRelativePath = list.GetString(section, INI_KEY_DEST_RELATIVE_PATH);
}

bool CPackageEntry::CompressSource(const CCompressionLibrary& library, const std::string& folder) {
    m_strTempPath = NewTempFile(m_calls, folder);
    if (m_strTempPath.empty()) return false;
    return library.CompressFile(m_strSourcePath, m_strTempPath, m_strRate);
}

void CPackageEntry::ReadSourceTime() {
    // The same access the installer uses to set a time: a source that is read-only, or
    // held open without shared writing, keeps no time.
    CScopedKernelHandle file(m_calls.OpenFile(m_strSourcePath.c_str(), GENERIC_READ | GENERIC_WRITE,
                                              FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                              FILE_FLAG_BACKUP_SEMANTICS));
    if (!file.IsValid() || !m_calls.GetTime(file.Get(), nullptr, nullptr, &m_ftLastWrite)) m_ftLastWrite = FILETIME{};
}
