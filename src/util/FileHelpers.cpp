#include "util/FileHelpers.h"

#include <windows.h>

#include <vector>

#include "framework/FileFind.h"
#include "framework/ScopedHandles.h"
#include "util/PathChecks.h"
#include "util/PathParts.h"

bool FileExists(const std::string& path) {
    const std::string probe = WithoutFinalBackslash(path);
    WIN32_FIND_DATAA data{};
    CScopedFindHandle find(::FindFirstFileA(probe.c_str(), &data));
    if (!find.IsValid()) return false;
    return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool FolderExists(const std::string& path) {
    CFileFind finder;
    bool more = finder.FindFile(path);
    while (more) {
        more = finder.FindNextFile();
        if (finder.IsDirectory()) return true;
    }
    return false;
}

bool CreateFolderPath(const std::string& filePath) {
    // Every piece before a backslash is a folder; the last piece is the file name.
    std::vector<std::string> components = SplitPathComponents(filePath);
    components.pop_back();
    if (components.size() < 2 || components.front().find(':') == std::string::npos) return false;
    std::string folder = components.front();
    components.erase(components.begin());
    // Mostly the whole chain is there already: one look instead of one per folder.
    if (FolderExists(WithoutFinalBackslash(GetFolderOf(filePath)))) return true;
    // A dotted deepest folder is a folder all the same ("Skins.old"), so it is created too.
    for (const std::string& component : components) {
        folder += "\\" + component;
        if (!FolderExists(folder)) ::CreateDirectoryA(folder.c_str(), nullptr);
    }
    return true;
}

void ClearReadOnly(const std::string& path) {
    if (!FileExists(path)) return;
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) == 0) return;
    ::SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
}

namespace {

// The name a new file is written under before it replaces the path.
std::string NewNameFor(const std::string& path) { return path + ".new"; }

// Moves the whole new file over the path; when that fails, the new file goes. Answers the system's error.
DWORD MoveNewFileOver(const std::string& fresh, const std::string& path) {
    if (::MoveFileExA(fresh.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return ERROR_SUCCESS;
    const DWORD error = ::GetLastError();
    ::DeleteFileA(fresh.c_str());
    return error;
}

bool IsSameIndex(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}

bool ReadIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    CScopedKernelHandle file(::CreateFileA(path.c_str(), 0, SHARE_ALL, nullptr, OPEN_EXISTING,
                                           FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file && ::GetFileInformationByHandle(file.Get(), &info);
}

}  // namespace

DWORD FlushFileToDisk(const std::string& path) {
    CScopedKernelHandle file = OpenFileNoLink(path, GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING);
    if (!file || !::FlushFileBuffers(file.Get())) return ::GetLastError();
    return ERROR_SUCCESS;
}

bool FlushVolumeOf(const std::string& folder) {
    char volume[MAX_PATH] = {};
    if (!::GetVolumePathNameA(folder.c_str(), volume, MAX_PATH)) return false;
    const std::string device = WithoutFinalBackslash(std::string("\\\\.\\") + volume);
    CScopedKernelHandle handle(::CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    return handle && ::FlushFileBuffers(handle.Get());
}

bool ReplaceFileDurably(const std::string& path, const std::string& text, DWORD* error) {
    const std::string fresh = NewNameFor(path);
    {
        // Whatever has the name goes first, a planted link included: the new file is always new.
        ::DeleteFileA(fresh.c_str());
        CScopedKernelHandle file = OpenFileNoLink(fresh, GENERIC_WRITE, 0, CREATE_NEW);
        DWORD written = 0;
        if (!file || !::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
            written != text.size() || !::FlushFileBuffers(file.Get())) {
            *error = ::GetLastError();
            file.Reset();
            ::DeleteFileA(fresh.c_str());
            return false;
        }
    }
    *error = MoveNewFileOver(fresh, path);
    return *error == ERROR_SUCCESS;
}

DWORD ReplaceWithCopy(HANDLE source, const std::string& target) {
    const std::string fresh = NewNameFor(target);
    // Whatever has the name goes first, a planted link included: the new file is always new.
    ::DeleteFileA(fresh.c_str());
    const LARGE_INTEGER start{};
    const DWORD error = ::SetFilePointerEx(source, start, nullptr, FILE_BEGIN)
                            ? CopyOpenFileNoLink(source, fresh, CREATE_NEW, true)
                            : ::GetLastError();
    if (error == ERROR_SUCCESS) return MoveNewFileOver(fresh, target);
    ::DeleteFileA(fresh.c_str());
    return error;
}

bool IsSameFile(const std::string& first, const std::string& second) {
    BY_HANDLE_FILE_INFORMATION a{}, b{};
    return ReadIdentity(first, a) && ReadIdentity(second, b) && IsSameIndex(a, b);
}

bool IsSameFile(HANDLE file, const std::string& path) {
    BY_HANDLE_FILE_INFORMATION a{}, b{};
    return ::GetFileInformationByHandle(file, &a) && ReadIdentity(path, b) && IsSameIndex(a, b);
}

DWORD CopyFileData(HANDLE from, HANDLE to) {
    BYTE buffer[64 * 1024];
    for (;;) {
        DWORD read = 0, written = 0;
        if (!::ReadFile(from, buffer, sizeof buffer, &read, nullptr)) return ::GetLastError();
        if (read == 0) break;
        if (!::WriteFile(to, buffer, read, &written, nullptr) || written != read) return ::GetLastError();
    }
    if (!::SetEndOfFile(to)) return ::GetLastError();
    FILETIME created{}, accessed{}, written{};
    if (::GetFileTime(from, &created, &accessed, &written)) ::SetFileTime(to, &created, &accessed, &written);
    return ERROR_SUCCESS;
}

DWORD CopyFileNoLink(const std::string& source, DWORD sourceShare, const std::string& target, DWORD disposition,
                     bool bFlush) {
    CScopedKernelHandle from(::CreateFileA(source.c_str(), GENERIC_READ, sourceShare, nullptr, OPEN_EXISTING,
                                           FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!from) return ::GetLastError();
    return CopyOpenFileNoLink(from.Get(), target, disposition, bFlush);
}

DWORD CopyOpenFileNoLink(HANDLE source, const std::string& target, DWORD disposition, bool bFlush) {
    CScopedKernelHandle to = OpenFileNoLink(target, GENERIC_WRITE, 0, disposition);
    if (!to) return ::GetLastError();
    DWORD error = CopyFileData(source, to.Get());
    if (error == ERROR_SUCCESS && bFlush && !::FlushFileBuffers(to.Get())) error = ::GetLastError();
    if (!CloseWrittenFile(to) && error == ERROR_SUCCESS) return ::GetLastError();
    return error;
}

bool DeleteFileEvenReadOnly(const std::string& path) {
    // Most files are not read-only, so the attribute is looked at only when the delete is refused.
    if (::DeleteFileA(path.c_str())) return true;
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY)) return false;
    ::SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (::DeleteFileA(path.c_str())) return true;
    ::SetFileAttributesA(path.c_str(), attributes);
    return false;
}

void DeleteScratchFile(const std::string& path) {
    if (!path.empty()) DeleteFileEvenReadOnly(path);
}

DWORD GetFileLength(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return data.nFileSizeLow;
}
