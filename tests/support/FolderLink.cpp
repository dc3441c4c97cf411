#include "support/FolderLink.h"

#include <windows.h>

#include <vector>

#include "support/WindowRobot.h"
#include "util/PathChecks.h"

namespace {

// Runs "/bin/<program> <options> <the host's names of the paths>", which Wine starts like one of
// its own programs, and waits until its work shows.
void RunOnHost(const std::string& program, std::string command, const std::vector<std::string>& paths,
               const std::function<bool()>& done) {
    auto hostName = reinterpret_cast<char*(CDECL*)(LPCWSTR)>(reinterpret_cast<void (*)()>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    for (const std::string& path : paths) {
        char* name = hostName ? hostName(std::wstring(path.begin(), path.end()).c_str()) : nullptr;
        command += std::string(" \"") + (name ? name : "") + "\"";
        ::HeapFree(::GetProcessHeap(), 0, name);
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (::CreateProcessA(("Z:\\bin\\" + program).c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                         &startup, &process)) {
        CScopedKernelHandle thread(process.hThread), child(process.hProcess);
        robot::WaitUntil(done);
    }
}

}  // namespace

CFolderLink::CFolderLink(const std::string& link, const std::string& target)
    : m_strLink(link.substr(0, link.find_last_not_of('\\') + 1)) {
    RunOnHost("ln", "ln -sfn", {target, m_strLink}, [this] { return IsMade(); });
}

CFolderLink::~CFolderLink() { RunOnHost("rm", "rm -f", {m_strLink}, [this] { return !IsMade(); }); }

bool CFolderLink::IsMade() const { return IsReparsePoint(m_strLink); }
