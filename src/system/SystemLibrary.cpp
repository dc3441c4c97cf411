#include "system/SystemLibrary.h"

#include <string>

CScopedLibrary LoadSystemLibrary(const char* name) {
    CScopedLibrary library(::LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (library || ::GetLastError() != ERROR_INVALID_PARAMETER) return library;
    // Systems without the search flags: name the file in the system folder in full.
    char folder[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return library;
    const std::string path = std::string(folder) + "\\" + name;
    library.Reset(::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    return library;
}

namespace {

// Bound by name: Windows 7 without its loader update has none of these.
HMODULE Kernel32() { return ::GetModuleHandleA("KERNEL32.DLL"); }

}  // namespace

bool LimitDllSearchToSystemFolder() {
    BOOL(WINAPI * setDefaultDirectories)(DWORD) = nullptr;
    if (!ResolveEntryPoint(Kernel32(), "SetDefaultDllDirectories", setDefaultDirectories)) return false;
    // The added folders are those of CLibrarySearchFolder, and only while it lives.
    return setDefaultDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_USER_DIRS) != FALSE;
}

CLibrarySearchFolder::CLibrarySearchFolder(const std::string& folder) {
    PVOID(WINAPI * addDirectory)(PCWSTR) = nullptr;
    if (!ResolveEntryPoint(Kernel32(), "AddDllDirectory", addDirectory)) return;
    std::wstring wide(folder.size() + 1, L'\0');
    const int length = ::MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
    if (length > 0) m_cookie = addDirectory(wide.c_str());
}

CLibrarySearchFolder::~CLibrarySearchFolder() {
    BOOL(WINAPI * removeDirectory)(PVOID) = nullptr;
    if (m_cookie != nullptr && ResolveEntryPoint(Kernel32(), "RemoveDllDirectory", removeDirectory))
        removeDirectory(m_cookie);
}

bool RemoveCurrentFolderFromDllSearch() { return ::SetDllDirectoryA("") != FALSE; }
