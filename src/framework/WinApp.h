#pragma once

#include <windows.h>

#include <string>

class CCommandLineInfo;
class CWnd;

// The application object: its executable's name and its start-up work.
class CWinApp {
public:
    // The executable name is taken from the running program's own file, whatever it is called.
    CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;
    virtual ~CWinApp();

    // Runs the application's work; false ends the program at once.
    virtual bool InitInstance() { return false; }
    // The program's exit status, once its work is done.
    virtual int ExitInstance() { return 0; }

    // Fills the information from the process's own command line.
    void ParseCommandLine(CCommandLineInfo& info) const;

    // The running program's file name without its extension ("Setup" for Setup.exe).
    std::string m_strExeName;
    // The window that message boxes of the application belong to, while it exists.
    CWnd* m_pMainWnd = nullptr;
};

// The running program's file as the system reports it, of any length; empty when it cannot say.
std::string GetRunningProgramPath();

// The one application object of the process, or null.
CWinApp* AfxGetApp();

// A message box of the application, titled with its name and owned by its main window.
// Without an icon type, OK boxes show the exclamation mark.
int AfxMessageBox(const std::string& text, UINT nType = MB_OK);

// The program's main routine: runs the application object's InitInstance and answers its
// ExitInstance.
int AfxWinMain();
