#include "util/HeldFolder.h"

#include <aclapi.h>

#include "framework/FileFind.h"
#include "util/FileHelpers.h"
#include "util/PathChecks.h"

namespace {

// Enough to read its entries and its descriptor, and nothing (writing, deleting) that another
// reader would have to share.
constexpr DWORD HOLD_ACCESS = READ_CONTROL | FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE;

}  // namespace

DWORD CHeldFolder::Hold(const std::string& folder) {
    m_strPath = folder;
    if (m_strPath.empty() || m_strPath.back() != '\\') m_strPath += '\\';
    const std::string name = m_strPath.substr(0, m_strPath.size() - 1);
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

void CHeldFolder::DeleteWithFiles() {
    if (!m_folder) return;
    CFileFind find;
    for (bool more = find.FindFile(m_strPath + "*"); more;) {
        more = find.FindNextFile();
        if (!find.IsDots() && !find.IsDirectory()) DeleteFileEvenReadOnly(find.GetFilePath());
    }
    find.Close();
    // Removing the folder takes the delete right that the hold shares with nobody. Only folders of
    // ours are removed, and once let go they are still no one else's to rename or turn into a link.
    Release();
    ::RemoveDirectoryA(m_strPath.c_str());
}
