#include "upgrade/InstallationLayout.h"

#include <windows.h>

#include "framework/FileFind.h"
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

std::vector<std::string> FindSetAsideJournals(const std::string& installFolder) {
    std::vector<std::string> journals;
    CFileFind find;
    for (bool more = find.FindFile(GetUpgradeFolder(installFolder) + "UpgradeJournal.failed*.ini");
         more && journals.size() < MAX_SET_ASIDE_JOURNALS;) {
        more = find.FindNextFile();
        if (!find.IsDirectory()) journals.push_back(find.GetFilePath());
    }
    return journals;
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
