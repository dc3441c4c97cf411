#include "upgrade/UpgradeRun.h"

#include "commands/CommandRunner.h"
#include "framework/ScopedHandles.h"
#include "system/InstallProbe.h"
#include "system/ProcessEnd.h"
#include "system/ProcessScanner.h"
#include "system/ProductNames.h"
#include "system/VersionOrder.h"
#include "upgrade/Recovery.h"
#include "upgrade/RegistryRecord.h"
#include "upgrade/RunTexts.h"
#include "upgrade/SelfCopy.h"
#include "util/FileErrors.h"
#include "util/TextFormat.h"
#include "util/Trace.h"

namespace {

const char CHANNEL_PROGRAM_NAME[] = "QxChannel.exe";
// The channel program's exit code when we end it: -9 as an unsigned 32-bit value.
const UINT CHANNEL_EXIT_CODE = 0xFFFFFFF7;
const DWORD CHANNEL_SETTLE_MS = 1000;

// The run's stages in order; each answers whether the run goes on.
using Stage = STAGE_RESULT (CUpgradeRun::*)();

const STAGE_RESULT GOES_ON = {STEP_DONE, RESULT_SUCCEEDED};
const STAGE_RESULT STOPPED = {STEP_STOPPED, RESULT_NONE};

}  // namespace

CUpgradeRun::CUpgradeRun(IRunHost& host, RUN_SETTINGS settings)
    : m_host(host, RUN_UPGRADE, settings),
      m_settings(std::move(settings)),
      m_calls(*m_settings.pCalls),
      m_journal(m_calls) {}

CUpgradeRun::~CUpgradeRun() = default;

int CUpgradeRun::Execute() {
    TraceWithMachineTime("phase checks");
    m_host.ClearLines();
    m_host.SetProgress(0);
    STAGE_RESULT result;
    for (Stage stage : {&CUpgradeRun::CheckInstallation, &CUpgradeRun::CheckPackage, &CUpgradeRun::BackupEntries,
                        &CUpgradeRun::CloseChannelProgram, &CUpgradeRun::InstallEntries, &CUpgradeRun::Commit,
                        &CUpgradeRun::RunCommands, &CUpgradeRun::WriteUpgradeRecord}) {
        result = (this->*stage)();
        if (result.outcome != STEP_DONE) break;
    }
    EndRun(result.nCode);
    return result.nCode;
}

bool CUpgradeRun::StopRequested() {
    ReachCheckpoint(m_settings.atCheckpoint, CHECKPOINT_STOP_CHECK);
    if (m_host.IsStopRequested()) m_bStopped = true;
    return m_bStopped;
}

STAGE_RESULT CUpgradeRun::Abort(int nCode, const std::string& text) {
    AddAbortLine(m_host, text);
    return {STEP_FAILED, nCode};
}

STAGE_RESULT CUpgradeRun::EndOfPass(const STEP_RESULT& pass, int nFailureCode) {
    if (pass.Stopped()) return STOPPED;
    return pass.Succeeded() ? GOES_ON : STAGE_RESULT{STEP_FAILED, nFailureCode};
}

