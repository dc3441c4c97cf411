#include "support/ChildProcess.h"

#include "support/CrashReport.h"
#include "util/PathParts.h"

namespace {

const DWORD END_WAIT_MS = 10000;

}  // namespace

bool CChildProcess::Start(const std::string& exePath, const std::string& arguments, const std::string& folder,
                          bool bWaitForMessageLoop) {
    End();
    std::string workFolder = folder;
    if (workFolder.empty()) {
        std::string drive, dir;
        SplitPath(exePath, &drive, &dir, nullptr, nullptr);
        workFolder = drive + dir;
    }
    if (!m_program.Start(exePath, arguments, workFolder, CREATE_NO_WINDOW)) return false;
    m_strExePath = exePath;
    m_bCrashReported = false;
    if (bWaitForMessageLoop) m_program.WaitForMessageLoop();
    return true;
}

bool CChildProcess::Wait(DWORD timeoutMs, DWORD* exitCode) {
    if (!m_program.Wait(timeoutMs, exitCode)) return false;
    ReportIfCrashed();
    return true;
}

void CChildProcess::ReportIfCrashed() {
    DWORD status = 0;
    if (m_bCrashReported || IsRunning() || !::GetExitCodeProcess(GetHandle(), &status)) return;
    m_bCrashReported = ReportCrash(m_strExePath, status);
}

void CChildProcess::End() {
    if (GetHandle() == nullptr) return;
    ReportIfCrashed();
    if (IsRunning()) ::TerminateProcess(GetHandle(), 1);
    ::WaitForSingleObject(GetHandle(), END_WAIT_MS);
    m_program.Release();
}
