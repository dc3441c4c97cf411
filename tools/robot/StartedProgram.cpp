#include "robot/StartedProgram.h"

#include <cstdio>

namespace {

// Generous: the first start in a fresh prefix is slow. It only bounds a hung program.
const DWORD START_WAIT_MS = 20000;
const DWORD START_RETRY_MS = 3000;

}  // namespace

bool CStartedProgram::Start(const std::string& path, const std::string& arguments, const std::string& folder,
                            DWORD creationFlags) {
    Release();
    std::string commandLine = "\"" + path + "\"";
    if (!arguments.empty()) commandLine += " " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    // Under a loaded Wine, the file of a program just ended may stay held for a moment.
    const ULONGLONG deadline = ::GetTickCount64() + START_RETRY_MS;
    while (!::CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, creationFlags, nullptr,
                             folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
        const DWORD error = ::GetLastError();
        if (::GetTickCount64() >= deadline) {
            std::fprintf(stderr, "CreateProcess %s failed: error %lu\n", path.c_str(), error);
            return false;
        }
        ::Sleep(50);
    }
    m_process.Reset(info.hProcess);
    CScopedKernelHandle thread(info.hThread);
    m_dwId = info.dwProcessId;
    m_dwThreadId = info.dwThreadId;
    return true;
}

void CStartedProgram::WaitForMessageLoop() const {
    // Under Wine, WaitForInputIdle answers at once while the program has no message queue yet.
    // A thread message can be posted only once the queue exists.
    const ULONGLONG deadline = ::GetTickCount64() + START_WAIT_MS;
    while (!::PostThreadMessageA(m_dwThreadId, WM_NULL, 0, 0) && IsRunning() && ::GetTickCount64() < deadline)
        ::Sleep(10);
    ::WaitForInputIdle(m_process.Get(), START_WAIT_MS);
}

bool CStartedProgram::IsRunning() const {
    return m_process && ::WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT;
}

bool CStartedProgram::Wait(DWORD timeoutMs, DWORD* exitCode) const {
    if (!m_process || ::WaitForSingleObject(m_process.Get(), timeoutMs) != WAIT_OBJECT_0) return false;
    if (exitCode != nullptr) ::GetExitCodeProcess(m_process.Get(), exitCode);
    return true;
}

void CStartedProgram::Release() {
    m_process.Reset();
    m_dwId = 0;
    m_dwThreadId = 0;
}
