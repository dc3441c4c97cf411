#include "DialogThread.h"

#include "robot/WindowRobot.h"

namespace {
CUpgradeApp g_app;
}

CUpgradeApp& TestApp() { return g_app; }

CDialogThread::CDialogThread() {
    g_app.m_cmdInfo.m_bAuto = false;
    m_hThread.Reset(::CreateThread(nullptr, 0, &ThreadMain, this, 0, nullptr));
    // Open once the greeting lines and their separators are in.
    m_bOpen = m_hThread && robot::WaitUntil([this] {
        HWND window = Window();
        return window != nullptr && ::IsWindow(window) && m_dialog.m_list.GetCount() == 4;
    });
}

CDialogThread::~CDialogThread() {
    g_app.m_cmdInfo.m_bAuto = false;
    Close();
}

bool CDialogThread::Close() {
    if (!m_hThread) return true;
    HWND window = Window();
    if (window != nullptr) ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    const bool ended = robot::WaitForHandle(m_hThread.Get());
    m_hThread.Reset();
    return ended;
}

DWORD WINAPI CDialogThread::ThreadMain(void* self) {
    auto* thread = static_cast<CDialogThread*>(self);
    thread->m_dialog.DoModal();
    return 0;
}
