#include "system/ProcessEnd.h"

#include "framework/ScopedHandles.h"

namespace {

// Opens every process for ending it. Answers the system's error for the first that cannot be.
DWORD OpenAll(const std::vector<DWORD>& ids, std::vector<CScopedKernelHandle>& processes) {
    for (DWORD id : ids) {
        CScopedKernelHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
        const DWORD error = ::GetLastError();
        if (process) {
            processes.push_back(std::move(process));
        } else if (error != ERROR_INVALID_PARAMETER) {  // that error: the id names no process any more
            return error;
        }
    }
    return ERROR_SUCCESS;
}

}  // namespace

DWORD EndProcesses(const std::vector<DWORD>& ids, UINT exitCode, DWORD settleMs) {
    std::vector<CScopedKernelHandle> processes;
    const DWORD openError = OpenAll(ids, processes);
    if (openError != ERROR_SUCCESS) return openError;
    for (const CScopedKernelHandle& process : processes) {
        if (::TerminateProcess(process.Get(), exitCode)) continue;
        const DWORD error = ::GetLastError();
        // Refused only because it is ending by itself already: that is as good.
        if (::WaitForSingleObject(process.Get(), 0) != WAIT_OBJECT_0) return error;
    }
    // Ending takes a moment after the call; seldom the whole time allowed.
    const DWORD start = ::GetTickCount();
    for (const CScopedKernelHandle& process : processes) {
        const DWORD spent = ::GetTickCount() - start;
        ::WaitForSingleObject(process.Get(), spent < settleMs ? settleMs - spent : 0);
    }
    return ERROR_SUCCESS;
}
