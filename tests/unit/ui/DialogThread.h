#pragma once

#include <windows.h>

#include "app/UpgradeApp.h"
#include "app/UpgradeDlg.h"
#include "framework/ScopedHandles.h"

// The main dialog opened modally on a thread of its own, as in the program; the test thread
// then plays the worker: its AddLine calls reach the list through sent messages.
class CTestUpgradeDlg : public CUpgradeDlg {
public:
    using CUpgradeDlg::m_list;
};

// Tests that need auto mode switch it on once the dialog is open, so no run starts.
class CDialogThread {
public:
    CDialogThread();
    ~CDialogThread();
    CDialogThread(const CDialogThread&) = delete;
    CDialogThread& operator=(const CDialogThread&) = delete;

    bool IsOpen() const { return m_bOpen; }
    CTestUpgradeDlg& Dialog() { return m_dialog; }
    HWND Window() const { return m_dialog.GetSafeHwnd(); }
    // Ends the dialog with its Close button and waits for its thread.
    bool Close();

private:
    static DWORD WINAPI ThreadMain(void* self);

    CTestUpgradeDlg m_dialog;
    CScopedKernelHandle m_hThread;
    bool m_bOpen = false;
};

// The test program's application object.
CUpgradeApp& TestApp();
