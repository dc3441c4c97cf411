#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "framework/ScopedHandles.h"
#include "package/EntryPlan.h"
#include "package/InflateAhead.h"
#include "package/PackageEntryReader.h"
#include "transaction/Step.h"

class CCompressionLibrary;
class CEntryInstallStep;
class CLineSink;

// The upgrade server's own program: the server may be running and hold it, so its failed
// install is shown as an error and the run goes on.
inline constexpr const char* UPGRADE_SERVER_FILE_NAME = "QuorindoUpgradeServer.exe";

// What every install step of one run shares; the entry list owns it and fills in the rest before
// its install pass.
struct INSTALL_PASS {
    using StepEvent = std::function<void(const CEntryInstallStep&)>;

    const CCompressionLibrary& library;
    CLineSink& sink;
    bool bFlushEachFile = false;  // flushed to the disk first: the volume cannot be flushed as a whole
    StepEvent onInstalled;        // an entry installed, or tolerated as it was
    StepEvent onUndone;           // an entry that the install had reached, undone
    CInflateAhead* pNewFiles = nullptr;  // makes every entry's new file, in order, while the pass runs
};

// One entry of the package, from the fields the package stores to its destination. Made as the
// backup pass reads the entry, it backs the destination up (BackUp). As a step of the run's
// transaction it installs the new file, which the pass has inflated into its temporary file with
// its stored time: renamed over the destination, which is at every instant the old file or the
// complete new one. A destination that another program holds open without delete sharing is
// written in place, after its backup became a copy of its own. Undo puts the destination back
// from its backup, with the restore lines. Its backup stays until the run discards it
// (DiscardBackup).
class CEntryInstallStep : public CStep {
public:
    // The entry as read, with its destination placed; bFlushAlways: flushed as it is written,
    // whatever volume it is on.
    CEntryInstallStep(STORED_ENTRY entry, bool bFlushAlways, const INSTALL_PASS& pass);

    // Plans the temporary file beside the destination and backs the destination up into the
    // folder. Answers the "Backup file ..." failure text, empty on success: a failed backup is no
    // reason to stop.
    std::string BackUp(const std::string& folder);
    bool HasBackupCopy() const { return m_bBackupCopied; }
    // See FlushBackupCopy.
    std::string FlushBackupCopy() { return ::FlushBackupCopy(m_plan); }
    // Deletes the backup, once the destination is whole, old or new, and no later start needs it.
    void DiscardBackup() const { ::DiscardBackup(m_plan, !m_bReplaced); }

    STEP_RESULT Do() override;
    STEP_RESULT Undo() override;

    DWORD GetPackedSize() const;
    // The new file the pass makes for this entry, at its temporary path.
    NEW_FILE GetNewFile() const;
    const ENTRY_PLAN& GetPlan() const { return m_plan; }
    bool IsInstalled() const { return m_bInstalled; }
    // True when the run changed the destination and has not put it back.
    bool IsChanged() const { return m_bReplaced || m_bDestChanged; }

private:
    // The stages of an install: the new file whole under its temporary name, then put in the
    // destination's place. False when the entry failed; its temporary file is gone then.
    bool TakeNewFile();
    bool PutNewFileInPlace();
    bool WriteInPlace();
    // The server's program, tolerated as it was; a destination the failed write had changed goes back first.
    STEP_RESULT Tolerate(const std::string& error);
    void Installed();

    const STORED_ENTRY m_entry;
    ENTRY_PLAN m_plan;
    const bool m_bFlushAlways;
    const INSTALL_PASS& m_pass;
    bool m_bBackupCopied = false;  // the backup pass made a copy, not a second name
    bool m_bInstalled = false;    // installed, or tolerated as it was
    bool m_bDestChanged = false;  // the destination was written in place and must be put back
    bool m_bReplaced = false;     // the destination is the new file
};