STAGE_RESULT CUpgradeRun::CheckInstallation() {
    m_host.AddLine(LINE_INFO, "Analyzing system, please waiting...");
    m_strInstallFolder = CInstallProbe::GetInstallPath(m_calls);
    if (m_strInstallFolder.empty())
        return Abort(RESULT_NOT_INSTALLED, "The Quorindo has not been installed, so can't upgrade!");
    m_host.AddLine(LINE_INFO, "        Success - The Quorindo installed in '%s'", m_strInstallFolder.c_str());
    if (StopRequested()) return STOPPED;

    std::string installed, upgradeVersion;
    if (!CInstallProbe::GetInstalledVersion(m_strInstallFolder + PRODUCT_EXE_NAME, installed, upgradeVersion))
        return Abort(RESULT_VERSION_UNREADABLE, "Fetch the version of Quorindo failed, so can't upgrade!");
    m_host.AddLine(LINE_INFO, "        Success - The installed version of Quorindo is %s.", installed.c_str());
    m_host.Record().SetInstalledVersion(installed);
    const std::string& packageVersion = m_settings.strPackageVersion;
    if (!IsOlderVersion(installed, packageVersion)) {
        return Abort(RESULT_NOT_OLDER, FormatText("This package is upgrade the Quorindo to V%s. The version you "
                                                  "have installed is more newer.",
                                                  packageVersion.c_str()));
    }
    if (StopRequested()) return STOPPED;

    if (IsProductRunning())
        return Abort(RESULT_PRODUCT_RUNNING, "The Quorindo is in running, please close it and run again!");
    if (StopRequested()) return STOPPED;

    // Held from the first change to the end of the run: no other upgrader may change these files meanwhile.
    const DWORD lockError = m_lock.Take(m_calls, m_strInstallFolder);
    if (lockError == ERROR_SHARING_VIOLATION)
        return Abort(RESULT_PRODUCT_RUNNING,
                     "Another upgrade of Quorindo is under way, please wait for it to end and run again!");
    if (lockError != ERROR_SUCCESS) return Abort(RESULT_SELF_COPY_FAILED, m_lock.DescribeFailure(lockError));
    // The journal of an upgrade that did not end (a killed run, a restore that could not finish) is
    // ended first, as a start ends it: written over, it would lose the only copy of the old files.
    const JOURNAL_END pending = EndPendingUpgrade(m_host.Host(), m_strInstallFolder, m_settings);
    if (pending == JOURNAL_SET_ASIDE)
        return Abort(RESULT_PRODUCT_RUNNING, "The last upgrade still has files to put back, so this one can't start!");
    if (pending == JOURNAL_LEFT)
        return Abort(RESULT_PRODUCT_RUNNING, "The last upgrade could not be ended yet, so this one can't start!");

    // The self-copy writes its own lines, its failure included.
    TraceWithMachineTime("phase self-copy");
    if (!CopySelfToUpgradeFolder(m_calls, m_host, m_strInstallFolder, *m_settings.pOwnFile))
        return {STEP_FAILED, RESULT_SELF_COPY_FAILED};
    return GOES_ON;
}

STAGE_RESULT CUpgradeRun::CheckPackage() {
    TraceWithMachineTime("phase package");
    m_host.AddLine(LINE_INFO, "Analyzing upgrade package, please waiting...");
    m_workFolder = std::make_unique<CWorkFolder>(m_calls);
    const std::string folderError = m_workFolder->Create();
    if (!folderError.empty()) return Abort(RESULT_BACKUP_FAILED, folderError);
    const std::string error = LoadPackage(m_calls, m_package, m_settings.strPackageFile, m_settings.hLibraryModule);
    if (!error.empty()) return Abort(RESULT_PACKAGE_NOT_LOADED, error);
    if (StopRequested()) return STOPPED;
    if (m_package.GetSize() < PACKAGE_FIRST_ENTRY)
        return Abort(RESULT_PACKAGE_TOO_SHORT, "Length for upgrade package is invalidation");
    return GOES_ON;
}

STAGE_RESULT CUpgradeRun::BackupEntries() {
    TraceWithMachineTime("phase backup");
    m_entries =
        std::make_unique<CInstallPasses>(m_calls, m_package, m_host, m_table, m_strInstallFolder, m_workFolder->Path());
    // An entry's own abort line is already there when the pass fails.
    const STAGE_RESULT pass = EndOfPass(m_entries->BackupPass([this] { return StopRequested(); }), RESULT_BACKUP_FAILED);
    if (pass.outcome != STEP_DONE) return pass;
    // The whole plan is checked before anything changes: a package whose interrupted install no
    // recovery would put back is not installed at all.
    const std::string unrecoverable = CUpgradeJournal::FindUnrecoverableValue(
        m_calls, m_strInstallFolder, m_workFolder->Path(), m_entries->GetCommandListPath(), m_table.GetPlans());
    if (!unrecoverable.empty())
        return Abort(RESULT_BACKUP_FAILED,
                     FormatText("The package is not installed: a recovery could not trust its journal's value %s",
                                unrecoverable.c_str()));
    m_host.SetProgressRange(static_cast<int>(m_entries->GetTotalPackedSize()));
    TraceWithMachineTime("phase library");
    m_entries->ExtractLibrary(m_settings.hLibraryModule);
    return GOES_ON;
}

