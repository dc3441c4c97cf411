#include "DialogThread.h"

#include <ostream>

#include "app/UpgradeApp.h"
#include "support/TestCalls.h"
#include "robot/WindowRobot.h"

namespace {

// The greeting's two lines, each followed by its separator.
const int GREETING_ITEMS = 4;

// The process's application object, as the program has one: message boxes take its name.
CUpgradeApp g_app;

RUN_SETTINGS TestRunSettings() {
    RUN_SETTINGS settings;
    settings.strPackageVersion = "0.0.6.7";
    settings.pCalls = &TestCalls();
    return settings;
}

}  // namespace

CTestUpgradeDlg::CTestUpgradeDlg() : CUpgradeDlg(TestRunSettings(), false, false) {}

CDialogThread::CDialogThread() {
    m_hThread.Reset(::CreateThread(nullptr, 0, &ThreadMain, this, 0, &m_dwThreadId));
    m_bOpen = m_hThread && robot::WaitUntil([this] {
        HWND window = Window();
        return window != nullptr && ::IsWindow(window) && m_dialog.m_list.GetCount() >= GREETING_ITEMS;
    });
    if (m_bOpen) MarkLines();
}

CDialogThread::~CDialogThread() { Close(); }

bool CDialogThread::Close() {
    if (!m_hThread) return true;
    if (HWND window = Window()) ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    const bool ended = robot::WaitForHandle(m_hThread.Get());
    m_hThread.Reset();
    return ended;
}

std::vector<CDialogThread::LINE> CDialogThread::NewLines() const {
    std::vector<LINE> lines;
    const int count = m_dialog.m_list.GetCount();
    // Every line is followed by an empty separator.
    for (int i = m_nFirstNewItem; i < count; i += 2)
        lines.push_back({m_dialog.m_list.GetText(i), static_cast<COLORREF>(m_dialog.m_list.GetItemData(i))});
    return lines;
}

DWORD WINAPI CDialogThread::ThreadMain(void* self) {
    static_cast<CDialogThread*>(self)->m_dialog.DoModal();
    return 0;
}

std::ostream& operator<<(std::ostream& out, const CDialogThread::LINE& line) {
    return out << "{\"" << line.text << "\", 0x" << std::hex << line.color << std::dec << "}";
}
