#pragma once

#include <windows.h>

#include <string>

// The owner-draw messages a dialog passes on to the control they are about, so that the
// control's own object draws it without the dialog knowing its class: the usual reflection,
// numbered as OCM_DRAWITEM and OCM_MEASUREITEM are. A control that does not draw itself
// answers 0.
inline constexpr UINT WM_REFLECT_BASE = WM_USER + 0x1C00;
inline constexpr UINT WM_REFLECTED_DRAWITEM = WM_REFLECT_BASE + WM_DRAWITEM;
inline constexpr UINT WM_REFLECTED_MEASUREITEM = WM_REFLECT_BASE + WM_MEASUREITEM;

// A window this program talks to: the handle and the few calls every window class uses.
// The object does not own the window; the window system does.
class CWnd {
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    virtual ~CWnd() = default;

    HWND GetSafeHwnd() const { return m_hWnd; }
    // SendMessageA to this window; safe from any thread (the window's thread does the work).
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }
    std::string GetText() const;
    void SetText(const std::string& text) const { ::SetWindowTextA(m_hWnd, text.c_str()); }

    HWND m_hWnd = nullptr;
};
