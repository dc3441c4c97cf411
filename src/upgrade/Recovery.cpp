#include "upgrade/Recovery.h"

#include <windows.h>

#include "package/BackupRecord.h"
#include "package/ScratchFile.h"
#include "system/InstallProbe.h"
#include "system/ProductNames.h"
#include "system/RegistryAccess.h"
#include "upgrade/RunRecord.h"
#include "upgrade/SelfCopy.h"
#include "upgrade/UpgradeJournal.h"
#include "util/FileHelpers.h"
#include "util/LineSink.h"
#include "util/TextFormat.h"
#include "util/WorkFolder.h"

namespace {

bool WasTouched(JOURNAL_STATE state) {
    return state == JOURNAL_INSTALLING || state == JOURNAL_INSTALLED || state == JOURNAL_TOLERATED;
}

// The journal's record as the restore walk knows it; the backup stays where it is.
bool RestoreRecord(const JOURNAL_RECORD& entry, CLineSink& sink) {
    CBackupRecord record;
    record.m_strDestPath = entry.strDestPath;
    record.m_strBackupPath = entry.strBackupPath;
    record.m_dwAttributes = entry.dwAttributes;
    record.m_bHadNoFile = entry.bAdded;
    record.m_bInstalled = true;
    bool restored = true;
    // A backup that is gone fails to open, and that is a failed restore like any other.
    if (record.CanRestore()) restored = record.RestoreWithLines(sink);
    record.m_strBackupPath.clear();  // the record must not delete the backup
    return restored;
}

void DeleteBackupsAndWorkFolder(CUpgradeJournal& journal) {
    for (const JOURNAL_RECORD& record : journal.Records())
        if (!record.strBackupPath.empty()) DeleteScratchFile(record.strBackupPath);
    // Only a work folder of ours is ever emptied: the journal names it, and nothing else.
    if (IsWorkFolderPath(journal.GetWorkFolder())) DeleteFolderAndFiles(journal.GetWorkFolder());
}

// Every destination the journal says was touched, newest first; then the journal goes, or is set
// aside when a file could not be put back. True when every file came back.
bool PutBack(CLineSink& sink, CUpgradeJournal& journal, const std::string& installFolder) {
    sink.AddLine(LINE_PROMPT, "The last upgrade was interrupted, now will put back the previous version");
    sink.AddLine(LINE_INFO, "Because of some error when upgrading, now will restore to the previous version");
    std::vector<JOURNAL_RECORD>& records = journal.Records();
    bool complete = true;
    for (size_t i = records.size(); i-- > 0;) {
        if (!WasTouched(records[i].state)) continue;
        if (RestoreRecord(records[i], sink)) records[i].state = JOURNAL_RESTORED;
        else complete = false;
        if (g_pfnAfterRecoveryRestore) g_pfnAfterRecoveryRestore();
    }
    if (complete) {
        // Recorded before the backups go, so that a recovery killed from here on restores nothing twice.
        journal.Write();
        DeleteBackupsAndWorkFolder(journal);
        journal.Delete();
    } else {
        ::MoveFileExA(CUpgradeJournal::GetPath(installFolder).c_str(),
                      CUpgradeJournal::GetSetAsidePath(installFolder).c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    }
    RemoveRecoveryAtLogon();
    sink.AddLine(LINE_INFO, "Restore over!");
    return complete;
}

// The version of the installation's main program; empty when it cannot be read.
std::string ReadInstalledVersion(const std::string& installFolder) {
    std::string version, upgradeVersion;
    return CInstallProbe::GetInstalledVersion(installFolder + PRODUCT_EXE_NAME, version, upgradeVersion) ? version
                                                                                                         : std::string();
}

}  // namespace

bool HasInterruptedUpgrade(const std::string& installFolder) {
    return !installFolder.empty() && FileExists(CUpgradeJournal::GetPath(installFolder));
}

bool RecoverInterruptedUpgrade(CLineSink& sink, const std::string& installFolder, bool bAutoMode,
                               const std::string& packageVersion) {
    CUpgradeJournal journal;
    if (installFolder.empty() || !journal.Read(installFolder)) return false;
    CRunRecord record(sink, RUN_RECOVERY, bAutoMode, packageVersion);
    const bool complete = PutBack(record, journal, installFolder);
    // Read once the files are back: the version the interrupted upgrade started from.
    record.SetInstalledVersion(ReadInstalledVersion(installFolder));
    record.WriteToLog(installFolder, complete ? RECOVERY_DONE : RECOVERY_FAILED);
    return true;
}

bool WriteRecoveryAtLogon(const std::string& installFolder) {
    const std::string command = FormatText("\"%s%s\" /%s", GetUpgradeFolder(installFolder).c_str(), SELF_COPY_FILE,
                                           RECOVER_SWITCH);
    return CRegistryAccess::WriteString(HKEY_LOCAL_MACHINE, RUN_ONCE_KEY, RUN_ONCE_VALUE, command);
}

void RemoveRecoveryAtLogon() { CRegistryAccess::DeleteValue(HKEY_LOCAL_MACHINE, RUN_ONCE_KEY, RUN_ONCE_VALUE); }
