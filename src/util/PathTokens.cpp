#include "util/PathTokens.h"

#include <windows.h>

#include <atomic>

#include <cstdio>

#include "util/TextCompare.h"

namespace {

enum class Token { InstallFolder, Windows, System, Temp, WindowsDisk };

struct PATH_TOKEN {
    const char* text;
    Token token;
};

// Compared in this order.
const PATH_TOKEN kPathTokens[] = {
    {".\\", Token::InstallFolder},
    {"<windows>\\", Token::Windows},
    {"<System>\\", Token::System},
    {"<Temp>\\", Token::Temp},
    {"<Windows Disk>\\", Token::WindowsDisk},
};

std::string WithOneTrailingBackslash(const char* folder) {
    std::string text = folder;
    if (text.empty()) return text;
    if (text.back() == '\\') text.pop_back();
    return text + "\\";
}

std::string ReplacementOf(Token token, const std::string& installFolder) {
    switch (token) {
    case Token::InstallFolder: return installFolder;
    case Token::Windows: return GetWindowsFolder();
    case Token::System: return GetWindowsFolder() + "System32\\";
    case Token::Temp: return GetTempFolder();
    case Token::WindowsDisk: {
        const std::string windows = GetWindowsFolder();
        if (windows.empty()) return windows;
        char root[8];
        std::snprintf(root, sizeof root, "%c:\\", windows[0]);
        return root;
    }
    }
    return std::string();
}

}  // namespace

std::string ExpandPathTokens(const std::string& storedPath, const std::string& installFolder) {
    const size_t slash = storedPath.find('\\');
    if (slash == std::string::npos) return storedPath;
    const std::string prefix = storedPath.substr(0, slash + 1);
    const std::string rest = storedPath.substr(slash + 1);
    for (const PATH_TOKEN& row : kPathTokens) {
        if (EqualsNoCase(prefix, row.text)) return ReplacementOf(row.token, installFolder) + rest;
    }
    return storedPath;
}

std::string GetWindowsFolder() {
    char buffer[MAX_PATH] = {};
    // The machine's own Windows folder: on a terminal server the plain call may answer a folder of
    // the signed-in user's, which is neither where system files live nor only administrators'.
    const UINT length = ::GetSystemWindowsDirectoryA(buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::string();
    return WithOneTrailingBackslash(buffer);
}

std::string GetTempFolder() {
    char buffer[MAX_PATH] = {};
    const DWORD length = ::GetTempPathA(MAX_PATH, buffer);
    if (length == 0 || length >= MAX_PATH) return std::string();
    return WithOneTrailingBackslash(buffer);
}

std::string NewScratchName(const std::string& folder) {
    static std::atomic<unsigned> s_next{1};
    for (int attempt = 0; attempt < 0x10000; ++attempt) {
        char path[MAX_PATH] = {};
        // With a nonzero number the system forms the name only, and makes no file.
        const unsigned number = s_next++ & 0xFFFF;
        if (number == 0) continue;
        if (::GetTempFileNameA(folder.c_str(), "JVR", number, path) == 0) return std::string();
        if (::GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return path;
    }
    return std::string();
}

std::string NewTempFile(const std::string& folder) {
    const std::string where = folder.empty() ? GetTempFolder() : folder;
    if (where.empty()) return std::string();
    char path[MAX_PATH] = {};
    if (::GetTempFileNameA(where.c_str(), "JVR", 0, path) == 0) return std::string();
    return path;
}
