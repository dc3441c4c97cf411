// The dialog's side of a run: the "Upgrade" button, Close and Enter, the result report, and the
// host the run reports to from the worker thread.
#include "app/UpgradeDlg.h"
#include "commands/DecoderOptions.h"
#include "resources/resource.h"
#include "system/ProductNames.h"
#include "upgrade/ResultCodes.h"
#include "upgrade/UpgradeRun.h"

void CUpgradeDlg::DoUpgrade() {
    const int nCode = CUpgradeRun(*this, m_settings).Execute();
    const int nStatus = nCode == RESULT_NONE ? EXIT_NO_RESULT : nCode;
    if (!IsAutoMode()) {
        m_nExitStatus = nStatus;
        return;
    }
    // A silent run has one status: "Upgrade" pressed meanwhile made it 1, which the server got.
    int noRun = EXIT_NO_RUN;
    m_nExitStatus.compare_exchange_strong(noRun, nStatus);
    // The run is gone with its lock, journal, work folder and RunOnce value: a server that never
    // answers can hold up nothing but this report. Then the dialog ends.
    if (nCode != RESULT_NONE) ReportResult(nCode, 0);
    ::PostMessageA(m_hWnd, WM_COMMAND, IDOK, 0);
}

void CUpgradeDlg::ReportResult(int nCode, LPARAM lSecond) const {
    HWND server = ::FindWindowA(nullptr, UPGRADE_SERVER_TITLE);
    if (server == nullptr) return;
    DWORD_PTR answer = 0;
    ::SendMessageTimeoutA(server, m_uReportMessage, static_cast<WPARAM>(nCode), lSecond,
                          SMTO_NORMAL | SMTO_ABORTIFHUNG, REPORT_TIMEOUT_MS, &answer);
}

void CUpgradeDlg::ClearLines() { ::SendDlgItemMessageA(m_hWnd, IDC_LIST_ACTION, LB_RESETCONTENT, 0, 0); }

void CUpgradeDlg::SetProgressRange(int nUpper) {
    m_progress.SetRange32(0, nUpper);
    m_progress.SetStep(1);
}

void CUpgradeDlg::SetProgress(int nPosition) {
    bool bNotify = false;
    m_queue.SetProgress(nPosition, &bNotify);
    if (bNotify) NotifyLinesWaiting();
}

void CUpgradeDlg::ShowRunOver() { ::SetDlgItemTextA(m_hWnd, IDCANCEL, "Close"); }

// The request stays on the worker's stack; this thread reaches it only while the worker waits in
// the send.
void CUpgradeDlg::ExecuteCommand(COMMAND_REQUEST& request) {
    Send(WM_EXECUTE_COMMAND, reinterpret_cast<WPARAM>(&request), 0);
}

void CUpgradeDlg::SetDecoderOptions() { Send(WM_SET_FFDSHOW_OPTIONS, 0, 0); }

LRESULT CUpgradeDlg::OnExecuteCommand(WPARAM wParam, LPARAM /*lParam*/) {
    auto* request = reinterpret_cast<COMMAND_REQUEST*>(wParam);
    if (request == nullptr || request->pStep == nullptr) return 0;
    // The lines that announce the command show before it runs.
    m_list.AddQueuedLines();
    request->result = request->pStep->Do();
    return 0;
}

LRESULT CUpgradeDlg::OnSetFfdshowOptions(WPARAM /*wParam*/, LPARAM /*lParam*/) {
    SetFfdshowOptions();
    return 0;
}

void CUpgradeDlg::OnUpgrade() {
    if (m_worker.HasWorker()) {
        if (IsAutoMode()) {
            m_nExitStatus = RESULT_UPGRADE_PRESSED;
            ReportResult(RESULT_UPGRADE_PRESSED, 0);
            ::PostMessageA(m_hWnd, WM_COMMAND, IDCANCEL, 0);
        } else {
            ShowMessage("Is in upgrading, please waiting...");
        }
        return;
    }
    ShowMessage(
        "Strongly recommend close all softwares, in especial some sofwares for playing media, for example : Windows "
        "Media Player, Media Player Classic...\nOtherwise it maybe cause upgrade failed!");
    ::SetDlgItemTextA(m_hWnd, IDCANCEL, "Stop");
    m_worker.StartUpgrade();
}

void CUpgradeDlg::OnCancel() {
    // Close during a run stops it; the dialog stays open to show how it ended.
    if (m_worker.HasWorker()) {
        m_worker.StopUpgrade();
        return;
    }
    CDialog::OnCancel();
}

void CUpgradeDlg::OnOK() {
    m_worker.StopUpgrade();
    CDialog::OnCancel();
}
