#include "upgrade/UpgradeRun.h"

#include "commands/CommandListEntry.h"
#include "framework/ScopedHandles.h"
#include "package/StageLines.h"
#include "system/InstallProbe.h"
#include "system/ProcessList.h"
#include "system/ProcessScanner.h"
#include "system/ProductNames.h"
#include "system/RegistryAccess.h"
#include "system/VersionOrder.h"
#include "upgrade/Recovery.h"
#include "upgrade/SelfCopy.h"
#include "util/FileErrors.h"
#include "util/TextFormat.h"
#include "util/Trace.h"

namespace {

const char CHANNEL_PROGRAM_NAME[] = "QxChannel.exe";
// The channel program's exit code when we end it: -9 as an unsigned 32-bit value.
const UINT CHANNEL_EXIT_CODE = 0xFFFFFFF7;
const DWORD CHANNEL_SETTLE_MS = 1000;

constexpr STAGE_RESULT GO_ON{true, RESULT_NONE};

STAGE_RESULT EndWith(int nCode) { return {false, nCode}; }

std::string NowAsText() {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    return FormatDateTime(now);
}

}  // namespace

CUpgradeRun::CUpgradeRun(IRunHost& host, RUN_SETTINGS settings)
    : m_host(host, settings.bAutoMode, settings.strPackageVersion), m_settings(std::move(settings)) {}

CUpgradeRun::~CUpgradeRun() = default;

int CUpgradeRun::Execute() {
    TraceEvent("phase checks");
    m_host.ClearLines();
    m_host.SetProgress(0);
    STAGE_RESULT result = CheckInstallation();
    for (auto stage : {&CUpgradeRun::CheckPackage, &CUpgradeRun::BackupEntries, &CUpgradeRun::CloseChannelProgram,
                       &CUpgradeRun::InstallEntries, &CUpgradeRun::RunCommands}) {
        if (!result.bGoOn) break;
        result = (this->*stage)();
    }
    EndRun(result.nCode);
    return result.nCode;
}

void (*CUpgradeRun::s_pfnAtStopCheck)() = nullptr;

bool CUpgradeRun::StopRequested() {
    if (s_pfnAtStopCheck) s_pfnAtStopCheck();
    if (m_host.IsStopRequested()) m_bStopped = true;
    return m_bStopped;
}

STAGE_RESULT CUpgradeRun::Abort(int nCode, const std::string& text) {
    m_host.AddLine(LINE_ABORT, "%s", text.c_str());
    return EndWith(nCode);
}

STAGE_RESULT CUpgradeRun::CheckInstallation() {
    m_host.AddLine(LINE_INFO, "Analyzing system, please waiting...");
    m_strInstallFolder = CInstallProbe::GetInstallPath();
    if (m_strInstallFolder.empty())
        return Abort(RESULT_NOT_INSTALLED, "        Abort - The Quorindo has not been installed, so can't upgrade!");
    m_host.AddLine(LINE_INFO, "        Success - The Quorindo installed in '%s'", m_strInstallFolder.c_str());
    if (StopRequested()) return EndWith(RESULT_NONE);

    std::string installed, upgradeVersion;
    if (!CInstallProbe::GetInstalledVersion(m_strInstallFolder + PRODUCT_EXE_NAME, installed, upgradeVersion))
        return Abort(RESULT_VERSION_UNREADABLE, "        Abort - Fetch the version of Quorindo failed, so can't upgrade!");
    m_host.AddLine(LINE_INFO, "        Success - The installed version of Quorindo is %s.", installed.c_str());
    m_host.Record().SetInstalledVersion(installed);
    const std::string& packageVersion = m_settings.strPackageVersion;
    if (!IsOlderVersion(installed, packageVersion)) {
        return Abort(RESULT_NOT_OLDER,
                     FormatText("        Abort - This package is upgrade the Quorindo to V%s. The version you have "
                                "installed is more newer.",
                                packageVersion.c_str()));
    }
    if (StopRequested()) return EndWith(RESULT_NONE);

    if (IsProductRunning())
        return Abort(RESULT_PRODUCT_RUNNING, "        Abort - The Quorindo is in running, please close it and run again!");
    if (StopRequested()) return EndWith(RESULT_NONE);

    // The self-copy writes its own lines, its failure included.
    TraceEvent("phase self-copy");
    if (!CopySelfToUpgradeFolder(m_host, m_strInstallFolder, m_settings.strExeName))
        return EndWith(RESULT_SELF_COPY_FAILED);
    return GO_ON;
}

