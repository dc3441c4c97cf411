// rand_s comes from the system's own random source.
#define _CRT_RAND_S
#include "util/WorkFolder.h"

#include <windows.h>

#include <sddl.h>
#include <stdlib.h>

#include <algorithm>

#include "framework/FileFind.h"
#include "util/FileErrors.h"
#include "util/FileHelpers.h"
#include "util/PathChecks.h"
#include "util/PathTokens.h"
#include "util/TextCompare.h"
#include "util/TextFormat.h"

namespace {

// A clash of 64 random bits is not to be expected; this only bounds a broken random source.
const int NAME_ATTEMPTS = 16;

std::string RandomName() {
    unsigned int high = 0, low = 0;
    if (rand_s(&high) != 0 || rand_s(&low) != 0) return std::string();
    return FormatText("%s%08X%08X", WORK_FOLDER_PREFIX, high, low);
}

// Makes the folder with the descriptor; the owner is given only where the process may set it.
DWORD MakeProtectedFolder(const std::string& path) {
    for (const char* sddl : {WORK_FOLDER_SDDL, WORK_FOLDER_SDDL_NO_OWNER}) {
        CScopedLocalMemory descriptor = DescriptorFromSddl(sddl);
        if (!descriptor) return ::GetLastError();
        SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.Get(), FALSE};
        if (::CreateDirectoryA(path.c_str(), &attributes)) return ERROR_SUCCESS;
        const DWORD error = ::GetLastError();
        if (error != ERROR_INVALID_OWNER) return error;
    }
    return ERROR_INVALID_OWNER;
}

// Where work folders are made: the Windows folder's "Temp\", which only administrators may write.
std::string GetWorkFolderParent() { return GetWindowsFolder() + "Temp\\"; }

void DeleteFilesIn(const std::string& folder) {
    CFileFind find;
    for (bool more = find.FindFile(folder + "*"); more;) {
        more = find.FindNextFile();
        if (find.IsDots() || find.IsDirectory()) continue;
        DeleteFileEvenReadOnly(find.GetFilePath());
    }
}

}  // namespace

CScopedLocalMemory DescriptorFromSddl(const char* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, nullptr))
        return CScopedLocalMemory();
    return CScopedLocalMemory(descriptor);
}

void DeleteFolderAndFiles(const std::string& folder) {
    // A link is left alone: what it leads to is not ours to empty or remove.
    if (folder.empty() || IsReparsePoint(folder)) return;
    DeleteFilesIn(folder);
    ::RemoveDirectoryA(folder.c_str());
}

bool IsWorkFolderPath(const std::string& folder) {
    // One folder directly under the parent: its only backslash after our prefix is its last character.
    const std::string ours = GetWorkFolderParent() + WORK_FOLDER_PREFIX;
    return folder.size() > ours.size() + 1 && EqualsNoCase(folder.substr(0, ours.size()), ours) &&
           folder.find('\\', ours.size()) == folder.size() - 1 && IsPlainPathInside(folder, GetWorkFolderParent());
}

void DeleteWorkFoldersBut(const std::vector<std::string>& kept) {
    const std::string parent = GetWorkFolderParent();
    CFileFind find;
    for (bool more = find.FindFile(parent + WORK_FOLDER_PREFIX + "*"); more;) {
        more = find.FindNextFile();
        const std::string folder = find.GetFilePath() + "\\";
        if (!find.IsDirectory()) continue;
        if (std::none_of(kept.begin(), kept.end(), [&](const std::string& k) { return EqualsNoCase(k, folder); }))
            DeleteFolderAndFiles(folder);
    }
}

CWorkFolder::~CWorkFolder() { DeleteFolderAndFiles(m_strPath); }

void CWorkFolder::Keep() { m_strPath.clear(); }

std::string CWorkFolder::Create() {
    const std::string parent = GetWorkFolderParent();
    std::string path = parent + WORK_FOLDER_PREFIX;
    DWORD error = ERROR_ALREADY_EXISTS;
    for (int attempt = 0; attempt < NAME_ATTEMPTS && error == ERROR_ALREADY_EXISTS; ++attempt) {
        const std::string name = RandomName();
        if (name.empty()) {
            error = ERROR_GEN_FAILURE;
            break;
        }
        path = parent + name;
        error = MakeProtectedFolder(path);
    }
    if (error != ERROR_SUCCESS)
        return FormatText("Create work folder %s failed because of %s", path.c_str(), GetSystemErrorText(error).c_str());
    m_strPath = path + "\\";
    return std::string();
}
