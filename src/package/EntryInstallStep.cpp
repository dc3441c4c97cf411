#include "package/EntryInstallStep.h"

#include "package/CompressionLibrary.h"
#include "util/FileHelpers.h"
#include "util/LineSink.h"
#include "util/PathChecks.h"
#include "util/PathParts.h"
#include "util/PathTokens.h"
#include "util/TextCompare.h"
#include "util/TextFormat.h"

NEW_FILE GetNewFileOf(const CEntryTable& table, size_t index, bool bFlushEachFile) {
    const RUN_ENTRY& entry = table.Entry(index);
    return {table.GetPlans()[index].strTempPath, entry.stored.pCompressedData, entry.stored.dwCompressedLength,
            entry.stored.ftLastWrite, bFlushEachFile || entry.bFlushAlways};
}

CEntryInstallStep::CEntryInstallStep(CEntryTable& table, size_t index, const INSTALL_PASS& pass)
    : m_table(table), m_index(index), m_pass(pass) {}

DWORD CEntryInstallStep::GetPackedSize() const {
    const STORED_ENTRY& stored = m_table.Entry(m_index).stored;
    return 16 + static_cast<DWORD>(stored.strRelativePath.size()) + stored.dwCompressedLength;
}

STEP_RESULT CEntryInstallStep::Do() {
    const std::string fileName = GetFileNameOf(Plan().strDestPath);
    m_pass.sink.AddLine(LINE_INFO, "        Upgrade - %s...", fileName.c_str());
    if (!m_pass.newFiles.Take(m_index) || !PutNewFileInPlace()) {
        const std::string error = FormatText("Decompress to file %s failed!", Plan().strDestPath.c_str());
        const std::string stored = m_table.Entry(m_index).stored.strRelativePath;
        if (EqualsNoCase(GetFileNameOf(stored), UPGRADE_SERVER_FILE_NAME)) return Tolerate(error);
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
        const STEP_RESULT putBack = PutBackDestination(m_pass.calls, Plan());
        if (!putBack.Succeeded()) {
            const std::string text = FormatRestoreFailure(Plan().strDestPath, putBack.strText);
            AddAbortLine(m_pass.sink, text);
            return StepFailed(text);
        }
        m_bDestChanged = false;
    }
    Installed();
    return StepSucceeded();
}

bool CEntryInstallStep::PutNewFileInPlace() {
    const ENTRY_PLAN& plan = Plan();
    // The backup pass knows the attributes: only a read-only file needs the attribute taken off
    // before it can be renamed over.
    const bool bReadOnly = !plan.bAdded && (plan.dwAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    ISystemCalls& calls = m_pass.calls;
    if (bReadOnly) calls.SetAttributes(plan.strDestPath.c_str(), plan.dwAttributes & ~FILE_ATTRIBUTE_READONLY);
    if (calls.Move(plan.strTempPath.c_str(), plan.strDestPath.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        m_bReplaced = true;
        return true;
    }
    // Held open by another program without delete sharing (or running): written in place.
    const bool bWritten = !plan.bAdded && WriteInPlace();
    DeleteTemporaryFile();
    // Left untouched, the file gets its read-only attribute back here: no restore will walk it.
    if (!m_bDestChanged && bReadOnly) calls.SetAttributes(plan.strDestPath.c_str(), plan.dwAttributes);
    return bWritten;
}

void CEntryInstallStep::DeleteTemporaryFile() {
    // One that cannot go now is tried once more when the run discards its backups.
    if (!DeleteFileEvenReadOnly(m_pass.calls, Plan().strTempPath)) m_table.Entry(m_index).bScratchLeft = true;
}

bool CEntryInstallStep::WriteInPlace() {
    // The write must never reach the backup, so a backup that is a second name becomes a copy
    // first, and the journal names the copy before the destination is touched.
    ISystemCalls& calls = m_pass.calls;
    if (!MakeBackupACopy(calls, Plan(), [this] { return m_table.PlanChanged(); })) return false;
    // Shared for reading and writing, as the other program shares it.
    CScopedKernelHandle file =
        OpenFileNoLink(calls, Plan().strDestPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    if (!file) return false;
    m_bDestChanged = true;
    m_bReplaced = WriteNewFile(calls, m_pass.library, GetNewFileOf(m_table, m_index, true), file, true);
    return m_bReplaced;
}

STEP_RESULT CEntryInstallStep::Undo() {
    // A destination the step left as it was (the server's program that the running server holds)
    // gets no lines and cannot fail.
    const bool bReached = m_bInstalled || IsChanged();
    STEP_RESULT result;
    if (IsChanged())
        result = PutBackWithLines(m_pass.calls, Plan(), m_pass.sink);
    else
        DeleteTemporaryFile();
    if (result.Succeeded()) m_bReplaced = m_bDestChanged = false;
    if (m_pass.onUndone && bReached) m_pass.onUndone(*this);
    return result;
}
