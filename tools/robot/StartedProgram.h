#pragma once

#include <windows.h>

#include <string>

#include "framework/ScopedHandles.h"

// A program started from outside with its command line, held until it is waited for.
class CStartedProgram {
public:
    // Starts the program (each argument as given, already quoted where needed) in the folder
    // (the caller's current one when empty), with the process creation flags. False when it
    // could not start.
    bool Start(const std::string& path, const std::string& arguments = std::string(),
               const std::string& folder = std::string(), DWORD creationFlags = 0);
    // Waits until the program's message loop is idle: its windows exist and the system's process
    // walks can read its modules.
    void WaitForMessageLoop() const;
    bool IsRunning() const;
    // Waits for it to end; false when it still runs after the time. exitCode, when given, gets
    // its exit status.
    bool Wait(DWORD timeoutMs, DWORD* exitCode = nullptr) const;
    // Lets go of the process, which runs on.
    void Release();
    HANDLE GetHandle() const { return m_process.Get(); }
    DWORD GetId() const { return m_dwId; }

private:
    CScopedKernelHandle m_process;
    DWORD m_dwId = 0;
    DWORD m_dwThreadId = 0;
};
