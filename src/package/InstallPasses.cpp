#include "package/InstallPasses.h"

#include "package/InflateAhead.h"
#include "util/FileErrors.h"
#include "util/FileHelpers.h"
#include "util/IniKeys.h"
#include "util/LineSink.h"
#include "util/ParallelWork.h"
#include "util/PathParts.h"
#include "util/PathTokens.h"
#include "util/TextCompare.h"
#include "util/TextFormat.h"

CInstallPasses::CInstallPasses(ISystemCalls& calls, const CUpgradePackage& package, CLineSink& sink,
                               CEntryTable& table, std::string installFolder, std::string workFolder)
    : m_calls(calls), m_package(package), m_sink(sink), m_table(table), m_strInstallFolder(std::move(installFolder)),
      m_strWorkFolder(std::move(workFolder)), m_library(calls) {}

STEP_RESULT CInstallPasses::BackupPass(const StopCheck& isStopRequested) {
    m_folders =
        GetWriteFolders(m_calls, m_strInstallFolder, m_strWorkFolder.empty() ? GetTempFolder() : m_strWorkFolder);
    const STEP_RESULT result = ReadEntries(isStopRequested);
    // Whatever ended the reading, every entry read is backed up, as each would have been on its own.
    BackUpEntries();
    if (!result.Succeeded()) {
        if (!result.Stopped()) AddAbortLine(m_sink, result.strText);
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
        RUN_ENTRY entry;
        const std::string error = ReadEntry(offset, entry.stored);
        // The folders of a path the rule admits are made even when the rest of its entry is damaged.
        if (!entry.stored.strDestPath.empty()) MakeFoldersOf(entry.stored.strDestPath);
        if (!error.empty()) return StepFailed(error);
        entry.bFlushAlways = PlaceCommandList(entry.stored);
        m_table.Add(std::move(entry));
    }
    return StepSucceeded();
}

void CInstallPasses::BackUpEntries() {
    // Each backup waits on the file system more than it works, and none depends on another: several
    // are made at once, where the system calls may come from several threads. A failed one is a
    // prompt, in package order.
    std::vector<std::string> errors(m_table.GetCount());
    const auto backUp = [&](size_t i) { errors[i] = BackUp(i); };
    if (m_calls.AllowsCallsFromManyThreads())
        DoInParallel(errors.size(), backUp);
    else
        for (size_t i = 0; i < errors.size(); ++i) backUp(i);
    for (const std::string& error : errors)
        if (!error.empty()) AddPromptLine(m_sink, error);
}

std::string CInstallPasses::BackUp(size_t index) {
    ENTRY_PLAN& plan = m_table.Plan(index);
    plan.strTempPath = NewScratchName(m_calls, GetFolderOf(plan.strDestPath));
    return BackUpDestination(m_calls, plan, m_folders.strWork, &m_table.Entry(index).bBackupCopied);
}

std::string CInstallPasses::ReadEntry(DWORD& offset, STORED_ENTRY& entry) {
    // A path outside the rule is never resolved, so nothing is made or backed up for it.
    ENTRY_READ_OPTIONS options = BACKUP_READ;
    options.pFolders = &m_folders;
    options.pCalls = &m_calls;
    return ReadPackageEntry(m_package.GetData(), m_package.GetSize(), offset, m_folders.strInstall, options, entry);
}

void CInstallPasses::MakeFoldersOf(const std::string& destPath) {
    // Mostly many entries share a folder: each is made, or found there, once.
    if (m_madeFolders.insert(GetFolderOf(destPath)).second) CreateFolderPath(m_calls, destPath);
}

bool CInstallPasses::PlaceCommandList(STORED_ENTRY& entry) {
    if (!m_strCommandList.empty() || !EqualsNoCase(GetFileNameOf(entry.strDestPath), COMMAND_LIST_FILE)) return false;
    if (!m_strWorkFolder.empty()) entry.strDestPath = m_strWorkFolder + COMMAND_LIST_FILE;
    m_strCommandList = entry.strDestPath;
    return !m_strWorkFolder.empty();
}

void CInstallPasses::MakeBackupsDurable() {
    std::vector<size_t> copies;
    for (size_t i = 0; i < m_table.GetCount(); ++i)
        if (m_table.Entry(i).bBackupCopied) copies.push_back(i);
    // A second name needs nothing: its data is the old file's own. Copies are flushed with their
    // volume in one call where the system allows it, otherwise each by itself.
    if (copies.empty() || FlushVolumeOf(m_calls, m_folders.strWork)) return;
    for (size_t i : copies) {
        const std::string error = FlushBackupCopy(m_calls, m_table.Plan(i));
        if (!error.empty()) AddPromptLine(m_sink, error);
    }
}

STEP_RESULT CInstallPasses::InstallPass(CRollbackList& transaction, const StopCheck& isStopRequested,
                                        const StepEvent& onInstalled, const StepEvent& onUndone,
                                        bool bInflateAhead) {
    // Asked once: where a volume the pass writes on cannot be flushed as a whole, each file is
    // flushed as it is written.
    const bool bFlushEachFile = !FlushVolumesOf(m_calls, GetWrittenFolders());
    std::vector<NEW_FILE> files;
    for (size_t i = 0; i < m_table.GetCount(); ++i) files.push_back(GetNewFileOf(m_table, i, bFlushEachFile));
    m_newFiles = std::make_unique<CInflateAhead>(m_calls, m_library, std::move(files));
    // Whole before the first step is made, and never changed after.
    m_pass.reset(new INSTALL_PASS{m_calls, m_library, m_sink, *m_newFiles, bFlushEachFile, onInstalled, onUndone});
    for (size_t i = 0; i < m_table.GetCount(); ++i) transaction.Add(*m_steps.Emplace(m_table, i, *m_pass));
    // Started only now, with the journal's plan naming every file they make.
    if (bInflateAhead) m_newFiles->StartWorkers();
    const STEP_RESULT result = transaction.Do(isStopRequested);
    // After a stop or a failure, the files made ahead of the pass go.
    m_newFiles->Stop();
    if (!result.Succeeded()) return result;
    // Every new file, and every name it took, on the disk before the journal says they are in place.
    const DWORD error = MakeFoldersDurable(m_calls, GetWrittenFolders());
    if (error == ERROR_SUCCESS) return result;
    AddAbortLine(m_sink, FormatText("Make the installed files durable failed because of %s", GetSystemErrorText(error).c_str()));
    return StepFailed(GetSystemErrorText(error));
}

std::vector<std::string> CInstallPasses::GetWrittenFolders() const {
    std::vector<std::string> folders{m_folders.strWork};
    for (size_t i = 0; i < m_table.GetCount(); ++i) folders.push_back(GetFolderOf(m_table.Plan(i).strDestPath));
    return folders;
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
    // An entry the install pass never reached still has its old file, and its backup.
    for (size_t i = 0; i < m_table.GetCount(); ++i) {
        const bool bReplaced = i < m_steps.GetCount() && m_steps.GetAt(i)->IsReplaced();
        DiscardBackup(m_calls, m_table.GetPlans()[i], !bReplaced);
        if (m_table.Entry(i).bScratchLeft) DeleteScratchFile(m_calls, m_table.GetPlans()[i].strTempPath);
    }
}

DWORD CInstallPasses::GetTotalPackedSize() const {
    DWORD total = 0;
    for (size_t i = 0; i < m_table.GetCount(); ++i) {
        const STORED_ENTRY& stored = m_table.Entry(i).stored;
        total += 16 + static_cast<DWORD>(stored.strRelativePath.size()) + stored.dwCompressedLength;
    }
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