STAGE_RESULT CUpgradeRun::CloseChannelProgram() {
    TraceWithMachineTime("phase channel");
    // Every instance, in every session: one left running would hold its files.
    const std::vector<SEEN_PROCESS> channels = FindProcesses(CHANNEL_PROGRAM_NAME);
    if (channels.empty()) {
        AddPromptLine(m_host, FormatText("'%s' is not in running, now will upgrade it...", CHANNEL_PROGRAM_NAME));
        return GOES_ON;
    }
    AddPromptLine(m_host, FormatText("'%s' is in running, now will close it...", CHANNEL_PROGRAM_NAME));
    const DWORD error = EndProcesses(channels, CHANNEL_EXIT_CODE, CHANNEL_SETTLE_MS);
    if (error != ERROR_SUCCESS) {
        const std::string text = FormatText("Terminate process '%s' failed because of %s. Upgrade failed!",
                                            CHANNEL_PROGRAM_NAME, GetSystemErrorText(error).c_str());
        return Abort(RESULT_NONE, text);
    }
    AddPromptLine(m_host, FormatText("Terminate process '%s' successfully! Now will upgrade it...", CHANNEL_PROGRAM_NAME));
    return GOES_ON;
}

STAGE_RESULT CUpgradeRun::InstallEntries() {
    TraceWithMachineTime("phase install");
    // The whole plan, durable before the first destination changes: a killed run is put back at
    // the next start. Undoing it is safe at any point, so nothing more is written per entry.
    const std::string journalError = m_journal.WritePlan(m_strInstallFolder, m_workFolder->Path(),
                                                         m_entries->GetCommandListPath(), m_settings.strPackageVersion,
                                                         m_table.GetPlans());
    if (!journalError.empty()) {
        m_journal.Delete();
        return Abort(RESULT_BACKUP_FAILED, journalError);
    }
    // A plan that changes from here on (a backup that had to become a copy) is journaled before
    // anything acts on it.
    m_table.SetPlanObserver([this] { return m_journal.Rewrite(m_table.GetPlans()); });
    const std::string runOnceError = WriteRecoveryAtLogon(m_calls, m_strInstallFolder);
    if (!runOnceError.empty()) {
        // Without it, a run killed now would wait for someone to start the upgrader by hand.
        m_journal.Delete();
        return Abort(RESULT_BACKUP_FAILED, runOnceError);
    }
    // Every new file is on the disk when the pass succeeds, before the journal says so.
    const STEP_RESULT pass = m_entries->InstallPass(
        m_transaction, [this] { return StopRequested(); },
        [this](const CEntryInstallStep& step) { MoveProgress(static_cast<int>(step.GetPackedSize())); },
        [this](const CEntryInstallStep& step) {
            if (step.IsInstalled()) MoveProgress(-static_cast<int>(step.GetPackedSize()));
        },
        // A visible list draws its lines no faster than a pass with files made ahead makes them:
        // they would pile up behind it, and a Stop pressed meanwhile would wait behind them.
        m_settings.bAutoMode);
    return EndOfPass(pass, RESULT_INSTALL_FAILED);
}

STAGE_RESULT CUpgradeRun::Commit() {
    const std::string phaseError = m_journal.SetPhase(JOURNAL_COMMANDS, m_table.GetPlans());
    if (!phaseError.empty()) {
        // The new phase may be in place all the same (its flush failed): the journal says
        // "install" again before anything is put back, or the next start would finish over it.
        if (m_journal.SetPhase(JOURNAL_INSTALL, m_table.GetPlans()).empty())
            return Abort(RESULT_INSTALL_FAILED, phaseError);
        // Either phase may be on the disk, and both fit the files as they are now: nothing is
        // undone, and the next start ends the journal one way or the other.
        m_transaction.Commit();
        return Abort(RESULT_NOT_RECORDED, phaseError);
    }
    // The commit point: the journal says every new file is in place, so from here a recovery goes
    // forward, and nothing of the install is undone any more.
    m_transaction.Commit();
    return GOES_ON;
}

