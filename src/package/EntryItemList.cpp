#include "package/EntryItemList.h"

#include "framework/ScopedHandles.h"
#include "package/StageLines.h"
#include "util/FileHelpers.h"
#include "util/IniKeys.h"
#include "util/LineSink.h"
#include "util/PathParts.h"
#include "util/PathTokens.h"
#include "util/TextCompare.h"

CEntryItemList::CEntryItemList(const CUpgradePackage& package, std::string installFolder, std::string workFolder)
    : m_package(package), m_reader(package), m_strInstallFolder(std::move(installFolder)),
      m_strWorkFolder(std::move(workFolder)) {}

// Each item deletes its backup and its temporary file; the library goes with its member.
CEntryItemList::~CEntryItemList() { m_items.RemoveAll(); }

STEP_RESULT CEntryItemList::BackupPass(CRollbackList& steps, CLineSink& sink, const StopCheck& isStopRequested) {
    m_folders = GetWriteFolders(m_strInstallFolder, m_strWorkFolder.empty() ? GetTempFolder() : m_strWorkFolder);
    // An item comes into being only as its entry is read: a count larger than the package holds
    // ends at the first entry that is not there, and takes nothing for the rest.
    const DWORD count = m_package.GetEntryCount();
    for (DWORD i = 0; i < count; ++i) {
        // The item joins the list before it is used, so the list deletes its files in any case.
        CEntryItem& item = *m_items.Emplace();
        steps.Add(std::make_unique<CEntryBackupStep>(item, m_reader, m_folders, sink,
                                                     [this](CEntryItem& entry) { PlaceCommandList(entry); }));
        const STEP_RESULT result = steps.Do(isStopRequested);
        if (!result.Succeeded()) return result;
    }
    MakeBackupsDurable(m_folders.strWork, sink);
    return StepSucceeded();
}

void CEntryItemList::MakeBackupsDurable(const std::string& folder, CLineSink& sink) {
    std::vector<CEntryItem*> copies;
    for (const auto& item : m_items)
        if (item->HasBackupCopy()) copies.push_back(item.get());
    // A second name needs nothing: its data is the old file's own. Copies are flushed with their
    // volume in one call where the system allows it, otherwise each by itself.
    if (copies.empty() || FlushVolumeOf(folder)) return;
    for (CEntryItem* item : copies) {
        const std::string error = item->FlushBackupCopy();
        if (!error.empty()) AddPromptLine(sink, error);
    }
}

STEP_RESULT CEntryItemList::InstallPass(CRollbackList& steps, CLineSink& sink, const StopCheck& isStopRequested,
                                        const ItemEvent& onInstalled, const ItemEvent& onUndone) {
    AddInstallSteps(steps, sink, onInstalled, onUndone);
    const STEP_RESULT result = steps.Do(isStopRequested);
    if (result.Succeeded()) MakeInstalledFilesDurable();
    return result;
}

void CEntryItemList::PlaceCommandList(CEntryItem& item) {
    if (!m_strCommandList.empty() || !EqualsNoCase(GetFileNameOf(item.GetDestPath()), COMMAND_LIST_FILE)) return;
    if (!m_strWorkFolder.empty()) CEntryBackupStep::PlaceInWorkFolder(item, m_strWorkFolder + COMMAND_LIST_FILE);
    m_strCommandList = item.GetDestPath();
}

void CEntryItemList::AddInstallSteps(CRollbackList& steps, CLineSink& sink, const ItemEvent& onInstalled,
                                     const ItemEvent& onUndone) {
    // Asked once: where the volume cannot be flushed as a whole, each file is flushed as it is written.
    m_options.bFlushEachFile = !FlushVolumeOf(m_strInstallFolder);
    for (const auto& item : m_items)
        steps.Add(std::make_unique<CEntryInstallStep>(*item, m_library, m_options, sink, onInstalled, onUndone));
}

void CEntryItemList::MakeInstalledFilesDurable() const {
    if (!m_options.bFlushEachFile) FlushVolumeOf(m_strInstallFolder);
}

DWORD CEntryItemList::GetTotalPackedSize() const {
    DWORD total = 0;
    for (const auto& item : m_items) total += item->GetPackedSize();
    return total;
}

void CEntryItemList::ExtractLibrary(HMODULE module, const CCompressionLibrary::AfterWrite& afterWrite) {
    m_library.Load(module, m_strWorkFolder, afterWrite);
}

ROLLBACK_OUTCOME CEntryItemList::Rollback(CRollbackList& steps, CLineSink& sink) const {
    const bool bWalk = IsAnyChanged();
    if (bWalk) sink.AddLine(LINE_INFO, "%s", RESTORE_START_TEXT);
    steps.Undo();
    if (bWalk) sink.AddLine(LINE_INFO, "%s", RESTORE_OVER_TEXT);
    ROLLBACK_OUTCOME outcome = ROLLBACK_WHOLE;
    for (const auto& item : m_items) {
        if (!item->IsChanged()) continue;
        if (item->GetPlan().bAdded || !item->GetPlan().strBackupPath.empty()) return ROLLBACK_RETRY;
        outcome = ROLLBACK_LOST;
    }
    return outcome;
}

void CEntryItemList::KeepBackups() {
    for (const auto& item : m_items) item->KeepBackup();
}

bool CEntryItemList::IsAnyChanged() const {
    for (const auto& item : m_items)
        if (item->IsChanged()) return true;
    return false;
}

std::vector<ENTRY_PLAN> CEntryItemList::GetPlans() const {
    std::vector<ENTRY_PLAN> plans;
    for (const auto& item : m_items) plans.push_back(item->GetPlan());
    return plans;
}
