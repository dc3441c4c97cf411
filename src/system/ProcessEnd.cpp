#include "system/ProcessEnd.h"

#include "framework/ScopedHandles.h"
#include "util/PathParts.h"
#include "util/TextCompare.h"

namespace {

// A privilege of the process's token, enabled for the object's life where the token holds it, and
// put back as it was.
class CEnabledPrivilege {
public:
    explicit CEnabledPrivilege(const char* name) {
        TOKEN_PRIVILEGES wanted{1, {{{0, 0}, SE_PRIVILEGE_ENABLED}}};
        DWORD size = sizeof m_previous;
        if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, m_token.Receive()) ||
            !::LookupPrivilegeValueA(nullptr, name, &wanted.Privileges[0].Luid))
            return;
        // Answers success also where the token lacks it; then nothing was changed.
        m_bChanged = ::AdjustTokenPrivileges(m_token.Get(), FALSE, &wanted, sizeof m_previous, &m_previous, &size) &&
                     ::GetLastError() == ERROR_SUCCESS;
    }
    CEnabledPrivilege(const CEnabledPrivilege&) = delete;
    CEnabledPrivilege& operator=(const CEnabledPrivilege&) = delete;
    ~CEnabledPrivilege() {
        if (m_bChanged) ::AdjustTokenPrivileges(m_token.Get(), FALSE, &m_previous, 0, nullptr, nullptr);
    }

private:
    CScopedKernelHandle m_token;
    TOKEN_PRIVILEGES m_previous{};
    bool m_bChanged = false;
};

// True when the open process is still the one the walk saw: its image has that file name, and it
// was started before the walk.
bool IsTheOneSeen(HANDLE process, const SEEN_PROCESS& seen) {
    std::vector<char> image(32768);
    DWORD length = static_cast<DWORD>(image.size());
    FILETIME created{}, exited{}, kernel{}, user{};
    return ::QueryFullProcessImageNameA(process, 0, image.data(), &length) &&
           EqualsNoCase(GetFileNameOf(std::string(image.data(), length)), seen.strImageName) &&
           ::GetProcessTimes(process, &created, &exited, &kernel, &user) &&
           ::CompareFileTime(&created, &seen.ftBeforeWalk) <= 0;
}

// Opens every process for ending it. Answers the system's error for the first that cannot be.
DWORD OpenAll(const std::vector<SEEN_PROCESS>& seen, std::vector<CScopedKernelHandle>& processes) {
    const CEnabledPrivilege debug(SE_DEBUG_NAME);
    for (const SEEN_PROCESS& one : seen) {
        const DWORD access = PROCESS_TERMINATE | SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION;
        CScopedKernelHandle process(::OpenProcess(access, FALSE, one.dwId));
        const DWORD error = ::GetLastError();
        if (process) {
            if (IsTheOneSeen(process.Get(), one)) processes.push_back(std::move(process));
        } else if (error != ERROR_INVALID_PARAMETER) {  // that error: the id names no process any more
            return error;
        }
    }
    return ERROR_SUCCESS;
}

}  // namespace

DWORD EndProcesses(const std::vector<SEEN_PROCESS>& seen, UINT exitCode, DWORD settleMs) {
    std::vector<CScopedKernelHandle> processes;
    const DWORD openError = OpenAll(seen, processes);
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
