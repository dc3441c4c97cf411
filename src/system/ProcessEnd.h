#pragma once

#include <windows.h>

#include <vector>

// Ends the processes with the exit code, all or none: each is opened for ending before any is
// ended, and a process that is gone already needs no ending. Then waits up to settleMs in all
// until each has ended, so that its files are free. Answers the system's error when one could not
// be opened or ended, ERROR_SUCCESS otherwise.
DWORD EndProcesses(const std::vector<DWORD>& ids, UINT exitCode, DWORD settleMs);
