#pragma once

#include <string>
#include <vector>

#include "os/SystemCalls.h"

// What the upgrader keeps inside the installation it upgrades, all in its "Upgrade\" folder: its
// own copy, the journal of an upgrade under way (and one set aside for support), the upgrade log
// and the run lock. The one place that knows these names.
inline constexpr const char* SELF_COPY_FILE = "QuorindoUpgrade.exe";
inline constexpr const char* JOURNAL_FILE = "UpgradeJournal.ini";
inline constexpr const char* SET_ASIDE_JOURNAL_FILE = "UpgradeJournal.failed.ini";
// Every journal set aside keeps a name of its own: "UpgradeJournal.failed.ini", then
// "UpgradeJournal.failed.2.ini" and on, up to this many.
inline constexpr unsigned MAX_SET_ASIDE_JOURNALS = 1000;
inline constexpr const char* UPGRADE_LOG_FILE = "UpgradeLog.txt";
inline constexpr const char* RUN_LOCK_FILE = "UpgradeRun.lock";

// The installation's "Upgrade\" folder, ending with a backslash.
std::string GetUpgradeFolder(const std::string& installFolder);
std::string GetJournalPath(const std::string& installFolder);
// The name of the set-aside journal of that number, counted from 1.
std::string GetSetAsideJournalPath(const std::string& installFolder, unsigned number = 1);
// The names of every journal set aside there, at most MAX_SET_ASIDE_JOURNALS of them; pError as
// FindInFolder sets it.
std::vector<std::string> FindSetAsideJournals(ISystemCalls& calls, const std::string& installFolder,
                                              DWORD* pError = nullptr);
std::string GetUpgradeLogPath(const std::string& installFolder);
std::string GetRunLockPath(const std::string& installFolder);
// Makes the "Upgrade\" folder when it is missing. False, with the system's error, when it cannot
// be made or is a reparse point, which would send everything written there somewhere else.
bool MakeUpgradeFolder(ISystemCalls& calls, const std::string& installFolder);
