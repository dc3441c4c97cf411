#include "package/BackupRecord.h"

#include "framework/ScopedHandles.h"
#include "package/PackageEntryReader.h"
#include "package/ScratchFile.h"
#include "util/FileErrors.h"
#include "util/FileHelpers.h"
#include "util/LineSink.h"
#include "util/PathParts.h"
#include "util/PathTokens.h"
#include "util/TextFormat.h"

namespace {

std::string BackupFailure(const std::string& destPath, DWORD error) {
    return FormatText("Backup file %s failed because of %s", destPath.c_str(), GetSystemErrorText(error).c_str());
}

std::string RestoreFailure(const std::string& destPath, DWORD error, std::string* reason) {
    const std::string systemText = GetSystemErrorText(error);
    if (reason != nullptr) *reason = systemText;
    return FormatText("Restore file %s failed because of %s", destPath.c_str(), systemText.c_str());
}

}  // namespace

CBackupRecord::~CBackupRecord() { DeleteScratchFile(m_strBackupPath); }

std::string CBackupRecord::ReadEntry(const BYTE* buffer, DWORD size, DWORD& cursor, const std::string& installFolder) {
    PACKAGE_ENTRY_FIELDS fields;
    const std::string error = ReadPackageEntry(buffer, size, cursor, installFolder, BACKUP_READ, fields);
    m_strRelativePath = fields.strRelativePath;
    m_strDestPath = fields.strDestPath;
    m_dwCompressedLength = fields.dwCompressedLength;
    return error;
}

std::string CBackupRecord::BackUp(const std::string& scratchFolder) {
    m_dwAttributes = ::GetFileAttributesA(m_strDestPath.c_str());
    m_bHadNoFile = m_dwAttributes == INVALID_FILE_ATTRIBUTES || (m_dwAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (m_bHadNoFile) return std::string();

    // In a run's private folder nobody else makes files, so a fresh name needs no empty file
    // made first; the copy still never replaces one.
    const bool bPrivate = !scratchFolder.empty();
    m_strBackupPath = bPrivate ? NewScratchName(scratchFolder) : NewTempFile();
    if (m_strBackupPath.empty()) return BackupFailure(m_strDestPath, ::GetLastError());
    if (::CopyFileA(m_strDestPath.c_str(), m_strBackupPath.c_str(), bPrivate)) return std::string();
    const DWORD copyError = ::GetLastError();
    // An empty backup must never be copied back over the installed file.
    DeleteScratchFile(m_strBackupPath);
    m_strBackupPath.clear();
    return BackupFailure(m_strDestPath, copyError);
}

DWORD CBackupRecord::GetPackedSize() const {
    return 16 + static_cast<DWORD>(m_strRelativePath.size()) + m_dwCompressedLength;
}

bool CBackupRecord::CanRestore() const {
    return !m_strBackupPath.empty() || (m_bHadNoFile && (m_bInstalled || m_bDestChanged));
}

std::string CBackupRecord::Restore(std::string* reason) const {
    if (!m_bInstalled && !m_bDestChanged) return std::string();
    if (!m_strBackupPath.empty()) {
        // Held without write or delete sharing for the copy: what is checked is what is copied.
        CScopedKernelHandle backup(::CreateFileA(m_strBackupPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!backup) return RestoreFailure(m_strDestPath, ::GetLastError(), reason);
        if (!::CopyFileA(m_strBackupPath.c_str(), m_strDestPath.c_str(), FALSE)) {
            return RestoreFailure(m_strDestPath, ::GetLastError(), reason);
        }
        // Not every copy carries the attributes over (Wine's does not), and read-only must come back.
        if (m_dwAttributes != INVALID_FILE_ATTRIBUTES) ::SetFileAttributesA(m_strDestPath.c_str(), m_dwAttributes);
        return std::string();
    }
    // A file the package added goes again: the installation is left as it was before the run.
    if (m_bHadNoFile && !::DeleteFileA(m_strDestPath.c_str())) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_NOT_FOUND) return RestoreFailure(m_strDestPath, error, reason);
    }
    return std::string();
}

DWORD GetTotalPackedSize(const COwningList<CBackupRecord>* records) {
    DWORD total = 0;
    if (records == nullptr) return total;
    for (const auto& record : *records) total += record->GetPackedSize();
    return total;
}

bool CBackupRecord::RestoreWithLines(CLineSink& sink) const {
    const std::string fileName = GetFileNameOf(m_strDestPath);
    sink.AddLine(LINE_INFO, "        Restore file %s, please waiting...", fileName.c_str());
    std::string reason;
    if (Restore(&reason).empty()) {
        sink.AddLine(LINE_INFO, "        Restore file %s successfully", fileName.c_str());
        return true;
    }
    sink.AddLine(LINE_INFO, "        Restore file %s failed because of %s", fileName.c_str(), reason.c_str());
    return false;
}
