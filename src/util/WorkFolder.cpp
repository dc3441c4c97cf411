// rand_s comes from the system's own random source.
#define _CRT_RAND_S
#include "util/WorkFolder.h"

#include <windows.h>

#include <stdlib.h>

#include <algorithm>

#include "framework/CriticalSection.h"
#include "util/AdminOnlySecurity.h"
#include "util/FileHelpers.h"
#include "util/FileErrors.h"
#include "util/HeldFolder.h"
#include "util/PathChecks.h"
#include "util/PathParts.h"
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

// Where work folders are made: the Windows folder's "Temp\". Every user may make files and
// folders there (though not list it), so nothing there is believed by its name.
std::string GetWorkFolderParent() { return GetWindowsFolder() + "Temp\\"; }

// What the system reports for a folder we make (see FindForeignSecurity): a fact of the machine,
// kept once it could be read.
PSECURITY_DESCRIPTOR GetReferenceSecurity(ISystemCalls& calls) {
    static CCriticalSection lock;
    static CScopedLocalMemory reference;
    CSingleLock hold(lock);
    if (!reference) {
        CWorkFolder folder(calls);
        if (folder.Create().empty()) reference = folder.ReadSecurity();
    }
    return reference.Get();
}

// A folder's owner can add files and read its access list; every kind of sharing is given but to
// whoever would hold it without write sharing, as the clean-up does.
constexpr DWORD IN_USE_ACCESS = FILE_ADD_FILE | FILE_LIST_DIRECTORY | READ_CONTROL | SYNCHRONIZE;

}  // namespace

bool IsWorkFolderPath(ISystemCalls& calls, const std::string& folder) {
    // One folder directly under the parent: its only backslash after our prefix is its last character.
    const std::string ours = GetWorkFolderParent() + WORK_FOLDER_PREFIX;
    return folder.size() > ours.size() + 1 && EqualsNoCase(folder.substr(0, ours.size()), ours) &&
           FindSeparator(folder, ours.size(), false) == folder.size() - 1 &&
           IsPlainPathInside(calls, folder, GetWorkFolderParent());
}

std::string HoldOwnWorkFolder(CHeldFolder& held, const std::string& folder) {
    const DWORD error = held.Hold(folder);
    if (error == ERROR_CANT_ACCESS_FILE) return "it is a link or a file";
    if (error != ERROR_SUCCESS) return GetSystemErrorText(error);
    const CScopedLocalMemory security = held.ReadSecurity();
    const std::string why = security ? FindForeignSecurity(security.Get(), GetReferenceSecurity(held.GetCalls()))
                                     : std::string("its owner and access list cannot be read");
    if (!why.empty()) held.Release();
    return why;
}

void DeleteWorkFoldersBut(ISystemCalls& calls, const std::vector<std::string>& kept) {
    const std::string parent = GetWorkFolderParent();
    for (const WIN32_FIND_DATAA& found : FindInFolder(calls, parent, std::string(WORK_FOLDER_PREFIX) + "*")) {
        const std::string folder = parent + found.cFileName + "\\";
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
            std::any_of(kept.begin(), kept.end(), [&](const std::string& k) { return EqualsNoCase(k, folder); }))
            continue;
        CHeldFolder held(calls);
        if (HoldOwnWorkFolder(held, folder).empty()) held.DeleteWithFiles();
    }
}

CWorkFolder::~CWorkFolder() {
    m_inUse.Reset();
    CHeldFolder held(m_calls);
    if (!m_strPath.empty() && held.Hold(m_strPath) == ERROR_SUCCESS) held.DeleteWithFiles();
}

void CWorkFolder::Keep() {
    m_inUse.Reset();
    m_strPath.clear();
}

CScopedLocalMemory CWorkFolder::ReadSecurity() const { return ReadFolderSecurity(m_calls, m_inUse.Get()); }

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
        error = MakeAdminOnly([&](SECURITY_ATTRIBUTES& attributes) {
            return m_calls.MakeFolder(path.c_str(), &attributes) ? ERROR_SUCCESS : ::GetLastError();
        });
    }
    if (error != ERROR_SUCCESS)
        return FormatText("Create work folder %s failed because of %s", path.c_str(), GetSystemErrorText(error).c_str());
    m_strPath = path + "\\";
    // Made by us a moment ago, and only administrators may touch it: what is opened is ours.
    m_inUse.Reset(m_calls.OpenFile(path.c_str(), IN_USE_ACCESS, SHARE_ALL, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT));
    return std::string();
}
