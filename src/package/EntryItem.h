#pragma once

#include <windows.h>

#include <string>

#include "package/BackupRecord.h"
#include "package/PackageEntry.h"
#include "package/UpgradePackage.h"

class CCompressionLibrary;
class CLineSink;

// The upgrade server's own program: the server may be running and hold it, so its failed
// install is shown as an error and the run goes on.
inline constexpr const char* UPGRADE_SERVER_FILE_NAME = "QuorindoUpgradeServer.exe";

enum ENTRY_OUTCOME {
    ENTRY_DONE,       // the entry was backed up, or installed
    ENTRY_TOLERATED,  // it failed, a prompt or error line says so, and the run goes on
    ENTRY_FAILED,     // it failed, an abort line says so, and the run ends
};

// One entry of the package as the upgrade works it: read and backed up in the first pass (see
// CBackupRecord), installed in the second, and put back when the run fails or is stopped. It knows from its own flags
// (backed up, destination changed, installed) what undoing it means, and adds its own lines.
class CEntryItem : public CBackupRecord {
public:
    // Second pass: reads the entry at the cursor again and installs it over its destination.
    ENTRY_OUTCOME Do(CUpgradePackage& package, const std::string& installFolder, const CCompressionLibrary& library,
                     CLineSink& sink);
    // True when Do changed something that Undo puts back.
    bool NeedsUndo() const { return CanRestore(); }
    // Puts the destination back as the first pass found it, with its pair of lines.
    void Undo(CLineSink& sink) const;

    bool m_bTolerated = false;  // installed as "tolerated": the server's program failed and was left as it was

private:
    // Puts back the destination of a tolerated entry that the failed inflate had changed.
    // False, with its abort line, when it could not.
    bool PutBackTolerated(CLineSink& sink);

    CPackageEntry m_install;  // what the second pass read of the entry
};