STAGE_RESULT CUpgradeRun::CheckPackage() {
    TraceEvent("phase package");
    m_host.AddLine(LINE_INFO, "Analyzing upgrade package, please waiting...");
    m_workFolder = std::make_unique<CWorkFolder>();
    const std::string folderError = m_workFolder->Create();
    if (!folderError.empty()) return Abort(RESULT_BACKUP_FAILED, "        Abort - " + folderError);
    const std::string error =
        m_settings.loadPackage ? m_settings.loadPackage(m_package) : LoadPackage(m_package, m_settings.hLibraryModule);
    if (!error.empty()) {
        m_package.m_pBuffer.reset();
        return Abort(RESULT_PACKAGE_NOT_LOADED, "        Abort - " + error);
    }
    if (StopRequested()) return EndWith(RESULT_NONE);
    if (m_package.m_dwSize < PACKAGE_FIRST_ENTRY)
        return Abort(RESULT_PACKAGE_TOO_SHORT, "        Abort - Length for upgrade package is invalidation");
    return GO_ON;
}

STAGE_RESULT CUpgradeRun::BackupEntries() {
    TraceEvent("phase backup");
    m_items = std::make_unique<CEntryItemList>(m_package, m_strInstallFolder, m_workFolder->Path());
    // An item's own abort line is already there when the pass fails.
    switch (m_items->Prepare(m_host, [this] { return StopRequested(); })) {
    case PASS_FAILED: return EndWith(RESULT_BACKUP_FAILED);
    case PASS_STOPPED: return EndWith(RESULT_NONE);
    case PASS_DONE: break;
    }
    m_host.SetProgressRange(static_cast<int>(m_items->GetTotalPackedSize()));
    TraceEvent("phase library");
    m_items->ExtractLibrary(m_settings.hLibraryModule);
    return GO_ON;
}

STAGE_RESULT CUpgradeRun::CloseChannelProgram() {
    TraceEvent("phase channel");
    DWORD processId = 0;
    if (!FindProcessId(CHANNEL_PROGRAM_NAME, processId, false)) {
        AddPromptLine(m_host, FormatText("'%s' is not in running, now will upgrade it...", CHANNEL_PROGRAM_NAME));
        return GO_ON;
    }
    AddPromptLine(m_host, FormatText("'%s' is in running, now will close it...", CHANNEL_PROGRAM_NAME));
    CScopedKernelHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId));
    if (!process || !::TerminateProcess(process.Get(), CHANNEL_EXIT_CODE)) {
        const DWORD error = ::GetLastError();
        AddAbortLine(m_host, FormatText("Terminate process '%s' failed because of %s. Upgrade failed!",
                                        CHANNEL_PROGRAM_NAME, GetSystemErrorText(error).c_str()));
        return EndWith(RESULT_NONE);
    }
    AddPromptLine(m_host, FormatText("Terminate process '%s' successfully! Now will upgrade it...", CHANNEL_PROGRAM_NAME));
    // Its files are free once it has ended; that seldom takes the whole time allowed.
    ::WaitForSingleObject(process.Get(), CHANNEL_SETTLE_MS);
    return GO_ON;
}

