#pragma once

#include <string>
#include <vector>

#include <windows.h>

#include "framework/OwningList.h"
#include "package/EntryItem.h"

// Where each destination of the install pass stands, as the journal records it.
enum JOURNAL_STATE {
    JOURNAL_UNTOUCHED,   // the install pass has not opened it
    JOURNAL_INSTALLING,  // being installed: it may be half written
    JOURNAL_INSTALLED,
    JOURNAL_TOLERATED,   // the upgrade server's own program, left as it was
    JOURNAL_RESTORED,    // put back by a recovery
};

struct JOURNAL_RECORD {
    std::string strDestPath;
    std::string strBackupPath;  // empty: no backup (the package adds the file, or its backup failed)
    bool bAdded = false;        // the package adds the file
    DWORD dwAttributes = 0;
    JOURNAL_STATE state = JOURNAL_UNTOUCHED;
};

// The install pass's journal in the installation's "Upgrade\" folder: the run's work folder and,
// for every destination in package order, its backup and its state. It is written before the
// first destination changes and updated before each one is opened and after it is complete,
// every time durably (a new file, flushed, then moved over the old one write-through), so that
// an upgrade killed at any instant can be put back at the next start.
class CUpgradeJournal {
public:
    // The journal's file in the installation, and the name a journal that could not be
    // replayed whole is set aside under.
    static std::string GetPath(const std::string& installFolder);
    static std::string GetSetAsidePath(const std::string& installFolder);

    // A journal of the items, all untouched, for the installation; written at once.
    // Answers an error text, empty on success.
    std::string Begin(const std::string& installFolder, const std::string& workFolder,
                      const COwningList<CEntryItem>& items);
    // Records the state of one destination, durably.
    std::string SetState(size_t index, JOURNAL_STATE state);
    // Reads the installation's journal; false when there is none.
    bool Read(const std::string& installFolder);
    // Writes all records, durably.
    std::string Write() const;
    // Removes the journal's file.
    void Delete() const;

    const std::string& GetWorkFolder() const { return m_strWorkFolder; }
    std::vector<JOURNAL_RECORD>& Records() { return m_records; }
    bool IsBegun() const { return !m_strPath.empty(); }

private:
    std::string m_strPath;
    std::string m_strWorkFolder;
    std::vector<JOURNAL_RECORD> m_records;
};
