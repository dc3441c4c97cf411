#pragma once

#include <windows.h>

// Lets a window be drawn at most once in an interval: what changes sooner waits, held from
// drawing, and the window's timer shows it when the interval is up. Used on the window's thread.
class CDrawThrottle {
public:
    CDrawThrottle(UINT_PTR timerId, DWORD intervalMs) : m_timerId(timerId), m_dwIntervalMs(intervalMs) {}

    // A change begins: true when drawing is to be held now (nothing was waiting yet).
    bool Hold() {
        const bool bFirst = !m_bHeld;
        m_bHeld = true;
        return bFirst;
    }
    // The change is made: true when it is to be shown now; otherwise the timer will show it.
    bool IsDue(HWND window) {
        if (::GetTickCount64() - m_ullLastShown >= m_dwIntervalMs) return true;
        if (!m_bTimerSet) m_bTimerSet = ::SetTimer(window, m_timerId, m_dwIntervalMs, nullptr) != 0;
        return false;
    }
    // Shown now, so the interval starts again: true when drawing was held and is to be let go.
    bool Release(HWND window) {
        if (m_bTimerSet) ::KillTimer(window, m_timerId);
        m_bTimerSet = false;
        m_ullLastShown = ::GetTickCount64();
        const bool bWasHeld = m_bHeld;
        m_bHeld = false;
        return bWasHeld;
    }

private:
    const UINT_PTR m_timerId;
    const DWORD m_dwIntervalMs;
    bool m_bHeld = false;
    bool m_bTimerSet = false;
    ULONGLONG m_ullLastShown = 0;
};
