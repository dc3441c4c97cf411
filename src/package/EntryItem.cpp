#include "package/EntryItem.h"

#include "package/StageLines.h"
#include "util/LineSink.h"
#include "util/PathParts.h"
#include "util/TextCompare.h"

ENTRY_OUTCOME CEntryItem::Do(CUpgradePackage& package, const std::string& installFolder,
                             const CCompressionLibrary& library, CLineSink& sink) {
    const std::string fileName = GetFileNameOf(m_strDestPath);
    sink.AddLine(LINE_INFO, "        Upgrade - %s...", fileName.c_str());
    const std::string error = m_install.Install(package.m_pBuffer.get(), package.m_dwSize, package.m_dwCursor,
                                                installFolder, m_strDestPath, library);
    ENTRY_OUTCOME outcome = ENTRY_DONE;
    if (error.empty()) {
        sink.AddLine(LINE_INFO, "        Upgrade %s successfully!", fileName.c_str());
    } else if (EqualsNoCase(GetFileNameOf(m_install.m_strRelativePath), UPGRADE_SERVER_FILE_NAME)) {
        sink.AddLine(LINE_PROMPT, "        Error - %s", error.c_str());
        outcome = ENTRY_TOLERATED;
        m_bTolerated = true;
        // Tolerated only as the file it was: one the inflate had already truncated goes back now.
        if (m_install.m_bDestChanged && !PutBackTolerated(sink)) return ENTRY_FAILED;
    } else {
        AddAbortLine(sink, error);
        // A destination that the failed inflate had already truncated is put back as well.
        m_bDestChanged = m_install.m_bDestChanged;
        return ENTRY_FAILED;
    }
    m_bInstalled = true;
    return outcome;
}

bool CEntryItem::PutBackTolerated(CLineSink& sink) {
    m_bDestChanged = true;
    const std::string error = Restore();
    if (error.empty()) {
        m_bDestChanged = false;
        return true;
    }
    // The file is neither the new one nor the old one: the run fails like any other entry, and
    // the restore walk tries this file once more.
    AddAbortLine(sink, error);
    return false;
}

void CEntryItem::Undo(CLineSink& sink) const { RestoreWithLines(sink); }
