#pragma once

#include <windows.h>

#include <string>

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
