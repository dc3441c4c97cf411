#pragma once

#include <windows.h>

#include "framework/CommandLineInfo.h"
#include "framework/WinApp.h"
#include "os/WindowsSystemCalls.h"
#include "system/OwnProgramFile.h"
#include "upgrade/ResultCodes.h"
#include "upgrade/Checkpoint.h"

// The upgrader's command line: the switch "auto" ("/auto", "-AUTO") asks for a silent run;
// "recover" only puts back an interrupted upgrade, if there is one.
class CUpgradeCommandLineInfo : public CCommandLineInfo {
public:
    void ParseParam(const char* pszParam, bool bFlag, bool bLast) override;

    // Auto mode: hidden tool window, run at once, no message boxes, result code to the
    // upgrade server, and the dialog closes itself after the run.
    bool m_bAuto = false;
    // Recovery only: with the journal of an interrupted upgrade the dialog shows its restore and
    // waits for Close; without one the program ends at once, showing nothing.
    bool m_bRecover = false;
    // "/?", "-?", "/help": the usage box, and nothing else.
    bool m_bHelp = false;
};

class CUpgradeApp : public CWinApp {
public:
    // bCreateVersion is the build's create-version switch: it offers the package builder. A test
    // build of the program passes the hook that sees its runs' checkpoints.
    explicit CUpgradeApp(bool bCreateVersion = false, CheckpointHook atCheckpoint = {});

    // Parses the command line and runs the main dialog; answers false, so the program
    // ends when the dialog does.
    bool InitInstance() override;
    // The exit status: the result code of the last run (see upgrade/ResultCodes.h).
    int ExitInstance() override;

private:
    // What every run and recovery makes its file-system calls and registry writes through.
    CWindowsSystemCalls m_calls;
    // Held from the program's start, before anybody could swap the file for another.
    COwnProgramFile m_ownFile{m_calls};
    CUpgradeCommandLineInfo m_cmdInfo;
    bool m_bCreateVersion;
    CheckpointHook m_atCheckpoint;
    int m_nExitStatus = EXIT_NO_RUN;
};
