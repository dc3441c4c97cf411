#include "util/HeldFolder.h"

#include "util/FileHelpers.h"
#include "util/PathChecks.h"
#include "util/PathParts.h"

namespace {

// Enough to read its entries and its descriptor, and nothing (writing, deleting) that another
// reader would have to share.
constexpr DWORD HOLD_ACCESS = READ_CONTROL | FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE;

}  // namespace

DWORD CHeldFolder::Hold(const std::string& folder, bool bToWriteIn) {
    m_strPath = WithFinalBackslash(folder);
    const std::string name = WithoutFinalBackslash(m_strPath);
    m_folder.Reset(m_calls.OpenFile(name.c_str(), bToWriteIn ? HOLD_ACCESS | FILE_ADD_FILE : HOLD_ACCESS, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT));
    if (!m_folder) return ::GetLastError();
    const DWORD kindMask = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    BY_HANDLE_FILE_INFORMATION info{};
    DWORD error = ERROR_SUCCESS;
    if (!m_calls.GetInformation(m_folder.Get(), &info))
        error = ::GetLastError();
    else if ((info.dwFileAttributes & kindMask) != FILE_ATTRIBUTE_DIRECTORY ||
             !IsReachedWithoutLink(m_calls, m_folder.Get(), name))
        error = ERROR_CANT_ACCESS_FILE;
    if (error != ERROR_SUCCESS) m_folder.Reset();
    return error;
}

CScopedLocalMemory ReadFolderSecurity(ISystemCalls& calls, HANDLE folder) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (folder == nullptr || folder == INVALID_HANDLE_VALUE || calls.GetSecurity(folder, &descriptor) != ERROR_SUCCESS)
        return CScopedLocalMemory();
    return CScopedLocalMemory(descriptor);
}

namespace {

// Deletes every file below the folder, and the folders below it; none is followed through a link,
// which is removed as itself.
void DeleteBelow(ISystemCalls& calls, const std::string& folder) {
    for (const WIN32_FIND_DATAA& found : FindInFolder(calls, folder, "*")) {
        const std::string path = folder + found.cFileName;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            DeleteFileEvenReadOnly(calls, path);
        } else {
            if (!IsReparsePoint(calls, path)) DeleteBelow(calls, WithFinalBackslash(path));
            calls.RemoveFolder(path.c_str());
        }
    }
}

}  // namespace

void CHeldFolder::DeleteWithFiles() {
    if (!m_folder) return;
    // Below a folder of ours only what a run put there: a package's "<Temp>\\" entries may have folders.
    DeleteBelow(m_calls, m_strPath);
    // Removing the folder takes the delete right that the hold shares with nobody. Only folders of
    // ours are removed, and once let go they are still no one else's to rename or turn into a link.
    Release();
    m_calls.RemoveFolder(m_strPath.c_str());
}
