#include "package/EntryPasses.h"

namespace {

bool StopSeen(const std::function<bool()>& isStopRequested) { return isStopRequested && isStopRequested(); }

}  // namespace

PASSES_RESULT RunEntryPasses(CEntryPasses& passes, CLineSink& sink, const std::function<bool()>& isStopRequested) {
    const DWORD count = passes.GetEntryCount();
    passes.BeginBackupPass();
    for (DWORD i = 0; i < count; ++i) {
        if (StopSeen(isStopRequested)) return PASSES_STOPPED;
        if (passes.BackupNextEntry(sink) == ENTRY_FAILED) return PASSES_BACKUP_FAILED;
    }
    passes.ExtractLibrary();

    passes.BeginInstallPass();
    PASSES_RESULT result = PASSES_INSTALLED;
    for (size_t i = 0; i < passes.GetRecordCount() && result == PASSES_INSTALLED; ++i) {
        if (StopSeen(isStopRequested)) {
            result = PASSES_STOPPED;
        } else if (passes.InstallEntry(i, sink) == ENTRY_FAILED) {
            result = PASSES_INSTALL_FAILED;
        }
    }
    if (result == PASSES_INSTALL_FAILED || (result == PASSES_STOPPED && passes.HasInstalledRecord())) {
        passes.Restore(sink);
    }
    return result;
}
