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

// Host paths are the host's bytes (UTF-8), whatever the program's code page.
std::wstring FromHost(const std::string& text) {
    std::wstring wide(text.size() + 1, L'\0');
    const int length =
        ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
    wide.resize(length > 0 ? static_cast<size_t>(length - 1) : 0);
    return wide;
}

// Runs a host program and waits until the Windows path exists, or no longer does: Wine's host
// programs cannot be waited for themselves. A start that came to nothing is tried again.
bool RunOnHost(const wchar_t* program, const std::wstring& arguments, const std::string& path, bool bThere) {
    // Split as Windows splits a command line.
    const std::wstring name = program;
    const std::wstring commandLine = name.substr(name.rfind(L'\\') + 1) + L" " + arguments;
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::wstring line = commandLine;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!::CreateProcessW(program, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
            return false;
        CScopedKernelHandle processHandle(process.hProcess), threadHandle(process.hThread);
        for (int i = 0; i < 200; ++i) {
            if ((::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) == bThere) return true;
            ::Sleep(50);
        }
    }
    return false;
}

}  // namespace

bool MakeHostLink(const std::string& target, const std::string& link) {
    const std::string name = WithoutFinalBackslash(link);
    const std::string from = UnixPathOf(target), to = UnixPathOf(name);
    return !from.empty() && !to.empty() &&
           RunOnHost(L"Z:\\bin\\ln", L"-sfn \"" + FromHost(from) + L"\" \"" + FromHost(to) + L"\"", name, true);
}

bool RemoveHostLink(const std::string& link) {
    const std::string name = WithoutFinalBackslash(link);
    const std::string path = UnixPathOf(name);
    return !path.empty() && RunOnHost(L"Z:\\bin\\rm", L"-f \"" + FromHost(path) + L"\"", name, false);
}
