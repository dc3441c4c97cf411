#include "package/InstallPasses.h"

#include "package/InflateAhead.h"
#include "util/FileHelpers.h"
#include "util/IniKeys.h"
#include "util/LineSink.h"
#include "util/ParallelWork.h"
#include "util/PathParts.h"
#include "util/PathTokens.h"
#include "util/TextCompare.h"

CInstallPasses::CInstallPasses(const CUpgradePackage& package, CLineSink& sink, std::string installFolder,
                               std::string workFolder)
    : m_package(package), m_strInstallFolder(std::move(installFolder)), m_strWorkFolder(std::move(workFolder)),
      m_pass{m_library, sink, false, {}, {}} {}

STEP_RESULT CInstallPasses::BackupPass(const StopCheck& isStopRequested) {
    m_folders = GetWriteFolders(m_strInstallFolder, m_strWorkFolder.empty() ? GetTempFolder() : m_strWorkFolder);
    const STEP_RESULT result = ReadEntries(isStopRequested);
    // Whatever ended the reading, every entry read is backed up, as each would have been on its own.
    BackUpEntries();
    if (!result.Succeeded()) {
        if (!result.Stopped()) AddAbortLine(m_pass.sink, result.strText);
        return result;
    }
    MakeBackupsDurable();
    return StepSucceeded();
}

STEP_RESULT CInstallPasses::ReadEntries(const StopCheck& isStopRequested) {
    // An entry comes into being only as it is read: a count larger than the package holds ends at
    // the first entry that is not there, and takes nothing for the rest.
    const DWORD count = m_package.GetEntryCount();
    DWORD offset = PACKAGE_FIRST_ENTRY;
    for (DWORD i = 0; i < count; ++i) {
        if (isStopRequested && isStopRequested()) return StepStopped();
        STORED_ENTRY entry;
        const std::string error = ReadEntry(offset, entry);
        if (!error.empty()) return StepFailed(error);
        const bool bFlushAlways = PlaceCommandList(entry);
        m_steps.Emplace(std::move(entry), bFlushAlways, m_pass);
    }
    return StepSucceeded();
}

void CInstallPasses::BackUpEntries() {
    // Each backup waits on the file system more than it works, and none depends on another: several
    // are made at once. A failed one is a prompt, in package order.
    std::vector<std::string> errors(m_steps.GetCount());
    DoInParallel(errors.size(), [&](size_t i) { errors[i] = m_steps.GetAt(i)->BackUp(m_folders.strWork); });
    for (const std::string& error : errors)
        if (!error.empty()) AddPromptLine(m_pass.sink, error);
}

std::string CInstallPasses::ReadEntry(DWORD& offset, STORED_ENTRY& entry) {
    // A path outside the rule is never resolved, so nothing is made or backed up for it.
    ENTRY_READ_OPTIONS options = BACKUP_READ;
    options.pFolders = &m_folders;
    options.pMadeFolders = &m_madeFolders;
    return ReadPackageEntry(m_package.GetData(), m_package.GetSize(), offset, m_folders.strInstall, options, entry);
}

bool CInstallPasses::PlaceCommandList(STORED_ENTRY& entry) {
    if (!m_strCommandList.empty() || !EqualsNoCase(GetFileNameOf(entry.strDestPath), COMMAND_LIST_FILE)) return false;
    if (!m_strWorkFolder.empty()) entry.strDestPath = m_strWorkFolder + COMMAND_LIST_FILE;
    m_strCommandList = entry.strDestPath;
    return !m_strWorkFolder.empty();
}

void CInstallPasses::MakeBackupsDurable() {
    std::vector<CEntryInstallStep*> copies;
    for (const auto& step : m_steps)
        if (step->HasBackupCopy()) copies.push_back(step.get());
    // A second name needs nothing: its data is the old file's own. Copies are flushed with their
    // volume in one call where the system allows it, otherwise each by itself.
    if (copies.empty() || FlushVolumeOf(m_folders.strWork)) return;
    for (CEntryInstallStep* step : copies) {
        const std::string error = step->FlushBackupCopy();
        if (!error.empty()) AddPromptLine(m_pass.sink, error);
    }
}

STEP_RESULT CInstallPasses::InstallPass(CRollbackList& transaction, const StopCheck& isStopRequested,
                                        const StepEvent& onInstalled, const StepEvent& onUndone,
                                        bool bInflateAhead) {
    // Asked once: where the volume cannot be flushed as a whole, each file is flushed as it is written.
    m_pass.bFlushEachFile = !FlushVolumeOf(m_folders.strInstall);
    m_pass.onInstalled = onInstalled;
    m_pass.onUndone = onUndone;
    std::vector<NEW_FILE> files;
    for (const auto& step : m_steps) {
        files.push_back(step->GetNewFile());
        transaction.Add(*step);
    }
    // Started only now, with the journal's plan naming every file it makes.
    CInflateAhead newFiles(m_library, std::move(files), bInflateAhead);
    m_pass.pNewFiles = &newFiles;
    const STEP_RESULT result = transaction.Do(isStopRequested);
    // After a stop or a failure, the files made ahead of the pass go.
    newFiles.Stop();
    m_pass.pNewFiles = nullptr;
    if (result.Succeeded()) MakeInstalledFilesDurable();
    return result;
}

void CInstallPasses::MakeInstalledFilesDurable() const {
    if (!m_pass.bFlushEachFile) FlushVolumeOf(m_folders.strInstall);
}

ROLLBACK_OUTCOME CInstallPasses::GetRollbackOutcome() const {
    ROLLBACK_OUTCOME outcome = ROLLBACK_WHOLE;
    for (const auto& step : m_steps) {
        if (!step->IsChanged()) continue;
        if (step->GetPlan().bAdded || !step->GetPlan().strBackupPath.empty()) return ROLLBACK_RETRY;
        outcome = ROLLBACK_LOST;
    }
    return outcome;
}

void CInstallPasses::DiscardBackups() const {
    for (const auto& step : m_steps) step->DiscardBackup();
}

DWORD CInstallPasses::GetTotalPackedSize() const {
    DWORD total = 0;
    for (const auto& step : m_steps) total += step->GetPackedSize();
    return total;
}

void CInstallPasses::ExtractLibrary(HMODULE module, const CCompressionLibrary::AfterWrite& afterWrite) {
    m_library.Load(module, m_strWorkFolder, afterWrite);
}

bool CInstallPasses::IsAnyChanged() const {
    for (const auto& step : m_steps)
        if (step->IsChanged()) return true;
    return false;
}

std::vector<ENTRY_PLAN> CInstallPasses::GetPlans() const {
    std::vector<ENTRY_PLAN> plans;
    for (const auto& step : m_steps) plans.push_back(step->GetPlan());
    return plans;
}
