#include "util/HeldFolder.h"

#include <aclapi.h>

#include "framework/FileFind.h"
#include "util/FileHelpers.h"
#include "util/PathChecks.h"
#include "util/PathParts.h"

namespace {

// Enough to read its entries and its descriptor, and nothing (writing, deleting) that another
// reader would have to share.
constexpr DWORD HOLD_ACCESS = READ_CONTROL | FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE;

}  // namespace

DWORD CHeldFolder::Hold(const std::string& folder) {
    m_strPath = WithFinalBackslash(folder);
    const std::string name = WithoutFinalBackslash(m_strPath);
    m_folder.Reset(::CreateFileA(name.c_str(), HOLD_ACCESS, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!m_folder) return ::GetLastError();
    const DWORD kindMask = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    BY_HANDLE_FILE_INFORMATION info{};
    DWORD error = ERROR_SUCCESS;
    if (!::GetFileInformationByHandle(m_folder.Get(), &info))
        error = ::GetLastError();
    else if ((info.dwFileAttributes & kindMask) != FILE_ATTRIBUTE_DIRECTORY ||
             !IsReachedWithoutLink(m_folder.Get(), name))
        error = ERROR_CANT_ACCESS_FILE;
    if (error != ERROR_SUCCESS) m_folder.Reset();
    return error;
}

CScopedLocalMemory ReadFolderSecurity(HANDLE folder) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const SECURITY_INFORMATION wanted = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    if (folder == nullptr || folder == INVALID_HANDLE_VALUE ||
        ::GetSecurityInfo(folder, SE_FILE_OBJECT, wanted, nullptr, nullptr, nullptr, nullptr, &descriptor) !=
            ERROR_SUCCESS)
        return CScopedLocalMemory();
    return CScopedLocalMemory(descriptor);
}

namespace {

// Deletes every file below the folder, and the folders below it; none is followed through a link,
// which is removed as itself.
void DeleteBelow(const std::string& folder) {
    CFileFind find;
    for (bool more = find.FindFile(folder + "*"); more;) {
        more = find.FindNextFile();
        if (find.IsDots()) continue;
        const std::string path = find.GetFilePath();
        if (!find.IsDirectory()) {
            DeleteFileEvenReadOnly(path);
        } else {
            if (!IsReparsePoint(path)) DeleteBelow(WithFinalBackslash(path));
            ::RemoveDirectoryA(path.c_str());
        }
    }
}

}  // namespace

void CHeldFolder::DeleteWithFiles() {
    if (!m_folder) return;
    // Below a folder of ours only what a run put there: a package's "<Temp>\\" entries may have folders.
    DeleteBelow(m_strPath);
    // Removing the folder takes the delete right that the hold shares with nobody. Only folders of
    // ours are removed, and once let go they are still no one else's to rename or turn into a link.
    Release();
    ::RemoveDirectoryA(m_strPath.c_str());
}
