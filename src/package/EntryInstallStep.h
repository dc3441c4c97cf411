#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "framework/ScopedHandles.h"
#include "package/EntryTable.h"
#include "package/InflateAhead.h"
#include "transaction/Step.h"

class CCompressionLibrary;
class CEntryInstallStep;
class CLineSink;

// The upgrade server's own program: the server may be running and hold it, so its failed
// install is shown as an error and the run goes on.
inline constexpr const char* UPGRADE_SERVER_FILE_NAME = "QuorindoUpgradeServer.exe";

// What every install step of one pass is given, whole before the first step is made and never
// changed after.
struct INSTALL_PASS {
    using StepEvent = std::function<void(const CEntryInstallStep&)>;

    ISystemCalls& calls;
    const CCompressionLibrary& library;
    CLineSink& sink;
    CInflateAhead& newFiles;     // makes every entry's new file, ahead of the pass where it may
    bool bFlushEachFile = false;  // flushed to the disk first: the volume cannot be flushed as a whole
    StepEvent onInstalled;        // an entry installed, or tolerated as it was
    StepEvent onUndone;           // an entry that the install had reached, undone
};

// The new file of a table's entry, at its temporary path.
NEW_FILE GetNewFileOf(const CEntryTable& table, size_t index, bool bFlushEachFile);

// Installs one entry of the run's table, its own, as a step of the run's transaction: its new
// file, inflated with its stored time under its temporary name, is renamed over the destination,
// which is at every instant the old file or the complete new one. A destination that another
// program holds open without delete sharing is written in place, after its backup became a copy of
// its own, which the journal names before the destination is touched. Undo puts the destination
// back from its backup, with the restore lines.
class CEntryInstallStep : public CStep {
public:
    CEntryInstallStep(CEntryTable& table, size_t index, const INSTALL_PASS& pass);

    STEP_RESULT Do() override;
    STEP_RESULT Undo() override;

    DWORD GetPackedSize() const;
    const ENTRY_PLAN& GetPlan() const { return m_table.Plan(m_index); }
    bool IsInstalled() const { return m_bInstalled; }
    // True when the run changed the destination and has not put it back.
    bool IsChanged() const { return m_bReplaced || m_bDestChanged; }
    // True when the destination is the new file.
    bool IsReplaced() const { return m_bReplaced; }

private:
    // The stages of an install: the new file whole under its temporary name, then put in the
    // destination's place. False when the entry failed; its temporary file is gone then.
    bool PutNewFileInPlace();
    void DeleteTemporaryFile();
    bool WriteInPlace();
    // The server's program, tolerated as it was; a destination the failed write had changed goes back first.
    STEP_RESULT Tolerate(const std::string& error);
    void Installed();
    ENTRY_PLAN& Plan() { return m_table.Plan(m_index); }

    CEntryTable& m_table;
    const size_t m_index;
    const INSTALL_PASS& m_pass;
    bool m_bInstalled = false;    // installed, or tolerated as it was
    bool m_bDestChanged = false;  // the destination was written in place and must be put back
    bool m_bReplaced = false;     // the destination is the new file
};
