#include "upgrade/Recovery.h"

#include <windows.h>

#include <algorithm>

#include "commands/CommandRunner.h"
#include "commands/RegistrationRecord.h"
#include "package/EntryPlan.h"
#include "package/InstallPasses.h"
#include "system/InstallProbe.h"
#include "system/ProductNames.h"
#include "upgrade/InstallationLayout.h"
#include "upgrade/RecordingRunHost.h"
#include "upgrade/RegistryRecord.h"
#include "upgrade/RunLock.h"
#include "upgrade/RunTexts.h"
#include "upgrade/UpgradeJournal.h"
#include "util/FileErrors.h"
#include "util/FileHelpers.h"
#include "util/HeldFolder.h"
#include "util/LineSink.h"
#include "util/PathParts.h"
#include "util/TextFormat.h"
#include "util/WorkFolder.h"

namespace {

const char UNDER_WAY_TEXT[] = "The last upgrade is still under way in another upgrader, so nothing is put back";

void DiscardBackupsAndWorkFolder(const CUpgradeJournal& journal, CHeldFolder& workFolder) {
    // Put back, the destinations are the old files; finished, the new ones.
    const bool bOldFiles = journal.GetPhase() == JOURNAL_INSTALL;
    for (const ENTRY_PLAN& plan : journal.GetPlans()) DiscardBackup(workFolder.GetCalls(), plan, bOldFiles);
    workFolder.DeleteWithFiles();
}

// Whether a file that could not be put back can be by a later start: it has a backup still, or the
// package added it.
bool CanPutBackLater(ISystemCalls& calls, const ENTRY_PLAN& plan) {
    if (plan.bAdded) return true;
    if (plan.strBackupPath.empty()) return false;
    if (calls.GetAttributes(plan.strBackupPath.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    const DWORD error = ::GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

// The install phase: every destination of the plan as it was, newest first. Whole when every file
// came back; to be retried when those that did not can come back later.
ROLLBACK_OUTCOME PutBack(ISystemCalls& calls, CLineSink& sink, const CUpgradeJournal& journal,
                         const CheckpointHook& atCheckpoint) {
    sink.AddLine(LINE_PROMPT, "The last upgrade was interrupted, now will put back the previous version");
    sink.AddLine(LINE_INFO, "%s", RESTORE_START_TEXT);
    ROLLBACK_OUTCOME outcome = ROLLBACK_WHOLE;
    const std::vector<ENTRY_PLAN>& plans = journal.GetPlans();
    for (size_t i = plans.size(); i-- > 0;) {
        const bool bNeeded = NeedsPutBack(calls, plans[i]);
        if (!PutBackWithLines(calls, plans[i], sink).Succeeded())
            outcome = std::max(outcome, CanPutBackLater(calls, plans[i]) ? ROLLBACK_RETRY : ROLLBACK_LOST);
        if (bNeeded) ReachCheckpoint(atCheckpoint, CHECKPOINT_PUT_BACK);
    }
    sink.AddLine(LINE_INFO, "%s", RESTORE_OVER_TEXT);
    if (outcome == ROLLBACK_RETRY) sink.AddLine(LINE_PROMPT, "%s", RETRY_LATER_TEXT);
    return outcome;
}

// The command phase: the new files are all in place, so the upgrade is finished, not undone.
// Every kind of command is safe to repeat; a list that is gone has run. False when the list could
// not be read or the record not written: the journal stays, and the next start tries again.
bool Finish(ISystemCalls& calls, IRunHost& host, const CUpgradeJournal& journal, const std::string& installFolder) {
    host.AddLine(LINE_PROMPT, "The last upgrade was interrupted after its files were installed, now will finish it");
    std::string error;
    if (!journal.GetCommandList().empty()) error = RunCommandList(host, calls, journal.GetCommandList(), installFolder);
    if (error.empty()) error = RecordUpgradeInRegistry(calls, journal.GetVersion());
    if (!error.empty()) {
        AddAbortLine(host, error);
        return false;
    }
    host.AddLine(LINE_INFO, "%s", UPGRADE_DONE_TEXT);
    return true;
}

// The version of the installation's main program; empty when it cannot be read.
std::string ReadInstalledVersion(const std::string& installFolder) {
    std::string version, upgradeVersion;
    return CInstallProbe::GetInstalledVersion(installFolder + PRODUCT_EXE_NAME, version, upgradeVersion) ? version
                                                                                                         : std::string();
}

// Puts back or finishes the journal's upgrade once it is checked, with its work folder held, and
// the attempt counted.
JOURNAL_END ReplayJournal(IRunHost& host, CUpgradeJournal& journal, const std::string& installFolder,
                          CHeldFolder& workFolder, const CheckpointHook& atCheckpoint) {
    std::string untrusted = journal.FindUntrustedValue(installFolder, workFolder);
    if (!untrusted.empty()) {
        // Looked at once more before it is set aside for good: a call that failed for a moment (a
        // busy disk, a scanner holding the file) must not cost the installation its previous version.
        workFolder.Release();
        untrusted = journal.FindUntrustedValue(installFolder, workFolder);
    }
    if (!untrusted.empty()) {
        AddAbortLine(host, FormatText("The upgrade journal is set aside and not used because of its value %s",
                                      untrusted.c_str()));
        return JOURNAL_SET_ASIDE;
    }
    const bool bFinish = journal.GetPhase() == JOURNAL_COMMANDS;
    // A recovery that crashes or hangs every time (a command of the roll-forward) would take every
    // later start with it: it is given up once it began that often without ending.
    if (journal.GetRecoveryAttempts() >= MAX_RECOVERY_ATTEMPTS) {
        AddAbortLine(host, FormatText("The last upgrade could not be %s in %u attempts, so its journal is set aside",
                                      bFinish ? "finished" : "put back", MAX_RECOVERY_ATTEMPTS));
        return JOURNAL_SET_ASIDE;
    }
    // Counted on the disk before anything is done: a count that cannot be kept is no attempt.
    const std::string counted = journal.CountRecoveryAttempt();
    if (!counted.empty()) {
        AddAbortLine(host, counted);
        return JOURNAL_LEFT;
    }
    ISystemCalls& calls = workFolder.GetCalls();
    if (bFinish) return Finish(calls, host, journal, installFolder) ? JOURNAL_ENDED : JOURNAL_LEFT;
    const ROLLBACK_OUTCOME outcome = PutBack(calls, host, journal, atCheckpoint);
    if (outcome == ROLLBACK_RETRY) return JOURNAL_LEFT;
    return outcome == ROLLBACK_WHOLE ? JOURNAL_ENDED : JOURNAL_SET_ASIDE;
}

// Puts back or finishes the journal's upgrade, as a run of its own in the log; a journal that
// fails its check is set aside and nothing of it is done.
JOURNAL_END EndInterruptedUpgrade(IRunHost& host, CUpgradeJournal& journal, const std::string& installFolder,
                                  const RUN_SETTINGS& settings) {
    ISystemCalls& calls = *settings.pCalls;
    CRecordingRunHost recording(host, RUN_RECOVERY, settings);
    CHeldFolder workFolder(calls);  // from its check to the end: what is read or deleted in it is ours
    JOURNAL_END end = ReplayJournal(recording, journal, installFolder, workFolder, settings.atCheckpoint);
    if (end == JOURNAL_ENDED) {
        // The journal goes first: a recovery killed after it leaves only scratch files behind. One
        // whose name cannot go is ended once more by the next start.
        if (journal.Delete(journal.GetPlans()))
            DiscardBackupsAndWorkFolder(journal, workFolder);
        else
            end = JOURNAL_LEFT;
    } else if (end == JOURNAL_SET_ASIDE) {
        // Proven ours, the folder is nobody else's to change even when it is let go.
        workFolder.Release();
        journal.SetAside(installFolder);
    }
    if (end != JOURNAL_LEFT) RemoveRecoveryAtLogon(calls);
    // Read once the files are back: the version the interrupted upgrade started from.
    recording.Record().SetInstalledVersion(ReadInstalledVersion(installFolder));
    recording.Record().WriteToLog(calls, installFolder, end == JOURNAL_ENDED ? RECOVERY_DONE : RECOVERY_FAILED);
    return end;
}

// A replacement killed half way leaves its new file beside the file it was to replace, which is
// whole: these are the files of ours that are replaced so.
void DeleteUnfinishedReplacements(ISystemCalls& calls, const std::string& installFolder) {
    for (const char* name : {SELF_COPY_FILE, JOURNAL_FILE, UPGRADE_LOG_FILE})
        calls.Delete(GetReplacementName(GetUpgradeFolder(installFolder) + name).c_str());
    calls.Delete(GetReplacementName(installFolder + REGISTRATION_RECORD_FILE).c_str());
}

// False when the installation has no "Upgrade\" folder, so that no upgrade got far enough to
// leave anything behind.
bool HasUpgradeFolder(ISystemCalls& calls, const std::string& installFolder) {
    return FolderExists(calls, WithoutFinalBackslash(GetUpgradeFolder(installFolder)));
}

bool IsSurelyMissing(ISystemCalls& calls, const std::string& path) {
    if (calls.GetAttributes(path.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace

bool HasInterruptedUpgrade(ISystemCalls& calls, const std::string& installFolder) {
    if (installFolder.empty()) return false;
    // One that cannot be looked at may be there.
    return !IsSurelyMissing(calls, GetJournalPath(installFolder));
}

bool RecoverInterruptedUpgrade(IRunHost& host, const std::string& installFolder, const RUN_SETTINGS& settings) {
    ISystemCalls& calls = *settings.pCalls;
    if (installFolder.empty()) return false;
    if (!HasUpgradeFolder(calls, installFolder)) {
        // A power cut may keep a work folder whose installation never kept its Upgrade folder;
        // one merely not looked at may hold a journal that names one.
        if (IsSurelyMissing(calls, WithoutFinalBackslash(GetUpgradeFolder(installFolder)))) DeleteWorkFoldersBut(calls, {});
        return false;
    }
    CRunLock lock;
    const DWORD error = lock.Take(calls, installFolder);
    if (error != ERROR_SUCCESS) {
        // Nothing is done without the lock. Held elsewhere, that upgrade is not interrupted: it is
        // under way, and its journal is its own.
        if (!HasInterruptedUpgrade(calls, installFolder)) return false;
        if (error == ERROR_SHARING_VIOLATION)
            host.AddLine(LINE_PROMPT, "%s", UNDER_WAY_TEXT);
        else
            AddAbortLine(host, lock.DescribeFailure(error));
        return false;
    }
    return EndPendingUpgrade(host, installFolder, settings) != JOURNAL_NONE;
}

JOURNAL_END EndPendingUpgrade(IRunHost& host, const std::string& installFolder, const RUN_SETTINGS& settings) {
    ISystemCalls& calls = *settings.pCalls;
    CUpgradeJournal journal(calls);
    JOURNAL_END end = JOURNAL_NONE;
    const DWORD error = journal.Read(installFolder);
    if (error == ERROR_SUCCESS) {
        end = EndInterruptedUpgrade(host, journal, installFolder, settings);
    } else if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
        AddAbortLine(host, FormatText("Read upgrade journal %s failed because of %s", GetJournalPath(installFolder).c_str(),
                                      GetSystemErrorText(error).c_str()));
        end = JOURNAL_LEFT;
    }
    // A journal that names a folder keeps it; while a journal cannot be read, every folder may be its.
    std::vector<std::string> named;
    if (CUpgradeJournal::GetNamedWorkFolders(calls, installFolder, named)) DeleteWorkFoldersBut(calls, named);
    DeleteUnfinishedReplacements(calls, installFolder);
    return end;
}

std::string WriteRecoveryAtLogon(ISystemCalls& calls, const std::string& installFolder) {
    const std::string command = FormatText("\"%s%s\" /%s", GetUpgradeFolder(installFolder).c_str(), SELF_COPY_FILE,
                                           RECOVER_SWITCH);
    const LONG status = calls.WriteRegistryString(HKEY_LOCAL_MACHINE, RUN_ONCE_KEY, RUN_ONCE_VALUE, command.c_str());
    if (status == ERROR_SUCCESS) return std::string();
    return FormatText("Write the RunOnce value %s failed because of %s", RUN_ONCE_VALUE,
                      GetSystemErrorText(static_cast<DWORD>(status)).c_str());
}

void RemoveRecoveryAtLogon(ISystemCalls& calls) { calls.DeleteRegistryValue(HKEY_LOCAL_MACHINE, RUN_ONCE_KEY, RUN_ONCE_VALUE); }
