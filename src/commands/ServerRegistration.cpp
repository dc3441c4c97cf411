#include "commands/ServerRegistration.h"

#include <windows.h>

#include "framework/ScopedHandles.h"
#include "system/SystemLibrary.h"
#include "util/PathParts.h"
#include "util/TextFormat.h"

namespace {

using SelfRegistrationEntry = HRESULT(STDAPICALLTYPE*)();

const char* const EMPTY_PATH_TEXT = "The file to register is empty!";

// The file's folder becomes the current folder, as its installer meant.
std::string EnterFolderOf(const std::string& path) {
    const std::string folder = GetFolderOf(path);
    ::SetCurrentDirectoryA(folder.c_str());
    return folder;
}

// A server file loaded for its registration. The file's own folder is searched first for the
// libraries it imports, and added to the search while it is loaded; the folder the upgrader was
// started from never is.
class CLoadedServer {
public:
    explicit CLoadedServer(const std::string& path)
        : m_searched(EnterFolderOf(path)),
          m_library(::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)) {}
    bool IsLoaded() const { return m_library.IsValid(); }
    SelfRegistrationEntry FindEntry(const char* name) const {
        FARPROC proc = ::GetProcAddress(m_library.Get(), name);
        // Through a neutral function type: the export's real type is the COM convention.
        return reinterpret_cast<SelfRegistrationEntry>(reinterpret_cast<void (*)()>(proc));
    }

private:
    CLibrarySearchFolder m_searched;  // first, so the folder leaves the search after the file is unloaded
    CScopedLibrary m_library;
};

}  // namespace

std::string RegisterServerFile(const std::string& path) {
    if (path.empty()) return EMPTY_PATH_TEXT;
    const CLoadedServer server(path);
    if (!server.IsLoaded()) {
        const DWORD error = ::GetLastError();
        return FormatText("Load file '%s' failed(error code = %d)!", path.c_str(), static_cast<int>(error));
    }
    SelfRegistrationEntry entry = server.FindEntry("DllRegisterServer");
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
    const CLoadedServer server(path);
    if (!server.IsLoaded()) return FormatText("Load file %s failed!", path.c_str());
    SelfRegistrationEntry entry = server.FindEntry("DllUnregisterServer");
    if (entry == nullptr)
        return FormatText("Unregister file %s failed because of can not fetch function 'DllUnregisterServer'!",
                          path.c_str());
    if (FAILED(entry())) return FormatText("Register file %s failed!", path.c_str());
    return std::string();
}
