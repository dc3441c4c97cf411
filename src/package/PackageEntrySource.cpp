// The builder's side of a package entry: where its source is, its time and its compressed copy.
#include "package/PackageEntry.h"

#include "framework/ScopedHandles.h"
#include "package/CompressionLibrary.h"
#include "util/IniFile.h"
#include "util/IniKeys.h"
#include "util/PathTokens.h"

void CPackageEntry::LoadIni(const std::string& section, const std::string& listFile) {
    m_strSourcePath = GetIniString(section, INI_KEY_SOURCE_PATH, "", listFile);
    m_strRelativePath = GetIniString(section, INI_KEY_DEST_RELATIVE_PATH, "", listFile);
}

bool CPackageEntry::CompressSource(const CCompressionLibrary& library, const std::string& folder) {
    m_strTempPath = NewTempFile(folder);
    if (m_strTempPath.empty()) return false;
    return library.CompressFile(m_strSourcePath, m_strTempPath, m_strRate) == 1;
}

void CPackageEntry::ReadSourceTime() {
    // The same access the installer uses to set a time: a source that is read-only, or
    // held open without shared writing, keeps no time.
    CScopedKernelHandle file(::CreateFileA(m_strSourcePath.c_str(), GENERIC_READ | GENERIC_WRITE,
                                           FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                           FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.IsValid() || !::GetFileTime(file.Get(), nullptr, nullptr, &m_ftLastWrite)) m_ftLastWrite = FILETIME{};
}
