#include "package/EntryInstallStep.h"

#include "package/CompressionLibrary.h"
#include "util/FileHelpers.h"
#include "util/LineSink.h"
#include "util/PathChecks.h"
#include "util/PathParts.h"
#include "util/PathTokens.h"
#include "util/TextCompare.h"
#include "util/TextFormat.h"

CEntryInstallStep::CEntryInstallStep(STORED_ENTRY entry, bool bFlushAlways, const INSTALL_PASS& pass)
    : m_entry(std::move(entry)), m_bFlushAlways(bFlushAlways), m_pass(pass) {
    m_plan.strDestPath = m_entry.strDestPath;
}

std::string CEntryInstallStep::BackUp(const std::string& folder) {
    m_plan.strTempPath = NewScratchName(GetFolderOf(m_plan.strDestPath));
    return BackUpDestination(m_plan, folder, &m_bBackupCopied);
}

DWORD CEntryInstallStep::GetPackedSize() const {
    return 16 + static_cast<DWORD>(m_entry.strRelativePath.size()) + m_entry.dwCompressedLength;
}

NEW_FILE CEntryInstallStep::GetNewFile() const {
    return {m_plan.strTempPath, m_entry.pCompressedData, m_entry.dwCompressedLength, m_entry.ftLastWrite,
            m_pass.bFlushEachFile || m_bFlushAlways};
}

STEP_RESULT CEntryInstallStep::Do() {
    const std::string fileName = GetFileNameOf(m_plan.strDestPath);
    m_pass.sink.AddLine(LINE_INFO, "        Upgrade - %s...", fileName.c_str());
    if (!TakeNewFile() || !PutNewFileInPlace()) {
        const std::string error = FormatText("Decompress to file %s failed!", m_plan.strDestPath.c_str());
        if (EqualsNoCase(GetFileNameOf(m_entry.strRelativePath), UPGRADE_SERVER_FILE_NAME)) return Tolerate(error);
        AddAbortLine(m_pass.sink, error);
        return StepFailed(error);
    }
    m_pass.sink.AddLine(LINE_INFO, "        Upgrade %s successfully!", fileName.c_str());
    Installed();
    return StepSucceeded();
}

void CEntryInstallStep::Installed() {
    m_bInstalled = true;
    if (m_pass.onInstalled) m_pass.onInstalled(*this);
}

STEP_RESULT CEntryInstallStep::Tolerate(const std::string& error) {
    m_pass.sink.AddLine(LINE_PROMPT, "        Error - %s", error.c_str());
    if (m_bDestChanged) {
        // Tolerated only as the file it was. If it cannot go back, it is neither the new file nor
        // the old one: the run fails like any other entry, and the restore walk tries it once more.
        const STEP_RESULT putBack = PutBackDestination(m_plan);
        if (!putBack.Succeeded()) {
            const std::string text = FormatRestoreFailure(m_plan.strDestPath, putBack.strText);
            AddAbortLine(m_pass.sink, text);
            return StepFailed(text);
        }
        m_bDestChanged = false;
    }
    Installed();
    return StepSucceeded();
}

bool CEntryInstallStep::TakeNewFile() { return m_pass.pNewFiles->TakeNext(); }

bool CEntryInstallStep::PutNewFileInPlace() {
    // The backup pass knows the attributes: only a read-only file needs the attribute taken off
    // before it can be renamed over.
    const bool bReadOnly = !m_plan.bAdded && (m_plan.dwAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (bReadOnly) ::SetFileAttributesA(m_plan.strDestPath.c_str(), m_plan.dwAttributes & ~FILE_ATTRIBUTE_READONLY);
    if (::MoveFileExA(m_plan.strTempPath.c_str(), m_plan.strDestPath.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        m_bReplaced = true;
        return true;
    }
    // Held open by another program without delete sharing (or running): written in place.
    const bool bWritten = !m_plan.bAdded && WriteInPlace();
    DeleteScratchFile(m_plan.strTempPath);
    // Left untouched, the file gets its read-only attribute back here: no restore will walk it.
    if (!m_bDestChanged && bReadOnly) ::SetFileAttributesA(m_plan.strDestPath.c_str(), m_plan.dwAttributes);
    return bWritten;
}

bool CEntryInstallStep::WriteInPlace() {
    // The write must never reach the backup, so a backup that is a second name becomes a copy first.
    if (!MakeBackupACopy(m_plan)) return false;
    // Shared for reading and writing, as the other program shares it.
    CScopedKernelHandle file =
        OpenFileNoLink(m_plan.strDestPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    if (!file) return false;
    m_bDestChanged = true;
    m_bReplaced = WriteNewFile(m_pass.library, GetNewFile(), file, true);
    return m_bReplaced;
}

STEP_RESULT CEntryInstallStep::Undo() {
    // A destination the step left as it was (the server's program that the running server holds)
    // gets no lines and cannot fail.
    const bool bReached = m_bInstalled || IsChanged();
    STEP_RESULT result;
    if (IsChanged())
        result = PutBackWithLines(m_plan, m_pass.sink);
    else
        DeleteScratchFile(m_plan.strTempPath);
    if (result.Succeeded()) m_bReplaced = m_bDestChanged = false;
    if (m_pass.onUndone && bReached) m_pass.onUndone(*this);
    return result;
}
