#include "support/ConsoleRun.h"

#include <windows.h>

#include <vector>

#include "framework/ScopedHandles.h"
#include "support/CrashReport.h"

namespace {

// Bounds a hung program only; packing the sample product takes a few seconds.
const DWORD RUN_WAIT_MS = 120000;

}  // namespace

int RunConsoleProgram(const std::string& exePath, const std::string& arguments, std::string* output,
                      const std::string& folder) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    CScopedKernelHandle readEnd, writeEnd;
    if (!::CreatePipe(readEnd.Receive(), writeEnd.Receive(), &inherit, 0)) return -1;
    ::SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0);

    std::string commandLine = "\"" + exePath + "\" " + arguments;
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd.Get();
    startup.hStdError = writeEnd.Get();
    PROCESS_INFORMATION info{};
    if (!::CreateProcessA(exePath.c_str(), buffer.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                          folder.empty() ? nullptr : folder.c_str(), &startup, &info))
        return -1;
    CScopedKernelHandle process(info.hProcess);
    CScopedKernelHandle thread(info.hThread);
    // Only the child holds the writing end now, so the pipe ends when the child does.
    writeEnd.Reset();

    output->clear();
    char chunk[4096];
    DWORD read = 0;
    while (::ReadFile(readEnd.Get(), chunk, sizeof chunk, &read, nullptr) && read > 0) output->append(chunk, read);
    if (::WaitForSingleObject(process.Get(), RUN_WAIT_MS) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.Get(), 1);
        ::WaitForSingleObject(process.Get(), RUN_WAIT_MS);
        return -1;
    }
    DWORD status = 0;
    ::GetExitCodeProcess(process.Get(), &status);
    ReportCrash(exePath, status);
    return static_cast<int>(status);
}
