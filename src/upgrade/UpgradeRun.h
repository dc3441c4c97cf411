#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "package/EntryItemList.h"
#include "package/UpgradePackage.h"
#include "transaction/ResultCodes.h"
#include "upgrade/RecordingRunHost.h"
#include "upgrade/UpgradeJournal.h"
#include "util/WorkFolder.h"

// What a run needs besides its host.
struct RUN_SETTINGS {
    std::string strPackageVersion;  // the version the package installs
    std::string strExeName;         // the running upgrader's file name without ".exe"
    bool bAutoMode = false;         // the "auto" switch: the run's log record says so
    // Where the package and the compression library come from: the running program's resources
    // by default. A test hands in its own package.
    std::function<std::string(CUpgradePackage&)> loadPackage;
    HMODULE hLibraryModule = nullptr;
};

// What a stage of the run answers: go on, or end the run with this result code.
struct STAGE_RESULT {
    bool bGoOn = true;
    int nCode = RESULT_NONE;
};

// One whole upgrade: checks, self-copy, backups, install, command list, registry record.
// Every failure is a line and the end of the run, which restores when the install pass had
// begun and cleans up whatever the run made. Runs on the thread that calls Execute.
class CUpgradeRun {
public:
    CUpgradeRun(IRunHost& host, RUN_SETTINGS settings);
    CUpgradeRun(const CUpgradeRun&) = delete;
    CUpgradeRun& operator=(const CUpgradeRun&) = delete;
    ~CUpgradeRun();

    // Answers the run's result code; RESULT_NONE when it ended with nothing to report.
    int Execute();

    // For tests: called at every stop check of every run, before the host is asked.
    static void (*s_pfnAtStopCheck)();

private:
    STAGE_RESULT CheckInstallation();
    STAGE_RESULT CheckPackage();
    STAGE_RESULT BackupEntries();
    STAGE_RESULT CloseChannelProgram();
    STAGE_RESULT InstallEntries();
    STAGE_RESULT RunCommands();
    void EndRun(int nCode);
    // The journal's side of the install pass: a destination about to be opened, and one done.
    bool JournalStarting(size_t index);
    void JournalDone(const CEntryItem& item);
    void WriteUpgradeRecord() const;
    void LogRun(int nCode);

    bool StopRequested();
    STAGE_RESULT Abort(int nCode, const std::string& text);
    void MoveProgress(int delta) { m_host.SetProgress(m_host.GetProgress() + delta); }

    CRecordingRunHost m_host;  // the host, with every line also kept for the upgrade log
    RUN_SETTINGS m_settings;
    CUpgradePackage m_package;
    std::unique_ptr<CWorkFolder> m_workFolder;  // every scratch file of the run, and the command list
    std::unique_ptr<CEntryItemList> m_items;    // made once the install folder is known
    std::string m_strInstallFolder;
    CUpgradeJournal m_journal;
    size_t m_nJournalIndex = 0;      // the destination the install pass is at
    std::string m_strJournalError;   // a journal that could not be updated ends the pass
    bool m_bStopped = false;
    bool m_bRestoreNeeded = false;
};
