#pragma once

#include <windows.h>

#include "framework/Wnd.h"

// A modal dialog from a template resource of the program's module. The dialog procedure
// routes every message to the one virtual WindowProc, which a derived dialog writes as a
// plain switch and ends with the base's WindowProc for what it leaves alone.
//
// WindowProc answers as a dialog procedure does: FALSE lets the system's default handling run;
// TRUE means handled. A message whose sender reads a result answers through Answer().
class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, HWND hParent = nullptr);

    // Runs the dialog until EndDialog; answers its result, or -1 when it could not be made.
    INT_PTR DoModal();
    void EndDialog(INT_PTR nResult) const { ::EndDialog(m_hWnd, nResult); }
    HWND GetDlgItem(int nID) const { return ::GetDlgItem(m_hWnd, nID); }

protected:
    virtual INT_PTR WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Binds control objects to the template's controls; called first thing by OnInitDialog.
    virtual void DoDataExchange() {}
    // TRUE lets the system set the focus.
    virtual BOOL OnInitDialog();
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }

    // Gives the sender of the current message its result.
    INT_PTR Answer(LRESULT result) const;

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    // The owner-drawn list boxes draw and measure themselves.
    BOOL ReflectDrawItem(const DRAWITEMSTRUCT* pDraw) const;
    BOOL ReflectMeasureItem(MEASUREITEMSTRUCT* pMeasure) const;

    UINT m_nIDTemplate;
    HWND m_hParent;
};
