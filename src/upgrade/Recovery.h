#pragma once

#include <string>

class CLineSink;

// The RunOnce value that starts "<installation>\Upgrade\QuorindoUpgrade.exe /recover" at the next
// logon while an install pass is under way (HKEY_LOCAL_MACHINE).
inline constexpr const char* RUN_ONCE_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
inline constexpr const char* RUN_ONCE_VALUE = "QuorindoUpgradeRecovery";
inline constexpr const char* RECOVER_SWITCH = "recover";

// For tests: called after each file a recovery has put back.
inline void (*g_pfnAfterRecoveryRestore)() = nullptr;

// True when the installation holds the journal of an interrupted upgrade.
bool HasInterruptedUpgrade(const std::string& installFolder);

// Puts back an upgrade that was interrupted (the program was killed, the machine went off) as its
// journal describes it: every destination it had touched, newest first, from its backup, with the
// restore walk's lines after a prompt that says why. Then the backups, the work folder and the
// journal go. A file that could not be put back keeps everything: the journal is set aside under
// another name so that it is not replayed at every start. Safe to interrupt: a recovery killed
// half way is done again, to the same end, by the next. The recovery is a run of its own in the
// upgrade log (bAutoMode and packageVersion are the program's, for its record). True when there
// was a journal.
bool RecoverInterruptedUpgrade(CLineSink& sink, const std::string& installFolder, bool bAutoMode,
                               const std::string& packageVersion);

// The RunOnce value for the installation, written before an install pass and removed after it.
bool WriteRecoveryAtLogon(const std::string& installFolder);
void RemoveRecoveryAtLogon();
