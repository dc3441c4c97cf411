#include "framework/ListBox.h"

namespace {
// The window property that leads from a subclassed control to its object.
const char LIST_BOX_PROPERTY[] = "QuorindoListBoxObject";
}  // namespace

bool CListBox::SubclassDlgItem(int nID, HWND hDialog) {
    UnsubclassWindow();
    HWND control = ::GetDlgItem(hDialog, nID);
    if (control == nullptr) return false;
    if (!::SetPropA(control, LIST_BOX_PROPERTY, this)) return false;
    m_hWnd = control;
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CListBox::SubclassProc)));
    return true;
}

void CListBox::UnsubclassWindow() {
    if (m_hWnd == nullptr) return;
    if (m_pfnSuper != nullptr && ::IsWindow(m_hWnd))
        ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    ::RemovePropA(m_hWnd, LIST_BOX_PROPERTY);
    m_pfnSuper = nullptr;
    m_hWnd = nullptr;
}

CListBox* CListBox::FromHandle(HWND hWnd) {
    if (hWnd == nullptr) return nullptr;
    return static_cast<CListBox*>(::GetPropA(hWnd, LIST_BOX_PROPERTY));
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
