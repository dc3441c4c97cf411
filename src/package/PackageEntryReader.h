#pragma once

#include <windows.h>

#include <string>

#include "os/SystemCalls.h"

struct WRITE_FOLDERS;

// How an entry is read; reading changes nothing. The upgrade's backup pass resolves the path by
// the rule of where a package may write; a look at a package (INSTALL_READ) expands its token.
struct ENTRY_READ_OPTIONS {
    bool bBackupPassTexts;  // the backup pass's wording of the compressed-length failure
    // When given, the path is resolved by the rule (ResolveStoredPath, which looks at the folders on
    // its way through the calls), and one it refuses is an invalid path; otherwise its token is
    // expanded with the installation folder.
    const WRITE_FOLDERS* pFolders = nullptr;
    ISystemCalls* pCalls = nullptr;
};

inline constexpr ENTRY_READ_OPTIONS BACKUP_READ = {true};
inline constexpr ENTRY_READ_OPTIONS INSTALL_READ = {false};

// What one entry holds. The data pointer points into the package buffer.
struct STORED_ENTRY {
    std::string strRelativePath;
    std::string strDestPath;
    FILETIME ftLastWrite{};
    DWORD dwCompressedLength = 0;
    const BYTE* pCompressedData = nullptr;
};

// Reads the entry at the cursor, advancing it past every field read. Answers the text of
// the first field that does not fit, empty when the whole entry was read. Never reads
// outside [buffer, buffer + size).
std::string ReadPackageEntry(const BYTE* buffer, DWORD size, DWORD& cursor, const std::string& installFolder,
                             const ENTRY_READ_OPTIONS& options, STORED_ENTRY& fields);

class CUpgradePackage;

// Reads a package's entries one after another from the first; it owns its cursor.
class CPackageEntryReader {
public:
    explicit CPackageEntryReader(const CUpgradePackage& package);
    // Reads the next entry (see ReadPackageEntry) and moves past it.
    std::string ReadNext(const std::string& installFolder, const ENTRY_READ_OPTIONS& options,
                         STORED_ENTRY& fields);

private:
    const CUpgradePackage& m_package;
    DWORD m_dwCursor;
};
