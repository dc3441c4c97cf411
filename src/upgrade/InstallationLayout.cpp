#include "upgrade/InstallationLayout.h"

#include <windows.h>

#include "util/FileHelpers.h"
#include "util/PathChecks.h"
#include "util/PathParts.h"
#include "util/TextFormat.h"

std::string GetUpgradeFolder(const std::string& installFolder) {
    return WithFinalBackslash(installFolder.empty() ? "\\" : installFolder) + "Upgrade\\";
}

std::string GetJournalPath(const std::string& installFolder) { return GetUpgradeFolder(installFolder) + JOURNAL_FILE; }

std::string GetSetAsideJournalPath(const std::string& installFolder, unsigned number) {
    if (number <= 1) return GetUpgradeFolder(installFolder) + SET_ASIDE_JOURNAL_FILE;
    return GetUpgradeFolder(installFolder) + FormatText("UpgradeJournal.failed.%u.ini", number);
}

std::vector<std::string> FindSetAsideJournals(ISystemCalls& calls, const std::string& installFolder, DWORD* pError) {
    const std::string folder = GetUpgradeFolder(installFolder);
    std::vector<std::string> journals;
    for (const WIN32_FIND_DATAA& found :
         FindInFolder(calls, folder, "UpgradeJournal.failed*.ini", MAX_SET_ASIDE_JOURNALS, pError))
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) journals.push_back(folder + found.cFileName);
    return journals;
}

std::string GetUpgradeLogPath(const std::string& installFolder) {
    return GetUpgradeFolder(installFolder) + UPGRADE_LOG_FILE;
}

std::string GetRunLockPath(const std::string& installFolder) { return GetUpgradeFolder(installFolder) + RUN_LOCK_FILE; }

bool MakeUpgradeFolder(ISystemCalls& calls, const std::string& installFolder) {
    const std::string folder = GetUpgradeFolder(installFolder);
    // Usually there already, made by a previous upgrade.
    if (!calls.MakeFolder(folder.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) return false;
    if (!IsReparsePoint(calls, folder)) return true;
    ::SetLastError(ERROR_CANT_ACCESS_FILE);
    return false;
}
