#include "package/EntryItemList.h"

#include "package/StageLines.h"
#include "util/IniKeys.h"
#include "util/LineSink.h"
#include "util/PathParts.h"
#include "util/TextCompare.h"

namespace {

bool StopSeen(const CEntryItemList::StopCheck& isStopRequested) { return isStopRequested && isStopRequested(); }

}  // namespace

CEntryItemList::CEntryItemList(CUpgradePackage& package, std::string installFolder, std::string workFolder)
    : m_package(package), m_strInstallFolder(std::move(installFolder)), m_strWorkFolder(std::move(workFolder)) {}

// Each item deletes its backup and its temporary file; the library goes with its member.
CEntryItemList::~CEntryItemList() { m_items.RemoveAll(); }

PASS_RESULT CEntryItemList::Prepare(CLineSink& sink, const StopCheck& isStopRequested) {
    m_package.m_dwCursor = PACKAGE_FIRST_ENTRY;
    const DWORD count = m_package.GetEntryCount();
    for (DWORD i = 0; i < count; ++i) {
        if (StopSeen(isStopRequested)) return PASS_STOPPED;
        // The item joins the list before it is used, so the list deletes its files in any case.
        CEntryItem& item = *m_items.Emplace();
        std::string error = item.ReadEntry(m_package.m_pBuffer.get(), m_package.m_dwSize, m_package.m_dwCursor,
                                           m_strInstallFolder);
        if (!error.empty()) {
            AddAbortLine(sink, error);
            return PASS_FAILED;
        }
        PlaceCommandList(item);
        error = item.BackUp(m_strWorkFolder);
        if (!error.empty()) AddPromptLine(sink, error);
    }
    return PASS_DONE;
}

void CEntryItemList::PlaceCommandList(CEntryItem& item) {
    if (m_bCommandListPlaced || m_strWorkFolder.empty()) return;
    if (!EqualsNoCase(GetFileNameOf(item.m_strDestPath), COMMAND_LIST_FILE)) return;
    item.m_strDestPath = m_strWorkFolder + COMMAND_LIST_FILE;
    m_bCommandListPlaced = true;
}

DWORD CEntryItemList::GetTotalPackedSize() const {
    DWORD total = 0;
    for (const auto& item : m_items) total += item->GetPackedSize();
    return total;
}

void CEntryItemList::ExtractLibrary(HMODULE module) { m_library.Load(module, m_strWorkFolder); }

PASS_RESULT CEntryItemList::Do(CLineSink& sink, const StopCheck& isStopRequested, const ItemEvent& onDone,
                               const ItemGate& beforeItem) {
    m_package.m_dwCursor = PACKAGE_FIRST_ENTRY;
    m_nTouched = 0;
    for (size_t i = 0; i < m_items.GetCount(); ++i) {
        if (StopSeen(isStopRequested)) return PASS_STOPPED;
        CEntryItem& item = *m_items.GetAt(i);
        if (beforeItem && !beforeItem(i, item)) return PASS_FAILED;
        const ENTRY_OUTCOME outcome = item.Do(m_package, m_strInstallFolder, m_library, sink);
        if (outcome == ENTRY_FAILED) {
            // Only a destination the failed install had changed is walked back too.
            if (item.m_bDestChanged) m_nTouched = i + 1;
            return PASS_FAILED;
        }
        m_nTouched = i + 1;
        if (onDone) onDone(item);
    }
    return PASS_DONE;
}

void CEntryItemList::Rollback(CLineSink& sink, const ItemEvent& onWalked) {
    if (m_nTouched == 0) return;
    sink.AddLine(LINE_INFO, "Because of some error when upgrading, now will restore to the previous version");
    for (size_t i = m_nTouched; i-- > 0;) {
        const CEntryItem& item = *m_items.GetAt(i);
        if (item.NeedsUndo()) item.Undo(sink);
        if (onWalked) onWalked(item);
    }
    sink.AddLine(LINE_INFO, "Restore over!");
}
