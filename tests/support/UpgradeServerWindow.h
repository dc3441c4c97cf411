#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "framework/CriticalSection.h"
#include "framework/ScopedHandles.h"

// Stands in for the product's upgrade server: a top-level window titled
// "QuorindoUpgradeServer" on its own thread that records every result code it is sent.
class CUpgradeServerWindow {
public:
    CUpgradeServerWindow();
    ~CUpgradeServerWindow();
    CUpgradeServerWindow(const CUpgradeServerWindow&) = delete;
    CUpgradeServerWindow& operator=(const CUpgradeServerWindow&) = delete;

    std::vector<int> Codes() const;
    // Runs in the window's handler for every code before it answers, as long as it takes; the code
    // counts as arrived once it returns.
    void SetOnCode(std::function<void(int)> onCode);
    // Waits until at least count codes arrived or the time is up.
    bool WaitForCodes(size_t count, DWORD timeoutMs) const;

private:
    static DWORD WINAPI ThreadMain(void* self);
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    CScopedKernelHandle m_hReady;
    CScopedKernelHandle m_hArrived{CreateEventA(nullptr, FALSE, FALSE, nullptr)};  // a code came
    CScopedKernelHandle m_hThread;
    DWORD m_dwThreadId = 0;
    HWND m_hWnd = nullptr;
    UINT m_uMessage = 0;
    mutable CCriticalSection m_lock;
    std::vector<int> m_codes;
    std::function<void(int)> m_onCode;
};
