#pragma once

#include <windows.h>

#include <vector>

#include "system/ProcessScanner.h"

// Ends the processes with the exit code, all or none: each is opened for ending before any is
// ended, with the debug privilege where the program holds it (an administrator's, needed for
// processes of other users and sessions), and a process that is gone already needs no ending.
// An id that names another process by now (another image name, or started after the walk) is one
// that is gone: it is never ended. Then waits up to settleMs in all until each has ended, so that
// its files are free. Answers the system's error when one could not be opened or ended,
// ERROR_SUCCESS otherwise.
DWORD EndProcesses(const std::vector<SEEN_PROCESS>& processes, UINT exitCode, DWORD settleMs);
