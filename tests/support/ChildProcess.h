#pragma once

#include <windows.h>

#include <string>

#include "robot/StartedProgram.h"

// A program a test started. It is ended (terminated and waited for) at destruction at the
// latest, so no test leaves a process behind.
class CChildProcess {
public:
    CChildProcess() = default;
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;
    CChildProcess(CChildProcess&&) = default;
    CChildProcess& operator=(CChildProcess&&) = delete;
    ~CChildProcess() { End(); }

    // Starts the program with the arguments, in the given folder (the program's own when empty).
    // Unless told otherwise, waits until the program's message loop is idle: its windows exist
    // and the system's process walks can read its modules.
    bool Start(const std::string& exePath, const std::string& arguments = std::string(),
               const std::string& folder = std::string(), bool bWaitForMessageLoop = true);
    DWORD GetId() const { return m_program.GetId(); }
    HANDLE GetHandle() const { return m_program.GetHandle(); }
    bool IsRunning() const { return m_program.IsRunning(); }
    // Waits for the program to end by itself; false when it still runs after the time.
    // A program that crashed fails the test with its exception code.
    bool Wait(DWORD timeoutMs, DWORD* exitCode = nullptr);
    // Terminates the program (when it still runs) and waits until it is gone. A program that
    // had already crashed fails the test with its exception code.
    void End();

private:
    // Reports a crash once, whichever of Wait and End sees it first.
    void ReportIfCrashed();

    CStartedProgram m_program;
    std::string m_strExePath;
    bool m_bCrashReported = false;
};
