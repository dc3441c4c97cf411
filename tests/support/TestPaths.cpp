#include "support/TestPaths.h"

#include <windows.h>
#include <shlobj.h>

#include "framework/ScopedHandles.h"
#include "util/PathParts.h"
#include "util/PathTokens.h"
#include "util/WorkFolder.h"

namespace {

// The host path of a tree named by a variable, followed by the relative path.
std::string GetTreeFile(const char* variable, const std::string& relative) {
    const std::string root = GetEnvironmentText(variable);
    return root.empty() ? std::string() : ToWindowsPath(root + "/" + relative);
}

}  // namespace

std::string GetEnvironmentText(const char* name) {
    char buffer[MAX_PATH] = "";
    const DWORD length = ::GetEnvironmentVariableA(name, buffer, MAX_PATH);
    return length == 0 || length >= MAX_PATH ? std::string() : std::string(buffer, length);
}

std::string ToWindowsPath(const std::string& hostPath) {
    if (hostPath.empty() || hostPath[0] != '/') return hostPath;
    std::string path = "Z:" + hostPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string GetProgramPath(const char* variable) { return ToWindowsPath(GetEnvironmentText(variable)); }

std::string GetBuildFile(const std::string& relative) { return GetTreeFile("QU_BUILD_DIR", relative); }

std::string GetSourceFile(const std::string& relative) { return GetTreeFile("QU_SOURCE_DIR", relative); }

std::string GetSampleCommandList() { return GetSourceFile("sample/CMD List.ini"); }

std::string GetOwnPath() {
    char path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return length == 0 || length >= MAX_PATH ? std::string() : std::string(path, length);
}

std::string GetOwnExeName() {
    std::string name;
    SplitPath(GetOwnPath(), nullptr, nullptr, &name, nullptr);
    return name;
}

std::string GetShellFolder(int csidl) {
    char buffer[MAX_PATH] = {};
    if (!::SHGetSpecialFolderPathA(nullptr, buffer, csidl, FALSE)) return std::string();
    return std::string(buffer) + "\\";
}

std::vector<std::string> WorkFolders() {
    std::vector<std::string> folders;
    WIN32_FIND_DATAA data;
    const std::string parent = GetWindowsFolder() + "Temp\\";
    CScopedFindHandle find(::FindFirstFileA((parent + WORK_FOLDER_PREFIX + "*").c_str(), &data));
    if (!find) return folders;
    do
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) folders.push_back(parent + data.cFileName + "\\");
    while (::FindNextFileA(find.Get(), &data));
    return folders;
}
