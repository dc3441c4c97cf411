#include "framework/Dialog.h"

CDialog::CDialog(UINT nIDTemplate, HWND hParent) : m_nIDTemplate(nIDTemplate), m_hParent(hParent) {}

INT_PTR CDialog::DoModal() {
    const INT_PTR result = ::DialogBoxParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_nIDTemplate), m_hParent,
                                             &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    m_hWnd = nullptr;
    return result;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialog* dialog = nullptr;
    if (message == WM_INITDIALOG) {
        dialog = reinterpret_cast<CDialog*>(lParam);
        dialog->m_hWnd = hWnd;
        ::SetWindowLongPtrA(hWnd, DWLP_USER, lParam);
    } else {
        dialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hWnd, DWLP_USER));
    }
    // Messages that arrive before WM_INITDIALOG (WM_SETFONT) get the system's handling.
    if (dialog == nullptr) return FALSE;
    return dialog->WindowProc(message, wParam, lParam);
}

INT_PTR CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND:
        // Buttons, Enter, Escape and the close box all arrive here (HIWORD 0 or BN_CLICKED).
        if (HIWORD(wParam) != BN_CLICKED) return FALSE;
        if (LOWORD(wParam) == IDOK) {
            OnOK();
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            OnCancel();
            return TRUE;
        }
        return FALSE;
    case WM_DRAWITEM:
        return ReflectDrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_MEASUREITEM:
        return ReflectMeasureItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
    default:
        return FALSE;
    }
}

BOOL CDialog::OnInitDialog() {
    DoDataExchange();
    return TRUE;
}

INT_PTR CDialog::Answer(LRESULT result) const {
    ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
    return TRUE;
}

BOOL CDialog::ReflectDrawItem(const DRAWITEMSTRUCT* pDraw) const {
    if (pDraw == nullptr) return FALSE;
    return ::SendMessageA(pDraw->hwndItem, WM_REFLECTED_DRAWITEM, 0, reinterpret_cast<LPARAM>(pDraw)) != 0;
}

BOOL CDialog::ReflectMeasureItem(MEASUREITEMSTRUCT* pMeasure) const {
    // The message carries only the control's id.
    if (pMeasure == nullptr) return FALSE;
    HWND control = GetDlgItem(static_cast<int>(pMeasure->CtlID));
    return ::SendMessageA(control, WM_REFLECTED_MEASUREITEM, 0, reinterpret_cast<LPARAM>(pMeasure)) != 0;
}
