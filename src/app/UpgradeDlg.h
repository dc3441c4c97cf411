#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "framework/Dialog.h"
#include "framework/ProgressCtrl.h"
#include "framework/ScopedHandles.h"
#include "upgrade/ResultCodes.h"
#include "ui/ActionLine.h"
#include "ui/ActionListBox.h"
#include "upgrade/RunHost.h"
#include "upgrade/RunSettings.h"
#include "upgrade/UpgradeWorker.h"

// Requests the worker sends to the dialog, carried out on the dialog's thread.
constexpr UINT WM_EXECUTE_COMMAND = WM_USER + 1001;      // one post-install command
constexpr UINT WM_SET_FFDSHOW_OPTIONS = WM_USER + 1002;  // the decoder options, before the commands
constexpr UINT WM_ACTION_LINES_WAITING = WM_USER + 1003;  // posted: lines or a progress position are queued

// How long the upgrade server may take to answer a result code before the upgrader goes on.
constexpr UINT REPORT_TIMEOUT_MS = 5000;

// The main dialog (template 102): the action list, the progress bar, "Upgrade" and Close.
// It hosts the upgrade run, which its worker thread carries: AddLine (from CLineSink) and the
// progress position may come from any thread; another thread's lines and progress wait in the
// dialog's queue, never for the dialog's thread, and are shown in batches. The run's other
// requests reach the dialog's controls through sent messages. The application object makes the
// dialog with everything it decided from the build and the command line, and reads the exit
// status from it at the end. The dialog's side of a run lives in UpgradeDlgRun.cpp, the rest in
// UpgradeDlg.cpp.
class CUpgradeDlg : public CDialog, public IRunHost {
public:
    // settings go to every run and to the recovery before them; bRecoverOnly ("/recover") leaves
    // out the greeting; bCreateVersion offers the package builder.
    CUpgradeDlg(RUN_SETTINGS settings, bool bRecoverOnly, bool bCreateVersion, HWND hParent = nullptr);
    // Ends a run that is still going before the dialog goes.
    ~CUpgradeDlg() override;

    // Auto mode of the command line: no message boxes, hidden tool window.
    bool IsAutoMode() const { return m_settings.bAutoMode; }
    // The program's exit status once the dialog has ended: the last run's result code.
    int GetExitStatus() const { return m_nExitStatus; }

    // The whole upgrade, on the worker thread; in auto mode its result code goes to the upgrade
    // server once the run has released everything it held, and then the dialog ends.
    void DoUpgrade();
    // Sends a result code to the upgrade server's window, when there is one. A server that does not
    // take it within REPORT_TIMEOUT_MS, or hangs, is given up on.
    void ReportResult(int nCode, LPARAM lSecond) const;

    // The run's host (called on the worker thread).
    bool IsStopRequested() override { return m_worker.IsStopRequested(); }
    void ClearLines() override;
    void SetProgressRange(int nUpper) override;
    int GetProgress() override { return m_queue.GetProgress(); }
    void SetProgress(int nPosition) override;
    void ShowRunOver() override;
    void SetDecoderOptions() override;
    void ExecuteCommand(COMMAND_REQUEST& request) override;

protected:
    INT_PTR WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void DoDataExchange() override;
    BOOL OnInitDialog() override;

    // Steps of AddLine after formatting: the line joins the queue; on the dialog's own thread it
    // goes into the list at once and the thread's pending messages are served.
    int AppendLine(int nKind, const char* text) override;
    // A batch: every waiting line into the list, and the progress bar to the newest position.
    LRESULT OnLinesWaiting();

    // Menu and button commands; true when handled.
    bool OnCommand(WPARAM wParam, LPARAM lParam);
    bool OnSysCommand(WPARAM nID, LPARAM lParam);
    bool OnPaint();
    HICON OnQueryDragIcon() const { return m_hIcon; }
    void OnRButtonUp() const;
    LRESULT OnSetFfdshowOptions(WPARAM wParam, LPARAM lParam);
    LRESULT OnExecuteCommand(WPARAM wParam, LPARAM lParam);
    // Run control: the "Upgrade" button, Close/Escape and Enter.
    void OnUpgrade();
    void OnCancel() override;
    void OnOK() override;
    // The package builder's command, offered only in the create-version build.
    void BuildPackage();
    LRESULT OnCopyAll();
    LRESULT OnSaveAll();

    // A message box of the dialog; never shown in auto mode.
    void ShowMessage(const std::string& text) const;

    CScopedGdiObject m_font;
    CProgressCtrl m_progress;
    CActionLineQueue m_queue;  // what the worker hands over for the list and the progress bar
    CActionListBox m_list;     // takes its lines from m_queue, which outlives it
    HICON m_hIcon;
    RUN_SETTINGS m_settings;

private:
    void AddAboutToSystemMenu() const;
    void BecomeHiddenToolWindow() const;
    void CreateListFont();
    // Tells the dialog's thread that the queue has something for it.
    void NotifyLinesWaiting() const { ::PostMessageA(m_hWnd, WM_ACTION_LINES_WAITING, 0, 0); }
    bool IsDialogThread() const { return ::GetWindowThreadProcessId(m_hWnd, nullptr) == ::GetCurrentThreadId(); }

    const bool m_bRecoverOnly;
    const bool m_bCreateVersion;
    const UINT m_uReportMessage;                  // carries a result code to the upgrade server
    std::atomic<int> m_nExitStatus{EXIT_NO_RUN};  // set by the run's thread
    CUpgradeWorker m_worker;  // last: it ends before the controls it reports to go
};
