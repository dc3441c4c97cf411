#include "util/PathTokens.h"

#include <windows.h>

#include <atomic>

#include "util/TextCompare.h"
#include "util/PathChecks.h"
#include "util/PathParts.h"

namespace {

struct TOKEN_TEXT {
    const char* text;
    PATH_TOKEN token;
};

// Compared in this order.
const TOKEN_TEXT PATH_TOKENS[] = {
    {".\\", TOKEN_INSTALL_FOLDER},
    {"<windows>\\", TOKEN_WINDOWS},
    {"<System>\\", TOKEN_SYSTEM},
    {"<Temp>\\", TOKEN_TEMP},
    {"<Windows Disk>\\", TOKEN_WINDOWS_DISK},
};

}  // namespace

PATH_TOKEN SplitPathToken(const std::string& storedPath, std::string& rest) {
    const size_t slash = FindSeparator(storedPath, 0, false);
    rest = storedPath;
    if (slash == std::string::npos) return TOKEN_NONE;
    const std::string prefix = storedPath.substr(0, slash + 1);
    for (const TOKEN_TEXT& row : PATH_TOKENS) {
        if (!EqualsNoCase(prefix, row.text)) continue;
        rest = storedPath.substr(slash + 1);
        return row.token;
    }
    return TOKEN_NONE;
}

std::string ExpandPathTokens(const std::string& storedPath, const std::string& installFolder) {
    return ExpandPathTokens(storedPath, GetTokenFolders(installFolder, GetTempFolder()));
}

std::string ExpandPathTokens(const std::string& storedPath, const WRITE_FOLDERS& folders) {
    std::string rest;
    const PATH_TOKEN token = SplitPathToken(storedPath, rest);
    const std::string* folder = FolderOfToken(token, folders);
    return folder == nullptr ? storedPath : *folder + rest;
}

const std::string* FolderOfToken(PATH_TOKEN token, const WRITE_FOLDERS& folders) {
    switch (token) {
    case TOKEN_INSTALL_FOLDER: return &folders.strInstall;
    case TOKEN_SYSTEM: return &folders.strSystem;
    case TOKEN_WINDOWS: return &folders.strWindows;
    case TOKEN_TEMP: return &folders.strWork;
    case TOKEN_WINDOWS_DISK: return &folders.strWindowsDisk;
    case TOKEN_NONE: break;
    }
    return nullptr;
}

WRITE_FOLDERS GetTokenFolders(const std::string& installFolder, const std::string& workFolder) {
    const std::string windows = GetWindowsFolder();
    if (windows.empty()) return {installFolder, windows, windows, workFolder, windows};
    return {installFolder, windows + "System32\\", windows, workFolder, windows.substr(0, 1) + ":\\"};
}

WRITE_FOLDERS GetWriteFolders(ISystemCalls& calls, const std::string& installFolder, const std::string& workFolder) {
    return GetTokenFolders(installFolder.empty() ? installFolder : ResolveFolder(calls, installFolder), workFolder);
}

std::string GetWindowsFolder() {
    char buffer[MAX_PATH] = {};
    // The machine's own Windows folder: on a terminal server the plain call may answer a folder of
    // the signed-in user's, which is neither where system files live nor only administrators'.
    const UINT length = ::GetSystemWindowsDirectoryA(buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::string();
    return WithFinalBackslash(buffer);
}

std::string GetTempFolder() {
    char buffer[MAX_PATH] = {};
    const DWORD length = ::GetTempPathA(MAX_PATH, buffer);
    if (length == 0 || length >= MAX_PATH) return std::string();
    return WithFinalBackslash(buffer);
}

std::string NewScratchName(ISystemCalls& calls, const std::string& folder) {
    static std::atomic<unsigned> s_next{1};
    for (int attempt = 0; attempt < 0x10000; ++attempt) {
        char path[MAX_PATH] = {};
        // With a nonzero number the system forms the name only, and makes no file.
        const unsigned number = s_next++ & 0xFFFF;
        if (number == 0) continue;
        if (calls.GetTempName(folder.c_str(), "JVR", number, path) == 0) return std::string();
        if (calls.GetAttributes(path) == INVALID_FILE_ATTRIBUTES) return path;
    }
    return std::string();
}

std::string NewTempFile(ISystemCalls& calls, const std::string& folder) {
    const std::string where = folder.empty() ? GetTempFolder() : folder;
    if (where.empty()) return std::string();
    char path[MAX_PATH] = {};
    if (calls.GetTempName(where.c_str(), "JVR", 0, path) == 0) return std::string();
    return path;
}
