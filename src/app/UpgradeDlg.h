#pragma once

#include <windows.h>

#include <string>

#include "framework/Dialog.h"
#include "framework/ProgressCtrl.h"
#include "framework/ScopedHandles.h"
#include "ui/ActionLine.h"
#include "ui/ActionListBox.h"
#include "upgrade/UpgradeWorker.h"

// Requests the worker sends to the dialog, carried out on the dialog's thread.
constexpr UINT WM_EXECUTE_COMMAND = WM_USER + 1001;      // one post-install command
constexpr UINT WM_SET_FFDSHOW_OPTIONS = WM_USER + 1002;  // the decoder options, before the commands

// The main dialog (template 102): the action list, the progress bar, "Upgrade" and Close.
// AddLine (from CLineSink) is the one way every part of the upgrade reports; it may be
// called from the dialog's thread and from the worker thread.
//
// Members that belong to a subsystem are defined in that subsystem's folder.
class CUpgradeDlg : public CDialog, public CUpgradeWorker, public CLineSink {
    friend class CUpgradeRun;  // the run drives the list, the bar and the Close button

public:
    explicit CUpgradeDlg(HWND hParent = nullptr);
    // Ends a run that is still going before the dialog goes.
    ~CUpgradeDlg() override;

    // Auto mode of the command line: no message boxes, hidden tool window.
    static bool IsAutoMode();

    // Runs the post-install command list (commands/). Called on the worker thread; each command
    // is carried out on the dialog's thread through WM_EXECUTE_COMMAND.
    void RunCommandList(const std::string& listPath, const std::string& installFolder);
    // Copies the running upgrader into the installation's "Upgrade\" folder (upgrade/).
    // False when the copy failed and the upgrade must not go on.
    bool CopySelfToUpgradeFolder(std::string installFolder);
    // The whole upgrade, on the worker thread (upgrade/).
    void DoUpgrade() override;
    // Sends a result code to the upgrade server's window, when there is one.
    void ReportResult(int nCode, LPARAM lSecond) const;

protected:
    INT_PTR WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void DoDataExchange() override;
    BOOL OnInitDialog() override;

    // Steps of AddLine after formatting: the coloured line and its separator, then the
    // calling thread's pending messages are served.
    int AppendLine(int nKind, const char* text) override;

    // Menu and button commands; true when handled.
    bool OnCommand(WPARAM wParam, LPARAM lParam);
    bool OnSysCommand(WPARAM nID, LPARAM lParam);
    bool OnPaint();
    HICON OnQueryDragIcon() const { return m_hIcon; }
    void OnRButtonUp() const;
    LRESULT OnSetFfdshowOptions(WPARAM wParam, LPARAM lParam);
    LRESULT OnExecuteCommand(WPARAM wParam, LPARAM lParam);
    // Run control (upgrade/): the "Upgrade" button, Close/Escape and Enter.
    void OnUpgrade();
    void OnCancel() override;
    void OnOK() override;
    // The package builder's command (package/), offered only in the create-version build.
    void BuildPackage();
    LRESULT OnCopyAll();
    LRESULT OnSaveAll();

    // A message box of the dialog; never shown in auto mode.
    void ShowMessage(const std::string& text) const;

    CScopedGdiObject m_font;
    CProgressCtrl m_progress;
    CActionListBox m_list;
    HICON m_hIcon;

private:
    void AddAboutToSystemMenu() const;
    void BecomeHiddenToolWindow() const;
    void CreateListFont();
};
