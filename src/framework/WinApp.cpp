#include "framework/WinApp.h"

#include <cstdlib>

#include "framework/CommandLineInfo.h"
#include "framework/PathChars.h"
#include "framework/Wnd.h"

namespace {
CWinApp* g_pApp = nullptr;

// The longest path the system gives a module.
const DWORD MAX_MODULE_PATH = 32768;

// The running module's file name without folder and extension.
std::string GetRunningExeName() {
    std::string name = GetRunningProgramPath();
    name.erase(0, FindLastSeparator(name) + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}
}  // namespace

std::string GetRunningProgramPath() {
    // A buffer too small is filled to its end, and the answer is its size: tried again larger.
    for (DWORD size = MAX_PATH;; size *= 2) {
        std::string path(size, '\0');
        const DWORD length = ::GetModuleFileNameA(nullptr, path.data(), size);
        if (length == 0) return std::string();
        if (length < size) return path.substr(0, length);
        if (size >= MAX_MODULE_PATH) return std::string();
    }
}

CWinApp::CWinApp() : m_strExeName(GetRunningExeName()) { g_pApp = this; }

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
    return app->ExitInstance();
}
