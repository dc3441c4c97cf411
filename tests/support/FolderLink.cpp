#include "support/FolderLink.h"

#include <windows.h>

#include "support/WindowRobot.h"
#include "util/PathChecks.h"

namespace {

// The host's name of a Windows path; empty outside Wine.
std::string HostPath(const std::string& path) {
    using HostNameFn = char*(CDECL*)(LPCWSTR);
    auto hostName = reinterpret_cast<HostNameFn>(reinterpret_cast<void (*)()>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    std::wstring wide(path.begin(), path.end());
    char* name = hostName ? hostName(wide.c_str()) : nullptr;
    const std::string text = name ? name : "";
    if (name) ::HeapFree(::GetProcessHeap(), 0, name);
    return text;
}

// Starts a host program ("/bin/ln") and waits until what it does shows.
void RunHostProgram(const std::string& program, const std::string& arguments, const std::function<bool()>& done) {
    std::string command = program + " " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(("Z:" + program).c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process))
        return;
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    robot::WaitUntil(done);
}

}  // namespace

CFolderLink::CFolderLink(const std::string& link, const std::string& target) : m_strLink(link) {
    if (m_strLink.back() == '\\') m_strLink.pop_back();
    RunHostProgram("/bin/ln", "-sfn \"" + HostPath(target) + "\" \"" + HostPath(m_strLink) + "\"",
                   [this] { return IsMade(); });
}

CFolderLink::~CFolderLink() {
    if (IsMade())
        RunHostProgram("/bin/rm", "\"" + HostPath(m_strLink) + "\"",
                       [this] { return ::GetFileAttributesA(m_strLink.c_str()) == INVALID_FILE_ATTRIBUTES; });
}

bool CFolderLink::IsMade() const { return IsReparsePoint(m_strLink); }
