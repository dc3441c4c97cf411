#include "package/EntryPasses.h"

#include "package/CompressionLibrary.h"
#include "package/ScratchFile.h"
#include "package/StageLines.h"
#include "ui/ActionLine.h"
#include "util/PathParts.h"
#include "util/TextCompare.h"

CEntryPasses::CEntryPasses(CUpgradePackage& package, std::string installFolder)
    : m_package(package), m_strInstallFolder(std::move(installFolder)) {}

CEntryPasses::~CEntryPasses() { Finish(); }

void CEntryPasses::BeginBackupPass() { m_package.m_dwCursor = PACKAGE_FIRST_ENTRY; }

ENTRY_OUTCOME CEntryPasses::BackupNextEntry(CLineSink& sink) {
    // The record joins the list before it is used, so the end of the run deletes it in any case.
    CBackupRecord* record = m_backups.Emplace();
    bool fatal = true;
    const std::string error = record->Prepare(m_package.m_pBuffer.get(), m_package.m_dwSize, m_package.m_dwCursor,
                                              m_strInstallFolder, fatal);
    if (error.empty()) return ENTRY_DONE;
    if (fatal) {
        AddAbortLine(sink, error);
        return ENTRY_FAILED;
    }
    AddPromptLine(sink, error);
    return ENTRY_TOLERATED;
}

DWORD CEntryPasses::GetTotalPackedSize() const { return ::GetTotalPackedSize(&m_backups); }

void CEntryPasses::ExtractLibrary(HMODULE module) {
    DeleteScratchFile(m_strLibraryPath);
    m_strLibraryPath = ExtractCompressionLibrary(module);
}

void CEntryPasses::BeginInstallPass() {
    m_package.m_dwCursor = PACKAGE_FIRST_ENTRY;
    m_nTouched = 0;
}

ENTRY_OUTCOME CEntryPasses::InstallEntry(size_t index, CLineSink& sink) {
    CBackupRecord& record = *m_backups.GetAt(index);
    const std::string fileName = GetFileNameOf(record.m_strDestPath);
    sink.AddLine(LINE_INFO, "        Upgrade - %s...", fileName.c_str());
    CPackageEntry* entry = m_entries.Emplace();
    const std::string error = entry->Install(m_package.m_pBuffer.get(), m_package.m_dwSize, m_package.m_dwCursor,
                                             m_strInstallFolder, m_strLibraryPath);
    ENTRY_OUTCOME outcome = ENTRY_DONE;
    if (error.empty()) {
        sink.AddLine(LINE_INFO, "        Upgrade %s successfully!", fileName.c_str());
    } else if (EqualsNoCase(GetFileNameOf(entry->m_strRelativePath), UPGRADE_SERVER_FILE_NAME)) {
        sink.AddLine(LINE_PROMPT, "        Error - %s", error.c_str());
        outcome = ENTRY_TOLERATED;
        // Tolerated only as the file it was: one the inflate had already truncated goes back now.
        if (entry->m_bDestChanged && !PutBackTolerated(index, sink)) return ENTRY_FAILED;
    } else {
        AddAbortLine(sink, error);
        // A destination that the failed inflate had already truncated is put back as well.
        if (entry->m_bDestChanged) {
            record.m_bDestChanged = true;
            MarkTouched(index);
        }
        return ENTRY_FAILED;
    }
    record.m_bInstalled = true;
    MarkTouched(index);
    return outcome;
}

bool CEntryPasses::PutBackTolerated(size_t index, CLineSink& sink) {
    CBackupRecord& record = *m_backups.GetAt(index);
    record.m_bDestChanged = true;
    const std::string error = record.Restore();
    if (error.empty()) {
        record.m_bDestChanged = false;
        return true;
    }
    // The file is neither the new one nor the old one: the run fails like any other entry, and
    // the restore walk tries this file once more.
    AddAbortLine(sink, error);
    MarkTouched(index);
    return false;
}

bool CEntryPasses::HasInstalledRecord() const {
    for (const auto& record : m_backups) {
        if (record->m_bInstalled) return true;
    }
    return false;
}

void CEntryPasses::Restore(CLineSink& sink, const std::function<void(const CBackupRecord&)>& onRecordWalked) {
    if (m_nTouched == 0) return;
    sink.AddLine(LINE_INFO, "Because of some error when upgrading, now will restore to the previous version");
    for (size_t i = m_nTouched; i-- > 0;) {
        const CBackupRecord& record = *m_backups.GetAt(i);
        if (record.CanRestore()) RestoreRecord(record, sink);
        if (onRecordWalked) onRecordWalked(record);
    }
    sink.AddLine(LINE_INFO, "Restore over!");
}

void CEntryPasses::RestoreRecord(const CBackupRecord& record, CLineSink& sink) const {
    const std::string fileName = GetFileNameOf(record.m_strDestPath);
    sink.AddLine(LINE_INFO, "        Restore file %s, please waiting...", fileName.c_str());
    std::string reason;
    if (record.Restore(&reason).empty()) {
        sink.AddLine(LINE_INFO, "        Restore file %s successfully", fileName.c_str());
    } else {
        sink.AddLine(LINE_INFO, "        Restore file %s failed because of %s", fileName.c_str(), reason.c_str());
    }
}

void CEntryPasses::Finish() {
    DeleteScratchFile(m_strLibraryPath);
    m_strLibraryPath.clear();
    m_backups.RemoveAll();
    m_entries.RemoveAll();
    m_nTouched = 0;
}
