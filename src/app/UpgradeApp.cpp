#include "app/UpgradeApp.h"

#include <commctrl.h>

#include "app/UpgradeDlg.h"
#include "app/Usage.h"
#include "system/InstallProbe.h"
#include "upgrade/Recovery.h"
#include "util/TextCompare.h"

namespace {
// The build states it once (the project version), for this constant and the version resource.
const char PACKAGE_VERSION[] = QU_PACKAGE_VERSION;
const char AUTO_SWITCH[] = "auto";
}  // namespace

void CUpgradeCommandLineInfo::ParseParam(const char* pszParam, bool bFlag, bool bLast) {
    // Every switch decides anew, so the last one wins.
    if (bFlag) {
        m_bAuto = EqualsNoCase(pszParam, AUTO_SWITCH);
        m_bRecover = EqualsNoCase(pszParam, RECOVER_SWITCH);
        m_bHelp = IsHelpSwitch(pszParam);
    }
    CCommandLineInfo::ParseParam(pszParam, bFlag, bLast);
}

CUpgradeApp::CUpgradeApp(bool bCreateVersion, CheckpointHook atCheckpoint)
    : m_bCreateVersion(bCreateVersion), m_atCheckpoint(std::move(atCheckpoint)) {}

bool CUpgradeApp::InitInstance() {
    // The progress bar is a common control (version 6 through the manifest).
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);

    ParseCommandLine(m_cmdInfo);
    if (m_cmdInfo.m_bHelp) {
        AfxMessageBox(FormatUsage(CInstallProbe::GetInstallPath(m_calls)), MB_OK | MB_ICONINFORMATION);
        m_nExitStatus = RESULT_SUCCEEDED;
        return false;
    }
    if (m_cmdInfo.m_bRecover && !HasInterruptedUpgrade(m_calls, CInstallProbe::GetInstallPath(m_calls))) return false;
    RUN_SETTINGS settings;
    settings.strPackageVersion = PACKAGE_VERSION;
    settings.pOwnFile = &m_ownFile;
    settings.pCalls = &m_calls;
    settings.bAutoMode = m_cmdInfo.m_bAuto;
    settings.atCheckpoint = m_atCheckpoint;
    CUpgradeDlg dialog(std::move(settings), m_cmdInfo.m_bRecover, m_bCreateVersion);
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    m_nExitStatus = dialog.GetExitStatus();
    return false;
}

int CUpgradeApp::ExitInstance() { return m_nExitStatus; }
