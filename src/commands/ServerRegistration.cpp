#include "commands/ServerRegistration.h"

#include <windows.h>

#include "framework/ScopedHandles.h"
#include "system/SystemLibrary.h"
#include "util/PathParts.h"
#include "util/TextFormat.h"

namespace {

using SelfRegistrationEntry = HRESULT(STDAPICALLTYPE*)();

const char* const EMPTY_PATH_TEXT = "The file to register is empty!";

std::string FolderOf(const std::string& path) {
    std::string drive;
    std::string dir;
    SplitPath(path, &drive, &dir, nullptr, nullptr);
    return drive + dir;
}

// The file's own folder is searched first for the libraries it imports, as its installer meant;
// the folder the upgrader was started from never is.
HMODULE LoadServerFile(const std::string& path) {
    return ::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

SelfRegistrationEntry FindEntry(HMODULE module, const char* name) {
    FARPROC proc = ::GetProcAddress(module, name);
    // Through a neutral function type: the export's real type is the COM convention.
    return reinterpret_cast<SelfRegistrationEntry>(reinterpret_cast<void (*)()>(proc));
}

}  // namespace

std::string RegisterServerFile(const std::string& path) {
    if (path.empty()) return EMPTY_PATH_TEXT;
    ::SetCurrentDirectoryA(FolderOf(path).c_str());
    // Declared first, so the folder leaves the search after the file is unloaded.
    CLibrarySearchFolder searched(FolderOf(path));
    CScopedLibrary library(LoadServerFile(path));
    if (!library) {
        const DWORD error = ::GetLastError();
        return FormatText("Load file '%s' failed(error code = %d)!", path.c_str(), static_cast<int>(error));
    }
    SelfRegistrationEntry entry = FindEntry(library.Get(), "DllRegisterServer");
    if (entry == nullptr)
        return FormatText("Register file %s failed because of can not fetch function 'DllRegisterServer'!",
                          path.c_str());
    const HRESULT status = entry();
    if (FAILED(status))
        return FormatText("Register file %s failed(hr=0x%x)!", path.c_str(), static_cast<unsigned>(status));
    return std::string();
}

std::string UnregisterServerFile(const std::string& path) {
    if (path.empty()) return EMPTY_PATH_TEXT;
    ::SetCurrentDirectoryA(FolderOf(path).c_str());
    // Declared first, so the folder leaves the search after the file is unloaded.
    CLibrarySearchFolder searched(FolderOf(path));
    CScopedLibrary library(LoadServerFile(path));
    if (!library) return FormatText("Load file %s failed!", path.c_str());
    SelfRegistrationEntry entry = FindEntry(library.Get(), "DllUnregisterServer");
    if (entry == nullptr)
        return FormatText("Unregister file %s failed because of can not fetch function 'DllUnregisterServer'!",
                          path.c_str());
    if (FAILED(entry())) return FormatText("Register file %s failed!", path.c_str());
    return std::string();
}
