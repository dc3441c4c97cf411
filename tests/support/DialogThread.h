#pragma once

#include <windows.h>

#include <iosfwd>
#include <string>
#include <vector>

#include "app/UpgradeDlg.h"
#include "framework/ScopedHandles.h"

// The main dialog with its list and settings open to the tests.
class CTestUpgradeDlg : public CUpgradeDlg {
public:
    CTestUpgradeDlg();
    using CUpgradeDlg::m_list;
    using CUpgradeDlg::m_settings;
};

// The main dialog opened modally on a thread of its own, as in the program, so the test's thread
// can play the worker: what it sends to the dialog is carried out on the dialog's thread.
// Tests that need auto mode switch it on in the dialog's settings once it is open, so no run starts.
class CDialogThread {
public:
    struct LINE {
        std::string text;
        COLORREF color;
        bool operator==(const LINE& other) const = default;
    };

    CDialogThread();
    ~CDialogThread();
    CDialogThread(const CDialogThread&) = delete;
    CDialogThread& operator=(const CDialogThread&) = delete;

    bool IsOpen() const { return m_bOpen; }
    CTestUpgradeDlg& Dialog() { return m_dialog; }
    HWND Window() const { return m_dialog.GetSafeHwnd(); }
    DWORD ThreadId() const { return m_dwThreadId; }
    // The lines added since the dialog opened or the last mark, without the separators.
    std::vector<LINE> NewLines() const;
    // Lets the next test of a shared dialog see only its own lines.
    void MarkLines() { m_nFirstNewItem = m_dialog.m_list.GetCount(); }
    // Ends the dialog with its Close button and waits for its thread.
    bool Close();

private:
    static DWORD WINAPI ThreadMain(void* self);

    CTestUpgradeDlg m_dialog;
    CScopedKernelHandle m_hThread;
    DWORD m_dwThreadId = 0;
    int m_nFirstNewItem = 0;
    bool m_bOpen = false;
};

std::ostream& operator<<(std::ostream& out, const CDialogThread::LINE& line);
