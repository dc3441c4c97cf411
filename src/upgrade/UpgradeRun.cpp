// One whole upgrade, on the worker thread: checks, backups, install, command list, record.
// Every failure is a line and a jump to the end of the run, which restores when the install
// pass had begun and cleans up whatever the run made.
#include <windows.h>

#include <memory>

#include "app/UpgradeApp.h"
#include "app/UpgradeDlg.h"
#include "commands/CommandListEntry.h"
#include "framework/ScopedHandles.h"
#include "package/EntryPasses.h"
#include "package/StageLines.h"
#include "resources/resource.h"
#include "system/InstallProbe.h"
#include "system/ProcessList.h"
#include "system/ProcessScanner.h"
#include "system/ProductNames.h"
#include "system/RegistryAccess.h"
#include "system/VersionOrder.h"
#include "upgrade/ResultCodes.h"
#include "util/FileErrors.h"
#include "util/TextFormat.h"

namespace {

const char CHANNEL_PROGRAM_NAME[] = "QxChannel.exe";
// The channel program's exit code when we end it: -9 as an unsigned 32-bit value.
const UINT CHANNEL_EXIT_CODE = 0xFFFFFFF7;
const DWORD CHANNEL_SETTLE_MS = 1000;

std::string NowAsText() {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    return FormatText("%d-%02d-%02d %02d:%02d:%02d", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
                      now.wSecond);
}

}  // namespace

// The state of one run; it lives as long as DoUpgrade does.
class CUpgradeRun {
public:
    explicit CUpgradeRun(CUpgradeDlg& dlg) : m_dlg(dlg) {}
    void Execute();

private:
    bool CheckInstallation();
    bool CheckPackage();
    bool BackupEntries();
    bool CloseChannelProgram();
    bool InstallEntries();
    void RunCommandList();
    void EndRun();
    void WriteUpgradeRecord() const;

    bool StopRequested();
    bool Abort(int nCode, const std::string& text);
    void MoveProgress(int delta) const { m_dlg.m_progress.SetPos(m_dlg.m_progress.GetPos() + delta); }

    CUpgradeDlg& m_dlg;
    CUpgradePackage m_package;
    std::unique_ptr<CEntryPasses> m_passes;  // made once the install folder is known
    std::string m_strInstallFolder;
    bool m_bSucceeded = false;
    bool m_bStopped = false;
    bool m_bRestoreNeeded = false;
};

void CUpgradeDlg::DoUpgrade() { CUpgradeRun(*this).Execute(); }

void CUpgradeRun::Execute() {
    ::SendDlgItemMessageA(m_dlg.m_hWnd, IDC_LIST_ACTION, LB_RESETCONTENT, 0, 0);
    m_dlg.m_progress.SetPos(0);
    if (CheckInstallation() && CheckPackage() && BackupEntries() && CloseChannelProgram() && InstallEntries())
        RunCommandList();
    EndRun();
}

bool CUpgradeRun::StopRequested() {
    if (m_dlg.IsStopRequested()) m_bStopped = true;
    return m_bStopped;
}

// Adds the line that ends the run and, in auto mode, tells the server why.
bool CUpgradeRun::Abort(int nCode, const std::string& text) {
    m_dlg.AddLine(LINE_ABORT, "%s", text.c_str());
    if (CUpgradeDlg::IsAutoMode()) m_dlg.ReportResult(nCode, 0);
    return false;
}

bool CUpgradeRun::CheckInstallation() {
    m_dlg.AddLine(LINE_INFO, "Analyzing system, please waiting...");
    m_strInstallFolder = CInstallProbe::GetInstallPath();
    if (m_strInstallFolder.empty())
        return Abort(RESULT_NOT_INSTALLED, "        Abort - The Quorindo has not been installed, so can't upgrade!");
    m_dlg.AddLine(LINE_INFO, "        Success - The Quorindo installed in '%s'", m_strInstallFolder.c_str());
    if (StopRequested()) return false;

    std::string installed, upgradeVersion;
    if (!CInstallProbe::GetInstalledVersion(m_strInstallFolder + PRODUCT_EXE_NAME, installed, upgradeVersion))
        return Abort(RESULT_VERSION_UNREADABLE, "        Abort - Fetch the version of Quorindo failed, so can't upgrade!");
    m_dlg.AddLine(LINE_INFO, "        Success - The installed version of Quorindo is %s.", installed.c_str());
    const std::string& packageVersion = GetUpgradeApp().m_strPackageVersion;
    if (!IsOlderVersion(installed, packageVersion)) {
        return Abort(RESULT_NOT_OLDER,
                     FormatText("        Abort - This package is upgrade the Quorindo to V%s. The version you have "
                                "installed is more newer.",
                                packageVersion.c_str()));
    }
    if (StopRequested()) return false;

    if (IsProductRunning())
        return Abort(RESULT_PRODUCT_RUNNING, "        Abort - The Quorindo is in running, please close it and run again!");
    if (StopRequested()) return false;

    if (!m_dlg.CopySelfToUpgradeFolder(m_strInstallFolder)) {
        if (CUpgradeDlg::IsAutoMode()) m_dlg.ReportResult(RESULT_SELF_COPY_FAILED, 0);
        return false;
    }
    return true;
}

