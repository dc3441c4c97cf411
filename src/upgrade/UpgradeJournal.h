#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "package/EntryPlan.h"
#include "package/UpgradePackage.h"

class CHeldFolder;

// How far an upgrade had come: its files being installed (a recovery puts the old ones back), or
// its files all in place and durable with its commands under way (a recovery finishes it).
enum JOURNAL_PHASE { JOURNAL_INSTALL, JOURNAL_COMMANDS };

// The most entries a journal holds, one per entry of a package: few enough that a journal someone
// else wrote cannot keep a start reading it for long.
inline constexpr unsigned MAX_JOURNAL_ENTRIES = MAX_PACKAGE_ENTRIES;

// The journal of one upgrade, which lets the next start put back or finish a killed run. It is two
// files because the installation's "Upgrade\" folder may be writable by users: everything a
// recovery acts on (the plan of every entry) lies in the run's work folder, where only
// administrators write, and the installation holds only its name and the count of recoveries
// begun. A name edited by anybody else leads to a work folder proven ours, or to nothing.
// Undoing a plan is safe from any point, so the plan is written once, before the first
// destination changes, and no write per entry is needed; each write is durable. A run's journal
// is written from the run's own plans (its table of entries), and again whenever one of them
// changes; a recovery's is read from the file.
class CUpgradeJournal {
public:
    explicit CUpgradeJournal(ISystemCalls& calls) : m_calls(calls) {}
    CUpgradeJournal(const CUpgradeJournal&) = delete;
    CUpgradeJournal& operator=(const CUpgradeJournal&) = delete;

    // Writes the plans into the work folder, in the install phase, then its name into the
    // installation. Answers an error text, empty on success; more than MAX_JOURNAL_ENTRIES plans
    // are not written. The journal keeps no copy of them: each later write is given them again.
    std::string WritePlan(const std::string& installFolder, const std::string& workFolder,
                          const std::string& commandList, const std::string& version,
                          const std::vector<ENTRY_PLAN>& plans);
    // Writes the plans again, as they are now: one of them changed.
    std::string Rewrite(const std::vector<ENTRY_PLAN>& plans) const { return Write(plans); }
    std::string SetPhase(JOURNAL_PHASE phase, const std::vector<ENTRY_PLAN>& plans);
    // Records, durably, that a recovery of the journal read begins; answers an error text.
    std::string CountRecoveryAttempt();
    // Reads the journal's name in the installation: ERROR_SUCCESS, ERROR_FILE_NOT_FOUND (or
    // ERROR_PATH_NOT_FOUND) when there is none, or why it cannot be read. Its plan is read by
    // FindUntrustedValue, once the work folder is proven ours.
    DWORD Read(const std::string& installFolder);
    // Nothing of a journal is believed before it is checked: a file anybody could edit would
    // otherwise steer an elevated recovery. Answers the first value no run of ours could have
    // written, as its file holds it ("[Entry 2] Destination=C:\x.dll"); empty when all is sound.
    // The plan is read only from a work folder proven ours (HoldOwnWorkFolder), which is then held
    // for everything read or deleted in it.
    std::string FindUntrustedValue(const std::string& installFolder, CHeldFolder& workFolder);
    // The values of a plan that FindUntrustedValue would name once it is written: a run asks
    // before it writes its journal, and installs nothing that its recovery would refuse.
    static std::string FindUnrecoverableValue(ISystemCalls& calls, const std::string& installFolder,
                                              const std::string& workFolder,
                                              const std::string& commandList, const std::vector<ENTRY_PLAN>& plans);
    // The work folders that the installation's journal and every journal set aside there name;
    // false when not every journal could be read, so that any folder may be one of them.
    static bool GetNamedWorkFolders(ISystemCalls& calls, const std::string& installFolder,
                                    std::vector<std::string>& folders);
    // Removes the journal: its name first, then its plan. False when the name is still there: the
    // plan is then kept too.
    bool Delete() const;
    // The same, once every folder the plans changed is on the disk (false when it cannot be).
    bool Delete(const std::vector<ENTRY_PLAN>& plans) const;
    // Keeps the journal for support under its set-aside name, the plan too, so that no name put
    // back in place can have it replayed. Not while the work folder is held.
    void SetAside(const std::string& installFolder) const;

    bool IsWritten() const { return !m_strPath.empty(); }
    JOURNAL_PHASE GetPhase() const { return m_phase; }
    const std::string& GetWorkFolder() const { return m_strWorkFolder; }
    const std::string& GetCommandList() const { return m_strCommandList; }
    const std::string& GetVersion() const { return m_strVersion; }
    // How many recoveries of it have begun.
    unsigned GetRecoveryAttempts() const { return m_nAttempts; }
    // The plans a recovery read from the file.
    const std::vector<ENTRY_PLAN>& GetPlans() const { return m_readPlans; }

private:
    std::string Write(const std::vector<ENTRY_PLAN>& plans) const;
    std::string WriteName() const;
    // Reads the plan from the work folder: ERROR_SUCCESS, or the system's error.
    DWORD ReadPlan();

    ISystemCalls& m_calls;
    std::string m_strNamePath;  // the journal's name, in the installation
    std::string m_strPath;      // its plan, in the work folder; empty until written or proven and read
    std::string m_strInstallFolder;
    JOURNAL_PHASE m_phase = JOURNAL_INSTALL;
    std::string m_strWorkFolder;
    std::string m_strCommandList;
    std::string m_strVersion;
    unsigned m_nCount = 0;  // as the file says, read or written
    unsigned m_nAttempts = 0;
    std::vector<ENTRY_PLAN> m_readPlans;  // a recovery's, read from the file
};
