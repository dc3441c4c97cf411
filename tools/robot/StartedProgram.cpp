#include "robot/StartedProgram.h"

namespace {

const DWORD INPUT_IDLE_MS = 60000;

}  // namespace

bool CStartedProgram::Start(const std::string& path, const std::string& arguments, bool bWaitForInput) {
    std::string commandLine = "\"" + path + "\"";
    if (!arguments.empty()) commandLine += " " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &info))
        return false;
    m_process.Reset(info.hProcess);
    CScopedKernelHandle thread(info.hThread);
    m_dwId = info.dwProcessId;
    if (bWaitForInput) ::WaitForInputIdle(info.hProcess, INPUT_IDLE_MS);
    return true;
}

bool CStartedProgram::Wait(DWORD timeoutMs, DWORD* exitCode) const {
    if (::WaitForSingleObject(m_process.Get(), timeoutMs) != WAIT_OBJECT_0) return false;
    if (exitCode != nullptr) ::GetExitCodeProcess(m_process.Get(), exitCode);
    return true;
}
