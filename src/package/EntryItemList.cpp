#include "package/EntryItemList.h"

#include "package/CompressionLibrary.h"
#include "package/ScratchFile.h"
#include "util/LineSink.h"

namespace {

bool StopSeen(const CEntryItemList::StopCheck& isStopRequested) { return isStopRequested && isStopRequested(); }

}  // namespace

CEntryItemList::CEntryItemList(CUpgradePackage& package, std::string installFolder)
    : m_package(package), m_strInstallFolder(std::move(installFolder)) {}

CEntryItemList::~CEntryItemList() {
    DeleteScratchFile(m_strLibraryPath);
    m_items.RemoveAll();  // each item deletes its backup and its temporary file
}

PASS_RESULT CEntryItemList::Prepare(CLineSink& sink, const StopCheck& isStopRequested) {
    m_package.m_dwCursor = PACKAGE_FIRST_ENTRY;
    const DWORD count = m_package.GetEntryCount();
    for (DWORD i = 0; i < count; ++i) {
        if (StopSeen(isStopRequested)) return PASS_STOPPED;
        // The item joins the list before it is used, so the list deletes its files in any case.
        if (m_items.Emplace()->Prepare(m_package, m_strInstallFolder, sink) == ENTRY_FAILED) return PASS_FAILED;
    }
    return PASS_DONE;
}

DWORD CEntryItemList::GetTotalPackedSize() const {
    DWORD total = 0;
    for (const auto& item : m_items) total += item->GetPackedSize();
    return total;
}

void CEntryItemList::ExtractLibrary(HMODULE module) {
    DeleteScratchFile(m_strLibraryPath);
    m_strLibraryPath = ExtractCompressionLibrary(module);
}

PASS_RESULT CEntryItemList::Do(CLineSink& sink, const StopCheck& isStopRequested, const ItemEvent& onDone) {
    m_package.m_dwCursor = PACKAGE_FIRST_ENTRY;
    m_nTouched = 0;
    for (size_t i = 0; i < m_items.GetCount(); ++i) {
        if (StopSeen(isStopRequested)) return PASS_STOPPED;
        CEntryItem& item = *m_items.GetAt(i);
        const ENTRY_OUTCOME outcome = item.Do(m_package, m_strInstallFolder, m_strLibraryPath, sink);
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
