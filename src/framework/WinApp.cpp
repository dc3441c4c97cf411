#include "framework/WinApp.h"

#include <cstdlib>

#include "framework/CommandLineInfo.h"
#include "framework/Wnd.h"

namespace {
CWinApp* g_pApp = nullptr;
}

CWinApp::CWinApp(const char* exeName) : m_strExeName(exeName) { g_pApp = this; }

CWinApp::~CWinApp() {
    if (g_pApp == this) g_pApp = nullptr;
}

void CWinApp::ParseCommandLine(CCommandLineInfo& info) const { ParseCommandLineArgs(__argc, __argv, info); }

CWinApp* AfxGetApp() { return g_pApp; }

int AfxMessageBox(const std::string& text, UINT nType) {
    CWinApp* app = AfxGetApp();
    HWND owner = app != nullptr && app->m_pMainWnd != nullptr ? app->m_pMainWnd->GetSafeHwnd() : nullptr;
    const char* title = app != nullptr ? app->m_strExeName.c_str() : nullptr;
    if ((nType & MB_ICONMASK) == 0 && ((nType & MB_TYPEMASK) == MB_OK || (nType & MB_TYPEMASK) == MB_OKCANCEL))
        nType |= MB_ICONEXCLAMATION;
    return ::MessageBoxA(owner, text.c_str(), title, nType);
}

int AfxWinMain() {
    CWinApp* app = AfxGetApp();
    if (app == nullptr) return -1;
    // A dialog program's work is done inside InitInstance; nothing runs after it.
    app->InitInstance();
    return 0;
}
