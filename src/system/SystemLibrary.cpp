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

bool LimitDllSearchToSystemFolder() {
    // Bound by name: Windows 7 without its loader update has no such function.
    BOOL(WINAPI * setDefaultDirectories)(DWORD) = nullptr;
    if (!ResolveEntryPoint(::GetModuleHandleA("KERNEL32.DLL"), "SetDefaultDllDirectories", setDefaultDirectories))
        return false;
    return setDefaultDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
}

bool RemoveCurrentFolderFromDllSearch() { return ::SetDllDirectoryA("") != FALSE; }
