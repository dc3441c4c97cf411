#include "support/UpgradeServerWindow.h"

#include "system/ProductNames.h"

namespace {
const char CLASS_NAME[] = "QuorindoTestUpgradeServer";
}

CUpgradeServerWindow::CUpgradeServerWindow() {
    m_uMessage = RegisterWindowMessageA(UPGRADE_REPORT_MESSAGE);
    m_hReady.Reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    m_hThread.Reset(CreateThread(nullptr, 0, &CUpgradeServerWindow::ThreadMain, this, 0, &m_dwThreadId));
    WaitForSingleObject(m_hReady.Get(), 10000);
}

CUpgradeServerWindow::~CUpgradeServerWindow() {
    if (m_hWnd != nullptr) PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
    WaitForSingleObject(m_hThread.Get(), 10000);
}

std::vector<int> CUpgradeServerWindow::Codes() const {
    CSingleLock hold(m_lock);
    return m_codes;
}

void CUpgradeServerWindow::SetOnCode(std::function<void(int)> onCode) {
    CSingleLock hold(m_lock);
    m_onCode = std::move(onCode);
}

bool CUpgradeServerWindow::WaitForCodes(size_t count, DWORD timeoutMs) const {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (Codes().size() < count) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        WaitForSingleObject(m_hArrived.Get(), static_cast<DWORD>(deadline - now));
    }
    return true;
}

DWORD WINAPI CUpgradeServerWindow::ThreadMain(void* param) {
    auto* self = static_cast<CUpgradeServerWindow*>(param);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &CUpgradeServerWindow::WindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = CLASS_NAME;
    RegisterClassA(&wc);
    self->m_hWnd = CreateWindowA(CLASS_NAME, UPGRADE_SERVER_TITLE, WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                 wc.hInstance, self);
    SetEvent(self->m_hReady.Get());
    MSG msg;
    while (self->m_hWnd != nullptr && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

LRESULT CALLBACK CUpgradeServerWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
    }
    auto* self = reinterpret_cast<CUpgradeServerWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self != nullptr && message == self->m_uMessage) {
        std::function<void(int)> onCode;
        {
            CSingleLock hold(self->m_lock);
            onCode = self->m_onCode;
        }
        if (onCode) onCode(static_cast<int>(wParam));
        CSingleLock hold(self->m_lock);
        self->m_codes.push_back(static_cast<int>(wParam));
        SetEvent(self->m_hArrived.Get());
        return 0;
    }
    if (message == WM_DESTROY) {
        if (self != nullptr) self->m_hWnd = nullptr;
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
