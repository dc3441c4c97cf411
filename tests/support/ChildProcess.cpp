#include "support/ChildProcess.h"

#include <vector>

#include "support/CrashReport.h"
#include "util/PathParts.h"

namespace {

// Generous: the first start in a fresh prefix is slow. It only bounds a hung test.
const DWORD START_WAIT_MS = 20000;
const DWORD END_WAIT_MS = 10000;

}  // namespace

bool CChildProcess::Start(const std::string& exePath, const std::string& arguments, const std::string& folder,
                          bool bWaitForMessageLoop) {
    End();
    std::string commandLine = "\"" + exePath + "\"";
    if (!arguments.empty()) commandLine += " " + arguments;
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    std::string workFolder = folder;
    if (workFolder.empty()) {
        std::string drive, dir;
        SplitPath(exePath, &drive, &dir, nullptr, nullptr);
        workFolder = drive + dir;
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!::CreateProcessA(exePath.c_str(), buffer.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                          workFolder.empty() ? nullptr : workFolder.c_str(), &startup, &info))
        return false;
    CScopedKernelHandle thread(info.hThread);
    m_hProcess.Reset(info.hProcess);
    m_dwId = info.dwProcessId;
    m_strExePath = exePath;
    m_bCrashReported = false;
    if (bWaitForMessageLoop) WaitForMessageLoop(info.dwThreadId);
    return true;
}

void CChildProcess::WaitForMessageLoop(DWORD threadId) const {
    // Under Wine, WaitForInputIdle answers at once while the program has no message queue yet.
    // A thread message can be posted only once the queue exists.
    const ULONGLONG deadline = ::GetTickCount64() + START_WAIT_MS;
    while (!::PostThreadMessageA(threadId, WM_NULL, 0, 0) && IsRunning() && ::GetTickCount64() < deadline)
        ::Sleep(10);
    ::WaitForInputIdle(m_hProcess.Get(), START_WAIT_MS);
}

bool CChildProcess::IsRunning() const {
    return m_hProcess && ::WaitForSingleObject(m_hProcess.Get(), 0) == WAIT_TIMEOUT;
}

bool CChildProcess::Wait(DWORD timeoutMs, DWORD* exitCode) {
    if (!m_hProcess) return false;
    if (::WaitForSingleObject(m_hProcess.Get(), timeoutMs) != WAIT_OBJECT_0) return false;
    if (exitCode) ::GetExitCodeProcess(m_hProcess.Get(), exitCode);
    ReportIfCrashed();
    return true;
}

void CChildProcess::ReportIfCrashed() {
    DWORD status = 0;
    if (m_bCrashReported || IsRunning() || !::GetExitCodeProcess(m_hProcess.Get(), &status)) return;
    m_bCrashReported = ReportCrash(m_strExePath, status);
}

void CChildProcess::End() {
    if (!m_hProcess) return;
    ReportIfCrashed();
    if (IsRunning()) ::TerminateProcess(m_hProcess.Get(), 1);
    ::WaitForSingleObject(m_hProcess.Get(), END_WAIT_MS);
    m_hProcess.Reset();
    m_dwId = 0;
}
