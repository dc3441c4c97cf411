#pragma once

#include <string>

// The application object: its executable's name and its start-up work.
class CWinApp {
public:
    explicit CWinApp(const char* exeName);
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;
    virtual ~CWinApp();

    // Runs the application's work; false ends the program at once.
    virtual bool InitInstance() { return false; }

    // Base name of the executable, without ".exe".
    std::string m_strExeName;
};

// The one application object of the process, or null.
CWinApp* AfxGetApp();
