#pragma once

#include <windows.h>
#include <commctrl.h>

#include "framework/Wnd.h"

// A progress bar control of a dialog. Every call is a message, so any thread may use it.
class CProgressCtrl : public CWnd {
public:
    void Attach(HWND hWnd) { m_hWnd = hWnd; }
    void Detach() { m_hWnd = nullptr; }

    void SetRange32(int nLower, int nUpper) const { Send(PBM_SETRANGE32, static_cast<WPARAM>(nLower), nUpper); }
    int SetPos(int nPos) const { return static_cast<int>(Send(PBM_SETPOS, static_cast<WPARAM>(nPos))); }
    int GetPos() const { return static_cast<int>(Send(PBM_GETPOS)); }
    int SetStep(int nStep) const { return static_cast<int>(Send(PBM_SETSTEP, static_cast<WPARAM>(nStep))); }
};
