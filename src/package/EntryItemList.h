#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/OwningList.h"
#include "package/CompressionLibrary.h"
#include "package/EntryItem.h"
#include "package/PackageEntryReader.h"
#include "package/UpgradePackage.h"
#include "transaction/StepList.h"

class CLineSink;

// How a rollback left the installation: as it was; with files that the next start can still put
// back from their backups; or with files changed whose backups could not be made, and nothing
// left that a retry could do.
enum ROLLBACK_OUTCOME { ROLLBACK_WHOLE, ROLLBACK_RETRY, ROLLBACK_LOST };

// The entries of one upgrade run and the steps that work them: a backup step per entry, then an
// install step per entry, each added to the run's rollback list, which does them in package order
// and undoes them newest first. Every scratch file (backups, the library) is made in the work
// folder, and the command list is installed there too, so the run reads back only what nobody
// else could write; they all live as long as the list.
class CEntryItemList {
public:
    using ItemEvent = CEntryInstallStep::ItemEvent;
    using StopCheck = CRollbackList::StopCheck;

    // Without a work folder the user's temporary folder takes its place (for tests of the passes).
    CEntryItemList(const CUpgradePackage& package, std::string installFolder, std::string workFolder = std::string());
    CEntryItemList(const CEntryItemList&) = delete;
    CEntryItemList& operator=(const CEntryItemList&) = delete;
    ~CEntryItemList();

    // The backup pass: a backup step for every entry of the package, each made and done as its
    // entry is read, in package order; then every backup that is a copy is flushed to the disk,
    // so that what the journal will name is there before any file it protects is replaced.
    STEP_RESULT BackupPass(CRollbackList& steps, CLineSink& sink, const StopCheck& isStopRequested);
    // The install pass: an install step for every entry the backup pass read, done in order, then
    // every new file made durable. onInstalled sees each installed (or tolerated) item, onUndone
    // each one its undo walked. A failed or stopped pass is left for Rollback.
    STEP_RESULT InstallPass(CRollbackList& steps, CLineSink& sink, const StopCheck& isStopRequested,
                            const ItemEvent& onInstalled = {}, const ItemEvent& onUndone = {});
    // Undoes the steps, between the restore walk's first and last lines when the install pass
    // had changed something, and answers how whole the installation is again.
    ROLLBACK_OUTCOME Rollback(CRollbackList& steps, CLineSink& sink) const;
    // Every backup stays when the list goes, for a put back at the next start.
    void KeepBackups();
    // The bytes all items occupy in the package: the progress bar's range.
    DWORD GetTotalPackedSize() const;
    // Writes out, checks and loads the compression library of the module (the running program by
    // default). A library that could not be loaded is not reported here: each install then fails.
    void ExtractLibrary(HMODULE module = nullptr, const CCompressionLibrary::AfterWrite& afterWrite = {});
    const std::string& GetLibraryPath() const { return m_library.GetPath(); }
    // True when the install pass changed a destination that a rollback puts back.
    bool IsAnyChanged() const;
    // Every item's plan, in package order.
    std::vector<ENTRY_PLAN> GetPlans() const;
    // Where the package's command list was installed; empty when it has none.
    const std::string& GetCommandListPath() const { return m_strCommandList; }

    const COwningList<CEntryItem>& GetItems() const { return m_items; }

private:
    void MakeBackupsDurable(const std::string& folder, CLineSink& sink);
    void AddInstallSteps(CRollbackList& steps, CLineSink& sink, const ItemEvent& onInstalled, const ItemEvent& onUndone);
    // Makes every installed file durable: the whole volume in one flush where the system allows
    // it; otherwise each file was flushed as it was written.
    void MakeInstalledFilesDurable() const;
    // The first command list of the package goes into the work folder.
    void PlaceCommandList(CEntryItem& item);

    const CUpgradePackage& m_package;
    CPackageEntryReader m_reader;
    std::string m_strInstallFolder;
    std::string m_strWorkFolder;
    WRITE_FOLDERS m_folders;  // where the package may write; the work folder's scratch files live there too
    std::string m_strCommandList;
    COwningList<CEntryItem> m_items;
    CCompressionLibrary m_library;
    INSTALL_OPTIONS m_options;
};
