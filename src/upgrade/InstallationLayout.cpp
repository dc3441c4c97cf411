#include "upgrade/InstallationLayout.h"

#include <windows.h>

#include "util/PathChecks.h"

std::string GetUpgradeFolder(std::string installFolder) {
    if (installFolder.empty() || installFolder.back() != '\\') installFolder += '\\';
    return installFolder + "Upgrade\\";
}

std::string GetJournalPath(const std::string& installFolder) { return GetUpgradeFolder(installFolder) + JOURNAL_FILE; }

std::string GetSetAsideJournalPath(const std::string& installFolder) {
    return GetUpgradeFolder(installFolder) + SET_ASIDE_JOURNAL_FILE;
}

std::string GetUpgradeLogPath(const std::string& installFolder) {
    return GetUpgradeFolder(installFolder) + UPGRADE_LOG_FILE;
}

std::string GetRunLockPath(const std::string& installFolder) { return GetUpgradeFolder(installFolder) + RUN_LOCK_FILE; }

bool MakeUpgradeFolder(const std::string& installFolder) {
    const std::string folder = GetUpgradeFolder(installFolder);
    // Usually there already, made by a previous upgrade.
    if (!::CreateDirectoryA(folder.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) return false;
    if (!IsReparsePoint(folder)) return true;
    ::SetLastError(ERROR_CANT_ACCESS_FILE);
    return false;
}
