#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "framework/CObject.h"
#include "framework/ScopedHandles.h"
#include "package/EntryPlan.h"
#include "package/PackageEntryReader.h"
#include "transaction/Step.h"
#include "util/WriteRule.h"

class CCompressionLibrary;
class CLineSink;

// The upgrade server's own program: the server may be running and hold it, so its failed
// install is shown as an error and the run goes on.
inline constexpr const char* UPGRADE_SERVER_FILE_NAME = "QuorindoUpgradeServer.exe";

// One entry of the package as the upgrade works it: read and backed up by its backup step,
// installed by its install step, and put back by the install step's undo when the step changed it.
class CEntryItem : public CObject {
public:
    // Deletes the backup (unless it is kept) and any temporary file left.
    ~CEntryItem() override;
    // Leaves the backup where it is for the next start, which the journal sends to it.
    void KeepBackup() { m_plan.strBackupPath.clear(); }
    bool HasBackupCopy() const { return IsBackupACopy(m_plan); }
    // See FlushBackupCopy.
    std::string FlushBackupCopy() { return ::FlushBackupCopy(m_plan); }

    DWORD GetPackedSize() const;
    const ENTRY_PLAN& GetPlan() const { return m_plan; }
    const std::string& GetDestPath() const { return m_plan.strDestPath; }
    bool IsInstalled() const { return m_bInstalled; }
    bool IsDestChanged() const { return m_bDestChanged; }
    // True when the run changed the destination and has not put it back.
    bool IsChanged() const { return m_bReplaced || m_bDestChanged; }

private:
    friend class CEntryBackupStep;
    friend class CEntryInstallStep;

    PACKAGE_ENTRY_FIELDS m_fields;
    ENTRY_PLAN m_plan;
    bool m_bInstalled = false;    // installed, or tolerated as it was
    bool m_bDestChanged = false;  // the destination was written in place and must be put back
    bool m_bReplaced = false;     // the destination is the new file
    bool m_bFlushAlways = false;  // in the work folder, apart from the installation's volume
};

// Backing up an entry: reads it from the package (a failure ends the run: the package cannot be
// read on), creates its destination's folders, plans its temporary file beside the destination
// and makes its backup (a failed backup is a prompt line and no reason to stop).
class CEntryBackupStep : public CStep {
public:
    using PlaceEntry = std::function<void(CEntryItem&)>;
    // The backups go into the folders' work folder.
    CEntryBackupStep(CEntryItem& item, CPackageEntryReader& reader, const WRITE_FOLDERS& folders, CLineSink& sink,
                     PlaceEntry place);
    STEP_RESULT Do() override;
    // Changes nothing: the item deletes its backup when it goes.
    STEP_RESULT Undo() override;

    // For the entry list: the command list goes into the work folder, and is flushed there as
    // it is written, whatever volume that is on.
    static void PlaceInWorkFolder(CEntryItem& item, const std::string& path) {
        item.m_plan.strDestPath = path;
        item.m_bFlushAlways = true;
    }

private:
    CEntryItem& m_item;
    CPackageEntryReader& m_reader;
    const WRITE_FOLDERS& m_folders;
    CLineSink& m_sink;
    PlaceEntry m_place;
};

// How the install pass treats a new file before it takes the destination's place.
struct INSTALL_OPTIONS {
    bool bFlushEachFile = false;  // flushed to the disk first: the volume cannot be flushed as a whole
};

// Installing an entry: inflated into its temporary file with its stored time, then renamed over
// the destination, which is at every instant the old file or the complete new one. A destination
// that another program holds open without delete sharing is written in place, after its backup
// became a copy of its own. Undo puts the destination back from its backup, with the restore lines.
class CEntryInstallStep : public CStep {
public:
    using ItemEvent = std::function<void(const CEntryItem&)>;
    CEntryInstallStep(CEntryItem& item, const CCompressionLibrary& library, const INSTALL_OPTIONS& options,
                      CLineSink& sink, ItemEvent onInstalled, ItemEvent onUndone);
    STEP_RESULT Do() override;
    STEP_RESULT Undo() override;

private:
    std::string Install();
    bool WriteInPlace();
    // The entry inflated into the open file.
    bool WriteNewFile(HANDLE file) const;
    // A written file gets the stored time and, when asked, is flushed; then it is closed. True
    // when all of it, the write included, went through.
    bool FinishNewFile(CScopedKernelHandle& file, bool bWritten) const;
    // The server's program, tolerated as it was; a destination the failed write had changed goes back first.
    STEP_RESULT Tolerate(const std::string& error);

    CEntryItem& m_item;
    const CCompressionLibrary& m_library;
    const INSTALL_OPTIONS& m_options;
    CLineSink& m_sink;
    ItemEvent m_onInstalled, m_onUndone;
};
