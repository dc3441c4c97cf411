#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "app/UpgradeApp.h"
#include "app/UpgradeDlg.h"
#include "framework/ScopedHandles.h"

// The main dialog, open on a thread of its own as in the program, so the test's thread can play
// the worker: what it sends to the dialog is carried out on the dialog's thread.
class COpenDialog {
public:
    struct LINE {
        std::string text;
        COLORREF color;
        bool operator==(const LINE& other) const = default;
    };

    COpenDialog();
    ~COpenDialog();
    COpenDialog(const COpenDialog&) = delete;
    COpenDialog& operator=(const COpenDialog&) = delete;

    bool IsOpen() const { return m_bOpen; }
    CUpgradeDlg& Dialog() { return m_dialog; }
    HWND Window() const { return m_dialog.GetSafeHwnd(); }
    DWORD ThreadId() const { return m_dwThreadId; }
    // The lines added since the dialog opened or the last mark, without the separators.
    std::vector<LINE> NewLines() const;
    // Lets the next test of the same dialog see only its own lines.
    void MarkLines() { m_nFirstNewItem = m_dialog.m_list.GetCount(); }

private:
    class CListAccess : public CUpgradeDlg {
    public:
        using CUpgradeDlg::m_list;
    };
    static DWORD WINAPI ThreadMain(void* self);

    CListAccess m_dialog;
    CScopedKernelHandle m_hThread;
    DWORD m_dwThreadId = 0;
    int m_nFirstNewItem = 0;
    bool m_bOpen = false;
};

std::ostream& operator<<(std::ostream& out, const COpenDialog::LINE& line);

// The test program's application object; its executable name is the test program's own.
CUpgradeApp& TestApp();
