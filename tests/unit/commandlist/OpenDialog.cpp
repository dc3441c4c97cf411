#include "OpenDialog.h"

#include <ostream>

#include "util/PathParts.h"

namespace {

// Bounds a broken dialog; the dialog normally opens within a fraction of it.
const DWORD OPEN_WAIT_MS = 15000;

// The dialog asks the application object for its mode while it opens.
CUpgradeApp g_app;

}  // namespace

CUpgradeApp& TestApp() { return g_app; }

COpenDialog::COpenDialog() {
    m_hThread.Reset(::CreateThread(nullptr, 0, &ThreadMain, this, 0, &m_dwThreadId));
    const ULONGLONG deadline = ::GetTickCount64() + OPEN_WAIT_MS;
    while (m_hThread && ::GetTickCount64() < deadline) {
        HWND window = Window();
        // Open once the greeting lines are in.
        if (window != nullptr && ::IsWindow(window) && m_dialog.m_list.GetCount() >= 4) {
            m_nFirstNewItem = m_dialog.m_list.GetCount();
            m_bOpen = true;
            break;
        }
        ::Sleep(10);
    }
}

COpenDialog::~COpenDialog() {
    if (!m_hThread) return;
    if (HWND window = Window()) ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ::WaitForSingleObject(m_hThread.Get(), OPEN_WAIT_MS);
}

std::vector<COpenDialog::LINE> COpenDialog::NewLines() const {
    std::vector<LINE> lines;
    const int count = m_dialog.m_list.GetCount();
    // Every line is followed by an empty separator.
    for (int i = m_nFirstNewItem; i < count; i += 2)
        lines.push_back({m_dialog.m_list.GetText(i), static_cast<COLORREF>(m_dialog.m_list.GetItemData(i))});
    return lines;
}

DWORD WINAPI COpenDialog::ThreadMain(void* self) {
    static_cast<COpenDialog*>(self)->m_dialog.DoModal();
    return 0;
}

std::ostream& operator<<(std::ostream& out, const COpenDialog::LINE& line) {
    return out << "{\"" << line.text << "\", 0x" << std::hex << line.color << std::dec << "}";
}
