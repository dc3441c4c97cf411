#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "package/CompressionLibrary.h"
#include "package/InstallPasses.h"
#include "package/UpgradePackage.h"
#include "transaction/StepList.h"
#include "upgrade/RecordingRunHost.h"
#include "upgrade/ResultCodes.h"
#include "upgrade/RunLock.h"
#include "upgrade/RunSettings.h"
#include "upgrade/UpgradeJournal.h"
#include "util/WorkFolder.h"

// How a stage of the run ended: it went through, the run was stopped, or it failed with the
// result code that the run ends with (RESULT_NONE: a failure that has no code to report).
struct STAGE_RESULT {
    STEP_OUTCOME outcome = STEP_DONE;
    int nCode = RESULT_SUCCEEDED;
};

// One whole upgrade as one transaction: checks, self-copy, the backup pass, then the install
// steps of every entry in the run's rollback list until the commit point, where the journal says
// every new file is in place; after it the post-install commands roll forward and the upgrade
// record is written, and nothing is undone any more. A failure or a stop before the commit undoes
// every done install step; the journal lets a killed run be put back, or finished, at the next
// start, and a restore that could not put every file back leaves the journal, the backups and the
// RunOnce value for the next start to try again. The run lock is held from the first change (the
// self-copy) to the end; a run that cannot take it ends before that, and one that finds a journal
// under it ends that upgrade first, as a start does. Runs on the thread that calls Execute, which
// is also the one that destroys the run.
class CUpgradeRun {
public:
    CUpgradeRun(IRunHost& host, RUN_SETTINGS settings);
    CUpgradeRun(const CUpgradeRun&) = delete;
    CUpgradeRun& operator=(const CUpgradeRun&) = delete;
    ~CUpgradeRun();

    // Answers the run's result code; RESULT_NONE when it ended with nothing to report. Whoever
    // reports the code does so once the run object is gone: by then the run has let go of the
    // lock and deleted its journal, work folder and RunOnce value.
    int Execute();

private:
    STAGE_RESULT CheckInstallation();
    STAGE_RESULT CheckPackage();
    STAGE_RESULT BackupEntries();
    STAGE_RESULT CloseChannelProgram();
    STAGE_RESULT InstallEntries();
    STAGE_RESULT Commit();
    STAGE_RESULT RunCommands();
    STAGE_RESULT WriteUpgradeRecord();
    // Undoes the install steps done since the commit point, between the restore walk's first and
    // last lines when they had changed something.
    ROLLBACK_OUTCOME RollBack();
    void EndRun(int nCode);
    // After a restore that could not put every file back, or a record that could not be written:
    // what the next start needs stays.
    void KeepForNextStart();
    void LogRun(int nCode);

    bool StopRequested();
    // The text's abort line, and the failure that ends the run with the code.
    STAGE_RESULT Abort(int nCode, const std::string& text);
    // A pass's result as the run's: its failure, whose line the pass wrote, ends the run with the code.
    static STAGE_RESULT EndOfPass(const STEP_RESULT& pass, int nFailureCode);
    void MoveProgress(int delta) { m_host.SetProgress(m_host.GetProgress() + delta); }

    CRunLock m_lock;           // let go last, when everything of the run is done
    CRecordingRunHost m_host;  // the host, with every line also kept for the upgrade log
    RUN_SETTINGS m_settings;
    ISystemCalls& m_calls;     // the settings', which every file-system call and registry write goes through
    CUpgradePackage m_package;
    std::unique_ptr<CWorkFolder> m_workFolder;  // every scratch file of the run, and the command list
    CEntryTable m_table;                        // every entry of the package and its plan
    std::unique_ptr<CInstallPasses> m_entries;  // the passes over the table, once the install folder is known
    CRollbackList m_transaction;                // the entries' install steps, until the commit point
    std::string m_strInstallFolder;
    CUpgradeJournal m_journal;
    bool m_bStopped = false;
};
