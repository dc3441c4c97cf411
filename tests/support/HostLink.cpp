#include "support/HostLink.h"

#include <windows.h>

#include "framework/ScopedHandles.h"
#include "util/PathParts.h"

std::string UnixPathOf(const std::string& windowsPath) {
    using TO_UNIX_PROC = char*(CDECL*)(const wchar_t*);
    auto toUnix = reinterpret_cast<TO_UNIX_PROC>(reinterpret_cast<void (*)()>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    wchar_t widePath[MAX_PATH] = {};
    ::MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, widePath, MAX_PATH);
    char* unixPath = toUnix ? toUnix(widePath) : nullptr;
    if (unixPath == nullptr) return std::string();
    std::string text = unixPath;
    ::HeapFree(::GetProcessHeap(), 0, unixPath);
    return text;
}

namespace {

// Runs a host program with the arguments, each a host path, and waits until the Windows path
// exists, or no longer does: Wine's host programs cannot be waited for themselves.
bool RunOnHost(const char* program, const std::string& arguments, const std::string& path, bool bThere) {
    // Split as Windows splits a command line.
    std::string commandLine = std::string(program).substr(std::string(program).rfind('\\') + 1) + " " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(program, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process))
        return false;
    CScopedKernelHandle processHandle(process.hProcess), threadHandle(process.hThread);
    for (int i = 0; i < 600; ++i) {
        if ((::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) == bThere) return true;
        ::Sleep(50);
    }
    return false;
}

std::string WithoutFinalBackslash(std::string path) {
    if (path.size() > 3 && path.back() == '\\') path.pop_back();
    return path;
}

}  // namespace

bool MakeHostLink(const std::string& target, const std::string& link) {
    const std::string name = WithoutFinalBackslash(link);
    const std::string from = UnixPathOf(target), to = UnixPathOf(name);
    return !from.empty() && !to.empty() && RunOnHost("Z:\\bin\\ln", "-s \"" + from + "\" \"" + to + "\"", name, true);
}

bool RemoveHostLink(const std::string& link) {
    const std::string name = WithoutFinalBackslash(link);
    const std::string path = UnixPathOf(name);
    return !path.empty() && RunOnHost("Z:\\bin\\rm", "-f \"" + path + "\"", name, false);
}
