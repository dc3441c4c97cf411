#pragma once

#include <windows.h>

#include <string>

#include "framework/ScopedHandles.h"

// A program started from outside with its command line, held until it is waited for.
class CStartedProgram {
public:
    // Starts the program (each argument as given, already quoted where needed); with
    // bWaitForInput, also waits until its message loop is idle. False when it could not start.
    bool Start(const std::string& path, const std::string& arguments = std::string(), bool bWaitForInput = false);
    // Waits for it to end; false when it still runs after the time. exitCode, when given, gets
    // its exit status.
    bool Wait(DWORD timeoutMs, DWORD* exitCode = nullptr) const;
    HANDLE GetHandle() const { return m_process.Get(); }
    DWORD GetId() const { return m_dwId; }

private:
    CScopedKernelHandle m_process;
    DWORD m_dwId = 0;
};
