#include "framework/ListBox.h"

bool CListBox::SubclassDlgItem(int nID, HWND hDialog) {
    UnsubclassWindow();
    HWND control = ::GetDlgItem(hDialog, nID);
    if (control == nullptr) return false;
    // The control's user data leads to its object: read for every message, it is a field of the
    // window, where a window property would be a round trip to the window system.
    ::SetLastError(ERROR_SUCCESS);
    const LONG_PTR previous = ::SetWindowLongPtrA(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    if (previous == 0 && ::GetLastError() != ERROR_SUCCESS) return false;
    m_hWnd = control;
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CListBox::SubclassProc)));
    return true;
}

void CListBox::UnsubclassWindow() {
    if (m_hWnd == nullptr) return;
    if (m_pfnSuper != nullptr && ::IsWindow(m_hWnd))
        ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    ::SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, 0);
    m_pfnSuper = nullptr;
    m_hWnd = nullptr;
}

CListBox* CListBox::FromHandle(HWND hWnd) {
    if (hWnd == nullptr) return nullptr;
    return reinterpret_cast<CListBox*>(::GetWindowLongPtrA(hWnd, GWLP_USERDATA));
}

std::string CListBox::GetText(int nIndex) const {
    const int length = GetTextLen(nIndex);
    if (length <= 0) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int copied = static_cast<int>(Send(LB_GETTEXT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(text.data())));
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

LRESULT CListBox::Default(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
}

LRESULT CALLBACK CListBox::SubclassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CListBox* box = FromHandle(hWnd);
    if (box == nullptr) return ::DefWindowProcA(hWnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // The window goes away: hand it back to its class before the last message.
        const WNDPROC super = box->m_pfnSuper;
        box->UnsubclassWindow();
        return ::CallWindowProcA(super, hWnd, message, wParam, lParam);
    }
    if (message == WM_REFLECTED_DRAWITEM) {
        box->DrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    }
    if (message == WM_REFLECTED_MEASUREITEM) {
        box->MeasureItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
        return TRUE;
    }
    return box->WindowProc(message, wParam, lParam);
}