STAGE_RESULT CUpgradeRun::InstallEntries() {
    TraceEvent("phase install");
    // Durable before the first destination changes: a killed run is put back at the next start.
    const std::string journalError = m_journal.Begin(m_strInstallFolder, m_workFolder->Path(), m_items->GetItems());
    if (!journalError.empty()) {
        m_journal.Delete();
        return Abort(RESULT_BACKUP_FAILED, "        Abort - " + journalError);
    }
    WriteRecoveryAtLogon(m_strInstallFolder);
    const PASS_RESULT result = m_items->Do(
        m_host, [this] { return StopRequested(); },
        [this](const CEntryItem& item) {
            MoveProgress(static_cast<int>(item.GetPackedSize()));
            JournalDone(item);
        },
        [this](size_t index, const CEntryItem&) { return JournalStarting(index); });
    if (result == PASS_DONE) {
        m_journal.Write();
        return GO_ON;
    }
    m_bRestoreNeeded = true;
    return EndWith(result == PASS_FAILED ? RESULT_INSTALL_FAILED : RESULT_NONE);
}

bool CUpgradeRun::JournalStarting(size_t index) {
    m_nJournalIndex = index;
    if (m_strJournalError.empty()) m_strJournalError = m_journal.SetState(index, JOURNAL_INSTALLING);
    if (m_strJournalError.empty()) return true;
    AddAbortLine(m_host, m_strJournalError);
    return false;
}

// Written with the next destination's "installing", or after the pass: until then a crash finds
// this one "installing", which a recovery puts back just the same.
void CUpgradeRun::JournalDone(const CEntryItem& item) {
    m_journal.Records()[m_nJournalIndex].state = item.m_bTolerated ? JOURNAL_TOLERATED : JOURNAL_INSTALLED;
}

STAGE_RESULT CUpgradeRun::RunCommands() {
    TraceEvent("phase commands");
    const CEntryItem* commandList = FindEntryByFileName(&m_items->GetItems(), COMMAND_LIST_FILE);
    if (commandList != nullptr) RunCommandList(m_host, commandList->m_strDestPath, m_strInstallFolder);
    m_host.AddLine(LINE_INFO, "Upgrade successfully!");
    return EndWith(RESULT_SUCCEEDED);
}

void CUpgradeRun::WriteUpgradeRecord() const {
    CRegistryAccess::WriteString(HKEY_LOCAL_MACHINE, PRODUCT_KEY, UPGRADE_TIME_VALUE, NowAsText());
    CRegistryAccess::WriteString(HKEY_LOCAL_MACHINE, PRODUCT_KEY, UPGRADE_VERSION_VALUE, m_settings.strPackageVersion);
}

void CUpgradeRun::EndRun(int nCode) {
    TraceEvent("phase end");
    if (m_bStopped) m_host.AddLine(LINE_PROMPT, "Upgrade cancelled by user");
    if (m_bRestoreNeeded) {
        // Only installed items had moved the bar on.
        m_items->Rollback(m_host, [this](const CEntryItem& item) {
            if (item.m_bInstalled) MoveProgress(-static_cast<int>(item.GetPackedSize()));
        });
    }
    if (nCode == RESULT_SUCCEEDED) WriteUpgradeRecord();
    if (nCode != RESULT_NONE) m_host.ReportResult(nCode);
    // The restore is done, or the upgrade is: nothing is left to put back after a crash.
    if (m_journal.IsBegun()) m_journal.Delete();
    RemoveRecoveryAtLogon();
    m_items.reset();  // the library, the items and their scratch files
    m_workFolder.reset();  // whatever is left in it, then the folder
    m_package.m_pBuffer.reset();
    m_host.SetProgress(0);
    m_host.ShowRunOver();
    m_host.AddLine(LINE_PROMPT,
                   "All over for upgrading! Please right-click on 'List for Action' to copy or save the informations "
                   "for upgrading.");
    LogRun(nCode);
    m_host.CloseAfterRun();
    TraceEvent("run end");
}

void CUpgradeRun::LogRun(int nCode) {
    // Without an installation there is no folder to keep a log in.
    if (m_strInstallFolder.empty()) return;
    m_host.Record().WriteToLog(m_strInstallFolder, DescribeUpgradeEnd(m_settings.bAutoMode, nCode, m_bStopped));
}
