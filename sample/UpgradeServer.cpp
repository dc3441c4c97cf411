#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "framework/ScopedHandles.h"
#include "system/ProductNames.h"

// Stands in for the product's upgrade server: a top-level window that receives the result codes
// an upgrader reports, shows them in a list and appends each to a log file, one code a line.
//   QuorindoUpgradeServer.exe [/log <file>] [/show]
// Without /log the file is QuorindoUpgradeServer.log in the temporary folder. /show makes the
// window visible; otherwise it stays hidden, as the product's own server does.

namespace {

const int LIST_ID = 100;

UINT g_nReportMessage = 0;
std::string g_strLogPath;

std::string DefaultLogPath() {
    char folder[MAX_PATH] = {};
    const DWORD length = ::GetTempPathA(MAX_PATH, folder);
    if (length == 0 || length >= MAX_PATH) return std::string();
    return std::string(folder) + "QuorindoUpgradeServer.log";
}

void AppendToLog(int code) {
    if (g_strLogPath.empty()) return;
    CScopedKernelHandle file(::CreateFileA(g_strLogPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                           nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    char line[32];
    const int length = std::snprintf(line, sizeof(line), "%d\r\n", code);
    DWORD written = 0;
    ::WriteFile(file.Get(), line, static_cast<DWORD>(length), &written, nullptr);
}

void RecordResult(HWND wnd, int code) {
    AppendToLog(code);
    char text[64];
    std::snprintf(text, sizeof(text), "Result code %d", code);
    ::SendDlgItemMessageA(wnd, LIST_ID, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

LRESULT CALLBACK WindowProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != 0 && message == g_nReportMessage) {
        RecordResult(wnd, static_cast<int>(wParam));
        return 0;
    }
    switch (message) {
    case WM_CREATE:
        ::CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL, 0, 0, 300, 200, wnd,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(LIST_ID)), nullptr, nullptr);
        return 0;
    case WM_SIZE:
        ::MoveWindow(::GetDlgItem(wnd, LIST_ID), 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        return ::DefWindowProcA(wnd, message, wParam, lParam);
    }
}

}  // namespace

int main(int argc, char** argv) {
    bool bShow = false;
    g_strLogPath = DefaultLogPath();
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "/show") == 0) bShow = true;
        if (std::strcmp(argv[i], "/log") == 0 && i + 1 < argc) g_strLogPath = argv[++i];
    }
    g_nReportMessage = ::RegisterWindowMessageA(UPGRADE_REPORT_MESSAGE);

    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = "QuorindoUpgradeServerWindow";
    if (!::RegisterClassA(&windowClass)) return 1;
    HWND wnd = ::CreateWindowExA(0, windowClass.lpszClassName, UPGRADE_SERVER_TITLE, WS_OVERLAPPEDWINDOW,
                                 CW_USEDEFAULT, CW_USEDEFAULT, 320, 240, nullptr, nullptr, windowClass.hInstance,
                                 nullptr);
    if (!wnd) return 1;
    if (bShow) ::ShowWindow(wnd, SW_SHOWNORMAL);

    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return 0;
}
