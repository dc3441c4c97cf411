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

bool IsReparsePoint(const std::string& path) {
    const std::string name = WithoutFinalBackslash(path);
    const DWORD attributes = ::GetFileAttributesA(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool IsPlainPathInside(const std::string& path, const std::string& folder) {
    if (!IsDrivePath(path) || !IsDrivePath(folder)) return false;
    const std::string full = GetFullPath(path), root = GetFullPath(folder);
    if (!EndsWithSeparator(root) || full.size() <= root.size() ||
        !EqualsNoCase(full.substr(0, root.size()), root))
        return false;
    // The folder itself first (a drive's root is no link), then every folder below it that leads to the path.
    const size_t first = root.size() == 3 ? FindSeparator(full, 3, false) : root.size() - 1;
    for (size_t end = first; end != std::string::npos; end = FindSeparator(full, end + 1, false))
        if (IsReparsePoint(full.substr(0, end))) return false;
    return true;
}

std::string GetFinalPath(HANDLE file) {
    std::string path(MAX_PATH, '\0');
    DWORD length = ::GetFinalPathNameByHandleA(file, path.data(), MAX_PATH, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length >= MAX_PATH) {
        // Too long for the buffer: the answer was the size it needs, its terminator included.
        path.assign(length, '\0');
        length = ::GetFinalPathNameByHandleA(file, path.data(), length, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length >= path.size()) return std::string();
    }
    if (length == 0) return std::string();
    path.resize(length);
    // The system answers in its extended form: "\\?\C:\..." or "\\?\UNC\server\...".
    if (path.rfind(EXTENDED_UNC_PREFIX, 0) == 0) path = "\\\\" + path.substr(std::strlen(EXTENDED_UNC_PREFIX));
    else if (path.rfind(EXTENDED_PREFIX, 0) == 0) path.erase(0, std::strlen(EXTENDED_PREFIX));
    return WithoutFinalBackslash(path);
}

bool IsReachedWithoutLink(HANDLE file, const std::string& path) {
    const std::string final = GetFinalPath(file);
    return !final.empty() && EqualsNoCase(final, WithoutFinalBackslash(path));
}

std::string ResolveFolder(const std::string& folder) {
    CScopedKernelHandle handle(::CreateFileA(WithoutFinalBackslash(folder).c_str(), FILE_READ_ATTRIBUTES,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    const std::string final = handle ? GetFinalPath(handle.Get()) : std::string();
    return final.empty() ? folder : WithFinalBackslash(final);
}

CScopedKernelHandle OpenFileNoLink(const std::string& path, DWORD access, DWORD share, DWORD disposition,
                                   SECURITY_ATTRIBUTES* attributes) {
    CScopedKernelHandle file(::CreateFileA(path.c_str(), access, share, attributes, disposition,
                                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (file && (!::GetFileInformationByHandle(file.Get(), &info) ||
                 (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)) {
        file.Reset();
        ::SetLastError(ERROR_CANT_ACCESS_FILE);
    }
    return file;
}
