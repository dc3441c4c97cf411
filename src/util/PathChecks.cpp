#include "util/PathChecks.h"

#include <cstring>

#include "util/PathParts.h"
#include "util/TextCompare.h"

namespace {

const char EXTENDED_PREFIX[] = "\\\\?\\";
const char EXTENDED_UNC_PREFIX[] = "\\\\?\\UNC\\";

// "C:\..." without "..": never "\\server\share\", "\\.\device" or "\\?\C:\".
bool IsDrivePath(const std::string& path) {
    const char drive = static_cast<char>(path.empty() ? 0 : path[0] | 0x20);
    return path.size() >= 3 && drive >= 'a' && drive <= 'z' && path[1] == ':' && path[2] == '\\' &&
           path.find("..") == std::string::npos;
}

}  // namespace

bool IsReparsePoint(ISystemCalls& calls, const std::string& path) {
    const DWORD attributes = calls.GetAttributes(WithoutFinalBackslash(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    const DWORD error = ::GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

bool IsPlainPathInside(ISystemCalls& calls, const std::string& path, const std::string& folder) {
    if (!IsDrivePath(path) || !IsDrivePath(folder)) return false;
    const std::string full = GetFullPath(path), root = GetFullPath(folder);
    if (!EndsWithSeparator(root) || full.size() <= root.size() ||
        !EqualsNoCase(full.substr(0, root.size()), root))
        return false;
    // The folder itself first (a drive's root is no link), then every folder below it that leads to the path.
    const size_t first = root.size() == 3 ? FindSeparator(full, 3, false) : root.size() - 1;
    for (size_t end = first; end != std::string::npos; end = FindSeparator(full, end + 1, false))
        if (IsReparsePoint(calls, full.substr(0, end))) return false;
    return true;
}

std::string GetFinalPath(ISystemCalls& calls, HANDLE file) {
    std::string path(MAX_PATH, '\0');
    DWORD length = calls.GetFinalPathName(file, path.data(), MAX_PATH);
    if (length >= MAX_PATH) {
        // Too long for the buffer: the answer was the size it needs, its terminator included.
        path.assign(length, '\0');
        length = calls.GetFinalPathName(file, path.data(), length);
        if (length >= path.size()) return std::string();
    }
    if (length == 0) return std::string();
    path.resize(length);
    // The system answers in its extended form: "\\?\C:\..." or "\\?\UNC\server\...".
    if (path.rfind(EXTENDED_UNC_PREFIX, 0) == 0) path = "\\\\" + path.substr(std::strlen(EXTENDED_UNC_PREFIX));
    else if (path.rfind(EXTENDED_PREFIX, 0) == 0) path.erase(0, std::strlen(EXTENDED_PREFIX));
    return WithoutFinalBackslash(path);
}

bool IsReachedWithoutLink(ISystemCalls& calls, HANDLE file, const std::string& path) {
    const std::string final = GetFinalPath(calls, file);
    return !final.empty() && EqualsNoCase(final, WithoutFinalBackslash(path));
}

std::string ResolveFolder(ISystemCalls& calls, const std::string& folder) {
    CScopedKernelHandle handle(calls.OpenFile(WithoutFinalBackslash(folder).c_str(), FILE_READ_ATTRIBUTES,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS));
    const std::string final = handle ? GetFinalPath(calls, handle.Get()) : std::string();
    return final.empty() ? folder : WithFinalBackslash(final);
}

CScopedKernelHandle OpenFileNoLink(ISystemCalls& calls, const std::string& path, DWORD access, DWORD share,
                                   DWORD disposition, SECURITY_ATTRIBUTES* attributes) {
    CScopedKernelHandle file(calls.OpenFile(path.c_str(), access, share, attributes, disposition,
                                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT));
    BY_HANDLE_FILE_INFORMATION info{};
    if (file && (!calls.GetInformation(file.Get(), &info) ||
                 (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)) {
        file.Reset();
        ::SetLastError(ERROR_CANT_ACCESS_FILE);
    }
    return file;
}