ROLLBACK_OUTCOME CUpgradeRun::RollBack() {
    // Committed, or never begun: there is nothing to undo.
    if (!m_transaction.HasDone()) return ROLLBACK_WHOLE;
    const bool bWalk = m_entries->IsAnyChanged();
    if (bWalk) m_host.AddLine(LINE_INFO, "%s", RESTORE_START_TEXT);
    m_transaction.Undo();
    if (bWalk) m_host.AddLine(LINE_INFO, "%s", RESTORE_OVER_TEXT);
    return m_entries->GetRollbackOutcome();
}

STAGE_RESULT CUpgradeRun::RunCommands() {
    TraceWithMachineTime("phase commands");
    const std::string& commandList = m_entries->GetCommandListPath();
    const std::string error =
        commandList.empty() ? std::string() : RunCommandList(m_host, m_calls, commandList, m_strInstallFolder);
    // Not finished without its commands: the journal sends the next start to them and to the record.
    if (!error.empty()) return Abort(RESULT_NOT_RECORDED, error);
    return GOES_ON;
}

STAGE_RESULT CUpgradeRun::WriteUpgradeRecord() {
    const std::string error = RecordUpgradeInRegistry(m_calls, m_settings.strPackageVersion);
    // Said once the record is there: the registry is what the product and its server read.
    if (!error.empty()) return Abort(RESULT_NOT_RECORDED, error);
    m_host.AddLine(LINE_INFO, "%s", UPGRADE_DONE_TEXT);
    return GOES_ON;
}

void CUpgradeRun::EndRun(int nCode) {
    TraceWithMachineTime("phase end");
    if (m_bStopped) m_host.AddLine(LINE_PROMPT, "Upgrade cancelled by user");
    const ROLLBACK_OUTCOME outcome = RollBack();
    // Nothing of a file whose backup could not be made is left for a next start to put back.
    if (outcome == ROLLBACK_LOST)
        m_host.AddLine(LINE_PROMPT, "Some files could not be put back, because their backups could not be made");
    if (outcome == ROLLBACK_RETRY) {
        // The journal in its install phase sends the next start to the backups.
        if (m_journal.GetPhase() != JOURNAL_INSTALL) m_journal.SetPhase(JOURNAL_INSTALL, m_table.GetPlans());
        KeepForNextStart();
        m_host.AddLine(LINE_PROMPT, "%s", RETRY_LATER_TEXT);
    } else if (nCode == RESULT_NOT_RECORDED) {
        // The journal in its command phase sends the next start to the record.
        KeepForNextStart();
    } else {
        // The restore is done, or the upgrade is: nothing is left to put back or finish after a crash.
        // Without the lock, the journal and the RunOnce value are another upgrader's. A journal whose
        // name cannot go stays whole, for the next start to end once more.
        if (m_lock.IsHeld() && m_journal.IsWritten() && !m_journal.Delete(m_table.GetPlans())) {
            KeepForNextStart();
        } else {
            if (m_lock.IsHeld()) RemoveRecoveryAtLogon(m_calls);
            // Every destination is the old file or the new one: no backup is needed any more.
            if (m_entries) m_entries->DiscardBackups();
        }
    }
    m_transaction = CRollbackList();
    m_entries.reset();     // the library and the entries
    m_workFolder.reset();  // whatever is left in it, then the folder
    m_package = CUpgradePackage();
    m_host.SetProgress(0);
    m_host.ShowRunOver();
    m_host.AddLine(LINE_PROMPT,
                   "All over for upgrading! Please right-click on 'List for Action' to copy or save the informations "
                   "for upgrading.");
    LogRun(nCode);
    TraceWithMachineTime("run end");
}

void CUpgradeRun::KeepForNextStart() {
    // The RunOnce value brings the next start at the next logon, and the journal names the work
    // folder, with the backups in it.
    m_workFolder->Keep();
}

void CUpgradeRun::LogRun(int nCode) {
    // Without an installation there is no folder to keep a log in.
    if (m_strInstallFolder.empty()) return;
    m_host.Record().WriteToLog(m_calls, m_strInstallFolder,
                               DescribeUpgradeEnd(m_settings.bAutoMode, nCode, m_bStopped));
}
