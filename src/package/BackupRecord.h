#pragma once

#include <windows.h>

#include <string>

#include "framework/CObject.h"
#include "framework/OwningList.h"

class CLineSink;

// What the first pass keeps of one entry: where it goes and a copy of the file it will replace.
// The backup file is a scratch file of its own; only this record links it to its destination.
class CBackupRecord : public CObject {
public:
    CBackupRecord() = default;
    // Deletes the backup file, read-only or not.
    ~CBackupRecord() override;

    // Reads the entry at the cursor and creates the destination's missing folders. An error here
    // is fatal: the package cannot be read on.
    std::string ReadEntry(const BYTE* buffer, DWORD size, DWORD& cursor, const std::string& installFolder);
    // Backs up the file at the destination into a scratch file of the folder (the user's
    // temporary folder when none is given). A failed backup is no reason to stop; such a record
    // takes no part in a restore.
    std::string BackUp(const std::string& scratchFolder = std::string());
    // The bytes the entry occupies in the package: the unit of the progress bar.
    DWORD GetPackedSize() const;
    // Puts the destination back as the first pass found it, for an installed record or one whose
    // destination a failed install changed. Answers an error text, empty on success.
    // reason, when given, receives the system's reason of a failure on its own.
    // The backup is read only while nobody else may write to it.
    std::string Restore(std::string* reason = nullptr) const;
    // True when a restore of this record has something to do.
    bool CanRestore() const;
    // Restore with its pair of lines: "Restore file X, please waiting..." and how it went.
    // False when the file could not be put back.
    bool RestoreWithLines(CLineSink& sink) const;

    std::string m_strRelativePath;
    std::string m_strDestPath;
    DWORD m_dwCompressedLength = 0;
    std::string m_strBackupPath;  // empty: no file to protect, or its backup failed
    DWORD m_dwAttributes = 0;     // the destination's attributes in the first pass
    bool m_bInstalled = false;    // set once the entry's installation was attempted and accepted
    bool m_bHadNoFile = false;    // the destination did not exist as a file in the first pass
    bool m_bDestChanged = false;  // a failed install had already opened (truncated) the destination
};

// The sum of the packed sizes of all records; 0 for an empty or missing list.
DWORD GetTotalPackedSize(const COwningList<CBackupRecord>* records);
