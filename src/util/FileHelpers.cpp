#include "util/FileHelpers.h"

#include <map>
#include <set>

#include "util/PathChecks.h"
#include "util/PathParts.h"
#include "util/TextCompare.h"

namespace {

// A file system that has no folder flush (some network shares), or a folder that is not there,
// holds nothing to keep.
DWORD FolderFlushResult(bool bFlushed) {
    if (bFlushed) return ERROR_SUCCESS;
    const DWORD error = ::GetLastError();
    const bool bNothingToDo = error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED ||
                              error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    return bNothingToDo ? ERROR_SUCCESS : error;
}

// Moves the whole new file over the path; when that fails, the new file goes. Answers the system's error.
DWORD MoveNewFileOver(ISystemCalls& calls, const std::string& fresh, const std::string& path, HANDLE heldFolder) {
    // The move's own write-through waits only for a copy between volumes: the folder's flush
    // makes the new name durable.
    if (calls.Move(fresh.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return heldFolder ? FolderFlushResult(calls.Flush(heldFolder)) : FlushFolder(calls, GetFolderOf(path));
    const DWORD error = ::GetLastError();
    calls.Delete(fresh.c_str());
    return error;
}

bool IsSameIndex(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}

bool ReadIdentity(ISystemCalls& calls, const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    CScopedKernelHandle file(calls.OpenFile(path.c_str(), 0, SHARE_ALL, nullptr, OPEN_EXISTING,
                                            FILE_FLAG_BACKUP_SEMANTICS));
    return file && calls.GetInformation(file.Get(), &info);
}

}  // namespace

std::string GetReplacementName(const std::string& path) { return path + ".new"; }

bool FileExists(ISystemCalls& calls, const std::string& path) {
    WIN32_FIND_DATAA data{};
    CScopedFindHandle find(calls.FindFirst(WithoutFinalBackslash(path).c_str(), &data));
    return find.IsValid() && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool FolderExists(ISystemCalls& calls, const std::string& path) {
    WIN32_FIND_DATAA data{};
    CScopedFindHandle find(calls.FindFirst(path.c_str(), &data));
    for (bool more = find.IsValid(); more; more = calls.FindNext(find.Get(), &data) != FALSE)
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return true;
    return false;
}

std::vector<WIN32_FIND_DATAA> FindInFolder(ISystemCalls& calls, const std::string& folder, const std::string& pattern,
                                           size_t most, DWORD* pError) {
    std::vector<WIN32_FIND_DATAA> found;
    WIN32_FIND_DATAA data{};
    CScopedFindHandle find(calls.FindFirst((WithFinalBackslash(folder) + pattern).c_str(), &data));
    bool more = find.IsValid();
    for (; more && found.size() < most; more = calls.FindNext(find.Get(), &data) != FALSE) {
        const std::string name = data.cFileName;
        if (name != "." && name != "..") found.push_back(data);
    }
    if (pError != nullptr) {
        // Nothing more to find, or nothing there at all, is a whole answer.
        const DWORD error = more ? ERROR_SUCCESS : ::GetLastError();
        const bool whole = error == ERROR_SUCCESS || error == ERROR_NO_MORE_FILES || error == ERROR_FILE_NOT_FOUND;
        *pError = whole ? ERROR_SUCCESS : error;
    }
    return found;
}

bool CreateFolderPath(ISystemCalls& calls, const std::string& filePath) {
    // Every piece before a backslash is a folder; the last piece is the file name.
    std::vector<std::string> components = SplitPathComponents(filePath);
    components.pop_back();
    if (components.size() < 2 || components.front().find(':') == std::string::npos) return false;
    std::string folder = components.front();
    components.erase(components.begin());
    // Mostly the whole chain is there already: one look instead of one per folder.
    if (FolderExists(calls, WithoutFinalBackslash(GetFolderOf(filePath)))) return true;
    // A dotted deepest folder is a folder all the same ("Skins.old"), so it is created too.
    for (const std::string& component : components) {
        folder += "\\" + component;
        if (!FolderExists(calls, folder)) calls.MakeFolder(folder.c_str(), nullptr);
    }
    return true;
}

void ClearReadOnly(ISystemCalls& calls, const std::string& path) {
    if (!FileExists(calls, path)) return;
    const DWORD attributes = calls.GetAttributes(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) == 0) return;
    calls.SetAttributes(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
}

bool CloseWrittenFile(ISystemCalls& calls, CScopedKernelHandle& file) { return calls.CloseWritten(file.Release()) != FALSE; }

DWORD FlushFileToDisk(ISystemCalls& calls, const std::string& path) {
    CScopedKernelHandle file = OpenFileNoLink(calls, path, GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING);
    if (!file || !calls.Flush(file.Get())) return ::GetLastError();
    return ERROR_SUCCESS;
}

DWORD FlushFolder(ISystemCalls& calls, const std::string& folder) {
    CScopedKernelHandle handle(
        calls.OpenFile(folder.c_str(), GENERIC_WRITE, SHARE_ALL, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS));
    return FolderFlushResult(handle && calls.Flush(handle.Get()));
}

namespace {

// The folders, each once, by the volume each lies on.
std::map<std::string, std::vector<std::string>> GroupByVolume(ISystemCalls& calls, const std::vector<std::string>& folders) {
    std::map<std::string, std::vector<std::string>> byVolume;
    std::set<std::string> seen;
    char volume[MAX_PATH] = {};
    for (const std::string& folder : folders) {
        if (!seen.insert(ToLowerMb(folder)).second) continue;
        byVolume[calls.GetVolumePath(folder.c_str(), volume, MAX_PATH) ? ToLowerMb(volume) : folder].push_back(folder);
    }
    return byVolume;
}

}  // namespace

bool FlushVolumesOf(ISystemCalls& calls, const std::vector<std::string>& folders) {
    bool bWhole = true;
    for (const auto& onVolume : GroupByVolume(calls, folders)) bWhole = FlushVolumeOf(calls, onVolume.second.front()) && bWhole;
    return bWhole;
}

DWORD MakeFoldersDurable(ISystemCalls& calls, const std::vector<std::string>& folders) {
    DWORD error = ERROR_SUCCESS;
    for (const auto& [root, onVolume] : GroupByVolume(calls, folders)) {
        if (FlushVolumeOf(calls, onVolume.front())) continue;
        for (const std::string& folder : onVolume) {
            const DWORD flushed = FlushFolder(calls, folder);
            if (error == ERROR_SUCCESS) error = flushed;
        }
    }
    return error;
}

bool FlushVolumeOf(ISystemCalls& calls, const std::string& folder) {
    char volume[MAX_PATH] = {};
    if (!calls.GetVolumePath(folder.c_str(), volume, MAX_PATH)) return false;
    const std::string device = WithoutFinalBackslash(std::string("\\\\.\\") + volume);
    CScopedKernelHandle handle(calls.OpenFile(device.c_str(), GENERIC_READ | GENERIC_WRITE,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0));
    return handle && calls.Flush(handle.Get());
}

bool ReplaceFileDurably(ISystemCalls& calls, const std::string& path, const std::string& text, DWORD* error,
                        HANDLE heldFolder) {
    const std::string fresh = GetReplacementName(path);
    {
        // Whatever has the name goes first, a planted link included: the new file is always new.
        calls.Delete(fresh.c_str());
        CScopedKernelHandle file = OpenFileNoLink(calls, fresh, GENERIC_WRITE, 0, CREATE_NEW);
        DWORD written = 0;
        if (!file || !calls.Write(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written) ||
            written != text.size() || !calls.Flush(file.Get()) || !CloseWrittenFile(calls, file)) {
            *error = ::GetLastError();
            file.Reset();
            calls.Delete(fresh.c_str());
            return false;
        }
    }
    *error = MoveNewFileOver(calls, fresh, path, heldFolder);
    return *error == ERROR_SUCCESS;
}

DWORD ReplaceWithCopy(ISystemCalls& calls, HANDLE source, const std::string& target) {
    const std::string fresh = GetReplacementName(target);
    // Whatever has the name goes first, a planted link included: the new file is always new.
    calls.Delete(fresh.c_str());
    const DWORD error = calls.Seek(source, 0, FILE_BEGIN) ? CopyOpenFileNoLink(calls, source, fresh, CREATE_NEW, true)
                                                          : ::GetLastError();
    if (error == ERROR_SUCCESS) return MoveNewFileOver(calls, fresh, target, nullptr);
    calls.Delete(fresh.c_str());
    return error;
}

bool IsSameFile(ISystemCalls& calls, const std::string& first, const std::string& second) {
    BY_HANDLE_FILE_INFORMATION a{}, b{};
    return ReadIdentity(calls, first, a) && ReadIdentity(calls, second, b) && IsSameIndex(a, b);
}

bool IsSameFile(ISystemCalls& calls, HANDLE file, const std::string& path) {
    BY_HANDLE_FILE_INFORMATION a{}, b{};
    return calls.GetInformation(file, &a) && ReadIdentity(calls, path, b) && IsSameIndex(a, b);
}

DWORD CopyFileData(ISystemCalls& calls, HANDLE from, HANDLE to) {
    BYTE buffer[64 * 1024];
    for (;;) {
        DWORD read = 0, written = 0;
        if (!calls.Read(from, buffer, sizeof buffer, &read)) return ::GetLastError();
        if (read == 0) break;
        if (!calls.Write(to, buffer, read, &written)) return ::GetLastError();
        if (written != read) return ERROR_DISK_FULL;
    }
    if (!calls.SetEnd(to)) return ::GetLastError();
    // A copy without its times is no copy of the file: a put-back file would not be the old one.
    FILETIME created{}, accessed{}, written{};
    if (!calls.GetTime(from, &created, &accessed, &written) || !calls.SetTime(to, &created, &accessed, &written))
        return ::GetLastError();
    return ERROR_SUCCESS;
}

DWORD CopyFileNoLink(ISystemCalls& calls, const std::string& source, DWORD sourceShare, const std::string& target,
                     DWORD disposition, bool bFlush) {
    CScopedKernelHandle from(
        calls.OpenFile(source.c_str(), GENERIC_READ, sourceShare, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN));
    if (!from) return ::GetLastError();
    return CopyOpenFileNoLink(calls, from.Get(), target, disposition, bFlush);
}

DWORD CopyOpenFileNoLink(ISystemCalls& calls, HANDLE source, const std::string& target, DWORD disposition,
                         bool bFlush) {
    CScopedKernelHandle to = OpenFileNoLink(calls, target, GENERIC_WRITE, 0, disposition);
    if (!to) return ::GetLastError();
    DWORD error = CopyFileData(calls, source, to.Get());
    if (error == ERROR_SUCCESS && bFlush && !calls.Flush(to.Get())) error = ::GetLastError();
    if (!CloseWrittenFile(calls, to) && error == ERROR_SUCCESS) return ::GetLastError();
    return error;
}

bool DeleteFileEvenReadOnly(ISystemCalls& calls, const std::string& path) {
    // Most files are not read-only, so the attribute is looked at only when the delete is refused.
    if (calls.Delete(path.c_str())) return true;
    CScopedKernelHandle file(calls.OpenFile(path.c_str(), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                            SHARE_ALL, nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || !calls.GetInformation(file.Get(), &info) || !(info.dwFileAttributes & FILE_ATTRIBUTE_READONLY))
        return false;
    // Through the handle: the name goes, and the file's other names (a backup's second name is the
    // destination itself) are read-only again, as they were.
    if (!calls.SetAttributesOf(file.Get(), info.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY)) return false;
    const bool bDeleted = calls.DeleteOpenFile(file.Get()) != FALSE;
    calls.SetAttributesOf(file.Get(), info.dwFileAttributes);
    return bDeleted;
}

void DeleteScratchFile(ISystemCalls& calls, const std::string& path) {
    if (!path.empty()) DeleteFileEvenReadOnly(calls, path);
}

DWORD GetFileLength(ISystemCalls& calls, const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!calls.GetAttributesEx(path.c_str(), &data)) return 0;
    return data.nFileSizeLow;
}
