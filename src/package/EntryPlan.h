#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "os/SystemCalls.h"
#include "transaction/StepResult.h"
#include "util/FileIdentity.h"

class CLineSink;

// What the journal keeps of one entry: enough to put its destination back without the package.
struct ENTRY_PLAN {
    std::string strDestPath;
    std::string strTempPath;    // the new file is written here, beside the destination, then renamed over it
    std::string strBackupPath;  // a second name (or a copy) of the replaced file; empty: none
    bool bAdded = false;        // no file was there: the package adds it
    DWORD dwAttributes = INVALID_FILE_ATTRIBUTES;  // the replaced file's
    FILE_IDENTITY original{};   // the replaced file's, when the backup pass found it
};

// Backs up the destination into the folder: a second name of the file (a hard link) where the
// volume allows it, since the new file never overwrites the old one; otherwise, or when a copy
// is asked for, a copy. Fills the plan's backup, attributes and original identity; answers the
// "Backup file ..." failure text, empty on success (a file that is not there needs no backup);
// pCopied, when given, is set when the backup became a copy.
std::string BackUpDestination(ISystemCalls& calls, ENTRY_PLAN& plan, const std::string& folder,
                              bool* pCopied = nullptr);
// Turns a backup that is a second name of the destination into a copy of its own, on the disk,
// before the destination is written in place. The copy is made under a new name; the plan then
// names it, and onPlanChanged makes that durable (the journal written again); only then does the
// second name go. After a crash at any point the journal names a whole copy of the old file.
// False when it could not: the plan then names the second name still, and the copy is gone.
bool MakeBackupACopy(ISystemCalls& calls, ENTRY_PLAN& plan, const std::function<std::string()>& onPlanChanged);
// True when the backup is a copy: its data, unlike a second name's, is new and may not be on the
// disk yet.
bool IsBackupACopy(ISystemCalls& calls, const ENTRY_PLAN& plan);
// Flushes a backup copy to the disk. One that cannot be is no backup: it is deleted, and the
// "Backup file ..." failure text answered; empty on success.
std::string FlushBackupCopy(ISystemCalls& calls, ENTRY_PLAN& plan);

// True when the run changed the destination, so that it is to be put back: the package added it
// and it is there, or it is no longer the file, or the state, that the backup pass found (where
// that is not known: no longer the file its backup names). A destination the run never changed
// (not reached, or its install failed before it changed anything) is never put back.
bool NeedsPutBack(ISystemCalls& calls, const ENTRY_PLAN& plan);
// Puts the destination back as the plan found it (the backup copied back with its attributes, or
// an added file removed) and deletes the temporary file. Putting back a destination the install
// never reached changes nothing, so this is safe at any point and safe to repeat.
STEP_RESULT PutBackDestination(ISystemCalls& calls, const ENTRY_PLAN& plan);
// "Restore file <file> failed because of <reason>": the line of a file that could not be put back.
std::string FormatRestoreFailure(const std::string& file, const std::string& reason);
// PutBackDestination between the restore walk's pair of lines, when NeedsPutBack says so; a
// destination that was changed though its backup could not be made gets its failure line.
// Otherwise only the temporary file goes, and the attributes come back: no line, no failure.
STEP_RESULT PutBackWithLines(ISystemCalls& calls, const ENTRY_PLAN& plan, CLineSink& sink);
// Deletes the backup. bDestIsOld: the destination is still (or again) the file that was backed
// up, and keeps its attributes.
void DiscardBackup(ISystemCalls& calls, const ENTRY_PLAN& plan, bool bDestIsOld);
