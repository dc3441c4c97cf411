// The dialog's side of a run: the "Upgrade" button, Close and Enter, and the result report.
#include "app/UpgradeApp.h"
#include "app/UpgradeDlg.h"
#include "resources/resource.h"
#include "system/ProductNames.h"
#include "upgrade/ResultCodes.h"

void CUpgradeDlg::ReportResult(int nCode, LPARAM lSecond) const {
    HWND server = ::FindWindowA(nullptr, UPGRADE_SERVER_TITLE);
    if (server != nullptr)
        ::SendMessageA(server, GetUpgradeApp().m_uReportMessage, static_cast<WPARAM>(nCode), lSecond);
}

void CUpgradeDlg::OnUpgrade() {
    if (HasWorker()) {
        if (IsAutoMode()) {
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
    StartUpgrade();
}

void CUpgradeDlg::OnCancel() {
    // Close during a run stops it; the dialog stays open to show how it ended.
    if (HasWorker()) {
        StopUpgrade();
        return;
    }
    CDialog::OnCancel();
}

void CUpgradeDlg::OnOK() {
    StopUpgrade();
    CDialog::OnCancel();
}