bool CUpgradeRun::CheckPackage() {
    m_dlg.AddLine(LINE_INFO, "Analyzing upgrade package, please waiting...");
    const std::string error = LoadPackage(m_package);
    if (!error.empty()) {
        m_package.m_pBuffer.reset();
        return Abort(RESULT_PACKAGE_NOT_LOADED, "        Abort - " + error);
    }
    if (StopRequested()) return false;
    if (m_package.m_dwSize < PACKAGE_FIRST_ENTRY)
        return Abort(RESULT_PACKAGE_TOO_SHORT, "        Abort - Length for upgrade package is invalidation");
    return true;
}

bool CUpgradeRun::BackupEntries() {
    m_passes = std::make_unique<CEntryPasses>(m_package, m_strInstallFolder);
    m_passes->BeginBackupPass();
    const DWORD count = m_passes->GetEntryCount();
    for (DWORD i = 0; i < count; ++i) {
        if (StopRequested()) return false;
        // The record's own abort line is already there.
        if (m_passes->BackupNextEntry(m_dlg) == ENTRY_FAILED) {
            if (CUpgradeDlg::IsAutoMode()) m_dlg.ReportResult(RESULT_BACKUP_FAILED, 0);
            return false;
        }
    }
    m_dlg.m_progress.SetRange32(0, static_cast<int>(m_passes->GetTotalPackedSize()));
    m_dlg.m_progress.SetStep(1);
    m_passes->ExtractLibrary();
    return true;
}

bool CUpgradeRun::CloseChannelProgram() {
    DWORD processId = 0;
    if (!FindProcessId(CHANNEL_PROGRAM_NAME, processId, false)) {
        AddPromptLine(m_dlg, FormatText("'%s' is not in running, now will upgrade it...", CHANNEL_PROGRAM_NAME));
        return true;
    }
    AddPromptLine(m_dlg, FormatText("'%s' is in running, now will close it...", CHANNEL_PROGRAM_NAME));
    CScopedKernelHandle process(::OpenProcess(PROCESS_TERMINATE, FALSE, processId));
    if (!process || !::TerminateProcess(process.Get(), CHANNEL_EXIT_CODE)) {
        const DWORD error = ::GetLastError();
        AddAbortLine(m_dlg, FormatText("Terminate process '%s' failed because of %s. Upgrade failed!",
                                       CHANNEL_PROGRAM_NAME, GetSystemErrorText(error).c_str()));
        return false;
    }
    AddPromptLine(m_dlg, FormatText("Terminate process '%s' successfully! Now will upgrade it...", CHANNEL_PROGRAM_NAME));
    ::Sleep(CHANNEL_SETTLE_MS);
    return true;
}

bool CUpgradeRun::InstallEntries() {
    m_passes->BeginInstallPass();
    for (size_t i = 0; i < m_passes->GetRecordCount(); ++i) {
        if (StopRequested()) {
            m_bRestoreNeeded = m_passes->HasInstalledRecord();
            return false;
        }
        if (m_passes->InstallEntry(i, m_dlg) == ENTRY_FAILED) {
            if (CUpgradeDlg::IsAutoMode()) m_dlg.ReportResult(RESULT_INSTALL_FAILED, 0);
            m_bRestoreNeeded = true;
            return false;
        }
        MoveProgress(static_cast<int>(m_passes->GetRecord(i).GetPackedSize()));
    }
    return true;
}

void CUpgradeRun::RunCommandList() {
    const CBackupRecord* commandList = FindEntryByFileName(&m_passes->GetRecords(), COMMAND_LIST_FILE);
    if (commandList != nullptr) m_dlg.RunCommandList(commandList->m_strDestPath, m_strInstallFolder);
    m_dlg.AddLine(LINE_INFO, "Upgrade successfully!");
    m_bSucceeded = true;
}

void CUpgradeRun::WriteUpgradeRecord() const {
    CRegistryAccess::WriteString(HKEY_LOCAL_MACHINE, PRODUCT_KEY, UPGRADE_TIME_VALUE, NowAsText());
    CRegistryAccess::WriteString(HKEY_LOCAL_MACHINE, PRODUCT_KEY, UPGRADE_VERSION_VALUE,
                                 GetUpgradeApp().m_strPackageVersion);
}

void CUpgradeRun::EndRun() {
    if (m_bStopped) m_dlg.AddLine(LINE_PROMPT, "Upgrade cancelled by user");
    if (m_bRestoreNeeded && m_passes) {
        // Only installed records had moved the bar on.
        m_passes->Restore(m_dlg, [this](const CBackupRecord& record) {
            if (record.m_bInstalled) MoveProgress(-static_cast<int>(record.GetPackedSize()));
        });
    }
    if (m_bSucceeded) {
        WriteUpgradeRecord();
        if (CUpgradeDlg::IsAutoMode()) m_dlg.ReportResult(RESULT_SUCCEEDED, 0);
    }
    if (m_passes) m_passes->Finish();  // the library file, the records and their scratch files
    m_package.m_pBuffer.reset();
    m_dlg.m_progress.SetPos(0);
    ::SetDlgItemTextA(m_dlg.m_hWnd, IDCANCEL, "Close");
    m_dlg.AddLine(LINE_PROMPT,
                  "All over for upgrading! Please right-click on 'List for Action' to copy or save the informations "
                  "for upgrading.");
    if (CUpgradeDlg::IsAutoMode()) ::PostMessageA(m_dlg.m_hWnd, WM_COMMAND, IDOK, 0);
}
