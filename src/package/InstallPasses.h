#pragma once

#include <windows.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "framework/OwningList.h"
#include "package/CompressionLibrary.h"
#include "package/EntryInstallStep.h"
#include "package/EntryTable.h"
#include "package/UpgradePackage.h"
#include "transaction/StepList.h"
#include "util/WriteRule.h"

class CLineSink;

// How a rollback left the installation: as it was; with files that the next start can still put
// back from their backups; or with files changed whose backups could not be made, and nothing
// left that a retry could do.
enum ROLLBACK_OUTCOME { ROLLBACK_WHOLE, ROLLBACK_RETRY, ROLLBACK_LOST };

// The two passes of an upgrade run over the run's table of entries: the backup pass reads the
// entries in package order into the table, makes their folders and backs each destination up; the
// install pass makes an install step for each entry, adds them to the run's transaction and does
// them. Every scratch file (backups, the library) is made in the work folder, and the command list
// is installed there too, so the run reads back only what nobody else could write. The backups
// stay until DiscardBackups.
class CInstallPasses {
public:
    using StepEvent = INSTALL_PASS::StepEvent;
    using StopCheck = CRollbackList::StopCheck;

    // The table must outlive the passes. Without a work folder the user's temporary folder takes
    // its place (for tests of the passes).
    CInstallPasses(ISystemCalls& calls, const CUpgradePackage& package, CLineSink& sink, CEntryTable& table,
                   std::string installFolder, std::string workFolder = std::string());
    CInstallPasses(const CInstallPasses&) = delete;
    CInstallPasses& operator=(const CInstallPasses&) = delete;

    // The backup pass: every entry of the package read at its offset, in package order, asking
    // before each whether to stop, and the folders of its destination made; then the destinations
    // backed up, several at once, their failures reported in package order; then every backup
    // that is a copy is flushed to the disk, so that what the journal will name is there before
    // any file it protects is replaced. An entry that cannot be read ends it, once the entries
    // before it are backed up: the package cannot be read on.
    STEP_RESULT BackupPass(const StopCheck& isStopRequested);
    // The install pass: the install step of every entry the backup pass read, added to the
    // transaction and done in order, with their new files made ahead of it by a few workers when
    // bInflateAhead (CInflateAhead), then every new file made durable. onInstalled sees each
    // installed (or tolerated) entry, onUndone each one its undo walked. A failed or stopped pass
    // is left to the transaction's owner to undo.
    STEP_RESULT InstallPass(CRollbackList& transaction, const StopCheck& isStopRequested,
                            const StepEvent& onInstalled = {}, const StepEvent& onUndone = {},
                            bool bInflateAhead = true);
    // How whole the installation is once the install steps are undone.
    ROLLBACK_OUTCOME GetRollbackOutcome() const;
    // Deletes every backup: each destination is whole, the old file or the new one. A temporary
    // file that could not be deleted when its entry was done with is tried once more.
    void DiscardBackups() const;
    // The bytes all entries occupy in the package: the progress bar's range.
    DWORD GetTotalPackedSize() const;
    // Writes out, checks and loads the compression library of the module (the running program by
    // default). A library that could not be loaded is not reported here: each install then fails.
    void ExtractLibrary(HMODULE module = nullptr, const CCompressionLibrary::AfterWrite& afterWrite = {});
    const std::string& GetLibraryPath() const { return m_library.GetPath(); }
    // True when the install pass changed a destination that a rollback puts back.
    bool IsAnyChanged() const;
    // Where the package's command list was installed; empty when it has none.
    const std::string& GetCommandListPath() const { return m_strCommandList; }
    // Where the package may write on this machine: the installation where it really lies, and the rest.
    const WRITE_FOLDERS& GetFolders() const { return m_folders; }

    // The install steps, one per entry of the table, once the install pass has made them.
    const COwningList<CEntryInstallStep>& GetSteps() const { return m_steps; }

private:
    // The backup pass's halves: every entry read in package order, asking before each whether to
    // stop, then every entry read backed up.
    STEP_RESULT ReadEntries(const StopCheck& isStopRequested);
    void BackUpEntries();
    // Reads the next entry at the offset and moves it past; answers the failure text.
    std::string ReadEntry(DWORD& offset, STORED_ENTRY& entry);
    // Makes the destination's missing folders, each folder once in a pass.
    void MakeFoldersOf(const std::string& destPath);
    // The package's first command list goes into the work folder. True when the entry is it and
    // is flushed there as it is written, whatever volume that is on.
    bool PlaceCommandList(STORED_ENTRY& entry);
    // Plans the entry's temporary file beside its destination and backs the destination up into
    // the work folder. Answers the "Backup file ..." failure text, empty on success.
    std::string BackUp(size_t index);
    void MakeBackupsDurable();
    // Makes every installed file durable: the whole volume in one flush where the system allows
    // it; otherwise each file was flushed as it was written.
    // The folders the passes write in: the work folder and every destination's.
    std::vector<std::string> GetWrittenFolders() const;

    ISystemCalls& m_calls;
    const CUpgradePackage& m_package;
    CLineSink& m_sink;
    CEntryTable& m_table;
    std::string m_strInstallFolder;
    std::string m_strWorkFolder;
    WRITE_FOLDERS m_folders;  // where the package may write; the work folder's scratch files live there too
    std::string m_strCommandList;
    std::set<std::string> m_madeFolders;  // made (or found there) by the backup pass
    CCompressionLibrary m_library;
    std::unique_ptr<CInflateAhead> m_newFiles;  // the install pass's new files
    std::unique_ptr<const INSTALL_PASS> m_pass;  // what the steps are given, made before them
    COwningList<CEntryInstallStep> m_steps;
};
