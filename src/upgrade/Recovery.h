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
bool HasInterruptedUpgrade(const std::string& installFolder);

// How the journal found under the run lock ended: there was none; it was ended; it could not be
// ended and is set aside; or it is left for the next start (its attempt could not be counted, or
// the upgrade record could not be written).
enum JOURNAL_END { JOURNAL_NONE, JOURNAL_ENDED, JOURNAL_SET_ASIDE, JOURNAL_LEFT };

// Ends an upgrade that was interrupted (the program was killed, the machine went off) as its
// journal says. Killed while installing files, it is put back: every destination of its plan
// back from its backup and every added or temporary file removed, newest first, with the restore
// walk's lines after a prompt that says why. Killed after its files were installed, it is
// finished: its command list runs again from the work folder and the upgrade record is written.
// Then the journal, the backups and the work folder go. A file that could not be put back keeps
// everything: the journal is set aside under another name so that it is not replayed at every
// start. Safe to interrupt: a recovery killed half way is done again, to the same end, by the
// next. The recovery is a run of its own in the upgrade log (the settings are the
// program's, for its record). A journal is checked before it is believed: one that names
// anything no run of ours could have written is set aside with one abort line, and nothing of it
// is done. Each recovery is counted in the journal, on the disk, before it begins: after
// MAX_RECOVERY_ATTEMPTS that did not end (crashed, hung, killed), the next sets the journal aside
// with one abort line, and the start goes on. All of it holds the run lock, and then also deletes
// the work folders of ours that no journal names (left by runs killed before their journal
// existed); while another upgrader holds the lock nothing is done. True when there was a journal
// to end.
bool RecoverInterruptedUpgrade(IRunHost& host, const std::string& installFolder, const RUN_SETTINGS& settings);
// The same for a caller that already holds the run lock (an upgrade run, which never starts over
// a journal).
JOURNAL_END EndPendingUpgrade(IRunHost& host, const std::string& installFolder, const RUN_SETTINGS& settings);

// The RunOnce value for the installation, written before an install pass and removed after it.
// Answers an error text, empty once it is written.
std::string WriteRecoveryAtLogon(const std::string& installFolder);
void RemoveRecoveryAtLogon();
