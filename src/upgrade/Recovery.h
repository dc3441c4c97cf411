#pragma once

#include <string>

#include "upgrade/RunSettings.h"

class IRunHost;

// The RunOnce value that starts "<installation>\Upgrade\QuorindoUpgrade.exe /recover" at the next
// logon while an upgrade is under way (HKEY_LOCAL_MACHINE).
inline constexpr const char* RUN_ONCE_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
// Windows deletes a RunOnce value before it starts the command, unless the name starts with "!":
// then only once the command has ended, so a recovery killed at logon is started again at the next.
inline constexpr const char* RUN_ONCE_VALUE = "!QuorindoUpgradeRecovery";
inline constexpr const char* RECOVER_SWITCH = "recover";

// Recoveries of one journal that may begin; one more start sets it aside instead.
inline constexpr unsigned MAX_RECOVERY_ATTEMPTS = 3;

// True when the installation holds the journal of an interrupted upgrade.
bool HasInterruptedUpgrade(ISystemCalls& calls, const std::string& installFolder);

// How the journal found under the run lock ended: there was none; it was ended; it could not be
// ended and is set aside; or it is left for the next start (its attempt could not be counted, or
// the upgrade record could not be written).
enum JOURNAL_END { JOURNAL_NONE, JOURNAL_ENDED, JOURNAL_SET_ASIDE, JOURNAL_LEFT };

// Ends an upgrade that was interrupted (the program killed, the machine gone off) as its journal
// says, so no start ever finds a half-upgraded player: killed while installing, it is put back;
// killed after, it is finished. It holds the run lock, so an upgrade still under way elsewhere is
// never touched, and believes a journal only once checked, since others may write the
// installation. Each attempt is counted on the disk before it begins, so a journal that kills
// every recovery is set aside after MAX_RECOVERY_ATTEMPTS rather than stopping every start. The
// recovery is a run of its own in the upgrade log. True when there was a journal to end.
bool RecoverInterruptedUpgrade(IRunHost& host, const std::string& installFolder, const RUN_SETTINGS& settings);
// The same for a caller that already holds the run lock (an upgrade run, which never starts over
// a journal).
JOURNAL_END EndPendingUpgrade(IRunHost& host, const std::string& installFolder, const RUN_SETTINGS& settings);

// The RunOnce value for the installation, written before an install pass and removed after it.
// Answers an error text, empty once it is written.
std::string WriteRecoveryAtLogon(ISystemCalls& calls, const std::string& installFolder);
void RemoveRecoveryAtLogon(ISystemCalls& calls);
