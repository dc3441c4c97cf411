#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "package/EntryPlan.h"

class CHeldFolder;

// How far an upgrade had come: its files being installed (a recovery puts the old ones back), or
// its files all in place and durable with its commands under way (a recovery finishes it).
enum JOURNAL_PHASE { JOURNAL_INSTALL, JOURNAL_COMMANDS };

// The most entries a journal holds: far more than any package has, and few enough that a journal
// someone else wrote cannot keep a start reading it for long.
inline constexpr unsigned MAX_JOURNAL_ENTRIES = 10000;

// The journal of one upgrade in the installation's "Upgrade\" folder: the plan of its install
// pass (the run's work folder, its command list, the version it installs and, for every entry in
// package order, its destination, temporary file, backup, whether a file was there, its
// attributes and what identified the file the backup pass found) and its phase. The plan is
// written once, before the first destination changes; the phase once more, when the install pass
// has ended. Every write is durable (a new file, flushed,
// then moved over the old one write-through). Undoing a plan is safe from any point, so no write
// per entry is needed.
class CUpgradeJournal {
public:
    // Writes the plan, in the install phase. Answers an error text, empty on success; a plan of
    // more than MAX_JOURNAL_ENTRIES entries is not written.
    std::string WritePlan(const std::string& installFolder, const std::string& workFolder,
                          const std::string& commandList, const std::string& version, std::vector<ENTRY_PLAN> plans);
    // Records the phase, durably.
    std::string SetPhase(JOURNAL_PHASE phase);
    // Records, durably, that a recovery of the journal read begins; answers an error text.
    std::string CountRecoveryAttempt();
    // Reads the installation's journal; false when there is none. Entries are read up to the
    // first one without a destination, and none when the count is more than a journal holds.
    bool Read(const std::string& installFolder);
    // A journal lies where users may write, so it is checked before it is believed. Answers the
    // first value of the journal read that no run of ours could have written, as the file holds
    // it ("[Entry 2] Destination=C:\Windows\System32\x.dll"), with why in brackets where the name
    // alone does not say; empty when every value is sound: a work folder of ours (named and made
    // as CWorkFolder makes them, see HoldOwnWorkFolder), its own command list, every destination
    // and temporary file a full path inside the installation folder (or in the work folder), every
    // backup in the work folder, and no reparse point on the way to any of them or to the journal.
    // When all is sound the work folder is held, for everything read or deleted in it.
    std::string FindUntrustedValue(const std::string& installFolder, CHeldFolder& workFolder) const;
    // The values of a plan that FindUntrustedValue would name once it is written: a run asks
    // before it writes its journal, and installs nothing that its recovery would refuse.
    static std::string FindUnrecoverableValue(const std::string& installFolder, const std::string& workFolder,
                                              const std::string& commandList, const std::vector<ENTRY_PLAN>& plans);
    // The work folders that the installation's journal and its set-aside journal name.
    static std::vector<std::string> GetNamedWorkFolders(const std::string& installFolder);
    // Removes the journal's file.
    void Delete() const;
    // Keeps the journal for support under its set-aside name.
    void SetAside(const std::string& installFolder) const;

    bool IsWritten() const { return !m_strPath.empty(); }
    JOURNAL_PHASE GetPhase() const { return m_phase; }
    const std::string& GetWorkFolder() const { return m_strWorkFolder; }
    const std::string& GetCommandList() const { return m_strCommandList; }
    const std::string& GetVersion() const { return m_strVersion; }
    // How many recoveries of it have begun.
    unsigned GetRecoveryAttempts() const { return m_nAttempts; }
    const std::vector<ENTRY_PLAN>& GetPlans() const { return m_plans; }

private:
    std::string Write() const;
    std::string WriteFailure(DWORD error) const;

    std::string m_strPath;
    JOURNAL_PHASE m_phase = JOURNAL_INSTALL;
    std::string m_strWorkFolder;
    std::string m_strCommandList;
    std::string m_strVersion;
    unsigned m_nCount = 0;  // as the file says, read or written
    unsigned m_nAttempts = 0;
    std::vector<ENTRY_PLAN> m_plans;
};
