#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <utility>

#include "framework/OwningList.h"
#include "package/BackupRecord.h"
#include "package/PackageEntry.h"
#include "package/UpgradePackage.h"

class CLineSink;

// The upgrade server's own program: the server may be running and hold it, so its failed
// install is shown as an error and the run goes on.
inline constexpr const char* UPGRADE_SERVER_FILE_NAME = "QuorindoUpgradeServer.exe";

enum ENTRY_OUTCOME {
    ENTRY_DONE,       // the entry was backed up, or installed
    ENTRY_TOLERATED,  // it failed, a prompt or error line says so, and the run goes on
    ENTRY_FAILED,     // it failed, an abort line says so, and the run ends
};

// The records of one upgrade run and the work done on them, one entry at a time, so that the
// run can check for a stop and move its progress bar between entries:
//   BeginBackupPass; BackupNextEntry once per entry; GetTotalPackedSize for the bar's range;
//   ExtractLibrary; BeginInstallPass; InstallEntry for each record index in order, moving the
//   bar on by GetRecord(i).GetPackedSize() after ENTRY_DONE or ENTRY_TOLERATED;
//   after ENTRY_FAILED, or a stop when HasInstalledRecord: Restore; finally Finish (or the destructor).
// Every line of an entry is added here; the run adds the lines of its own stages.
class CEntryPasses {
public:
    CEntryPasses(CUpgradePackage& package, std::string installFolder);
    CEntryPasses(const CEntryPasses&) = delete;
    CEntryPasses& operator=(const CEntryPasses&) = delete;
    ~CEntryPasses();

    // The package's entry count: how many times the first pass calls BackupNextEntry.
    DWORD GetEntryCount() const { return m_package.GetEntryCount(); }
    void BeginBackupPass();
    ENTRY_OUTCOME BackupNextEntry(CLineSink& sink);
    DWORD GetTotalPackedSize() const;

    // Writes out the compression library of the module (the running program by default).
    // An empty path is not checked: each install then fails on its own.
    void ExtractLibrary(HMODULE module = nullptr);
    const std::string& GetLibraryPath() const { return m_strLibraryPath; }

    void BeginInstallPass();
    size_t GetRecordCount() const { return m_backups.GetCount(); }
    const CBackupRecord& GetRecord(size_t index) const { return *m_backups.GetAt(index); }
    // The backup list, in package order: where the run finds the command list's record.
    const COwningList<CBackupRecord>& GetRecords() const { return m_backups; }
    ENTRY_OUTCOME InstallEntry(size_t index, CLineSink& sink);
    bool HasInstalledRecord() const;

    // Walks back from the last record touched to the first, putting back what the install pass
    // replaced. onRecordWalked sees every walked record; those with m_bInstalled set had moved
    // the progress bar on. Does nothing when no record was touched.
    void Restore(CLineSink& sink, const std::function<void(const CBackupRecord&)>& onRecordWalked = {});

    // The end of the run: deletes the library file and every record with its scratch files.
    void Finish();

private:
    void MarkTouched(size_t index) { m_nTouched = index + 1; }
    // Puts back the destination of a tolerated entry that the failed inflate had changed.
    // False, with its abort line, when it could not.
    bool PutBackTolerated(size_t index, CLineSink& sink);
    void RestoreRecord(const CBackupRecord& record, CLineSink& sink) const;

    CUpgradePackage& m_package;
    std::string m_strInstallFolder;
    COwningList<CBackupRecord> m_backups;
    COwningList<CPackageEntry> m_entries;
    std::string m_strLibraryPath;
    size_t m_nTouched = 0;  // records from the head to the last one the install pass touched
};

enum PASSES_RESULT {
    PASSES_INSTALLED,       // every entry installed (or tolerated)
    PASSES_BACKUP_FAILED,   // an entry could not be read in the first pass; nothing was replaced
    PASSES_INSTALL_FAILED,  // an entry failed to install; what was touched has been restored
    PASSES_STOPPED,         // a stop was seen; what was installed has been restored
};

// Drives the passes over all entries as the upgrade run does, without its other stages:
// backup pass, library, install pass, and the restore after a failure or a stop. The records
// stay in passes until it finishes. isStopRequested is asked before every entry.
PASSES_RESULT RunEntryPasses(CEntryPasses& passes, CLineSink& sink,
                             const std::function<bool()>& isStopRequested = {});
