// Times the upgrader's first and second pass over a package against an existing installation,
// exactly as the upgrade run drives them, and samples its private memory meanwhile. The passes'
// lines go through the run's record, as in a run, and writing that record to the upgrade log is
// timed apart.
// Usage: bench_upgrade.exe <package file> <installation folder\> <temporary folder\>
#include <cstdio>
#include <memory>
#include <vector>

#include "BenchSupport.h"
#include "framework/ScopedHandles.h"
#include "os/CountingCalls.h"
#include "package/CompressionLibrary.h"
#include "package/InstallPasses.h"
#include "util/LineSink.h"
#include "upgrade/RunLogRecord.h"
#include "upgrade/UpgradeJournal.h"
#include "upgrade/UpgradeLog.h"
#include "util/FileHelpers.h"
#include "util/PathTokens.h"

namespace {

// Keeps no lines; counts them, and the ones that say something failed.
class CCountingSink : public CLineSink {
public:
    int m_nFailures = 0;
    size_t m_nLines = 0;

protected:
    int AppendLine(int nKind, const char* text) override {
        ++m_nLines;
        if (nKind != LINE_INFO) {
            ++m_nFailures;
            std::fprintf(stderr, "%s\n", text);
        }
        return 0;
    }
};

// Two fixed costs of the passes, timed on their own after the run: loading and unloading the
// library once per entry, and making two scratch files per entry.
double TimeLibraryLoads(DWORD entries) {
    // A copy of the library the run binds, so that each load below really loads it.
    std::string library = NewTempFile(BenchCalls());
    {
        CCompressionLibrary bound(BenchCalls());
        if (!bound.Load(nullptr, GetTempFolder()) || !::CopyFileA(bound.GetPath().c_str(), library.c_str(), FALSE)) {
            DeleteScratchFile(BenchCalls(), library);
            library.clear();
        }
    }
    CStopwatch watch;
    for (DWORD i = 0; i < entries; ++i) {
        CScopedLibrary module(::LoadLibraryA(library.c_str()));
        for (const char* name : {"gzopen", "gzread", "gzclose"}) ::GetProcAddress(module.Get(), name);
    }
    const double ms = watch.Lap();
    DeleteScratchFile(BenchCalls(), library);
    return ms;
}

// What the journal costs on its own, written as the run writes it in the same installation: the
// plan before the install pass, and its phase once after it.
double TimeJournal(ISystemCalls& calls, const std::string& installFolder, const std::string& workFolder,
                   const std::vector<ENTRY_PLAN>& plans) {
    CUpgradeJournal journal(calls);
    CStopwatch watch;
    journal.WritePlan(installFolder, workFolder, "", "0.0.6.7", plans);
    journal.SetPhase(JOURNAL_COMMANDS, plans);
    const double ms = watch.Lap();
    journal.Delete(plans);
    return ms;
}

// What the upgrade log costs at the end of a run: the record appended to a new log, and appended
// to a log at its limit, which is then rewritten without its oldest records.
struct LOG_TIMES {
    double appendMs;
    double rewriteMs;
    size_t recordBytes;
};
LOG_TIMES TimeUpgradeLog(const CRunLogRecord& record, const std::string& installFolder) {
    const char outcome[] = "result code 0";
    const std::string log = GetUpgradeLogPath(installFolder);
    ::DeleteFileA(log.c_str());
    CStopwatch watch;
    record.WriteToLog(BenchCalls(), installFolder, outcome);
    const double appendMs = watch.Lap();
    const std::string text = record.Format(outcome);
    std::string full;
    while (full.size() + text.size() <= UPGRADE_LOG_LIMIT) full += text;
    DWORD error = 0;
    ReplaceFileDurably(BenchCalls(), log, full, &error);
    watch.Lap();
    record.WriteToLog(BenchCalls(), installFolder, outcome);
    const double rewriteMs = watch.Lap();
    ::DeleteFileA(log.c_str());
    return {appendMs, rewriteMs, text.size()};
}

double TimeScratchFiles(DWORD entries) {
    std::vector<std::string> files;
    CStopwatch watch;
    for (DWORD i = 0; i < 2 * entries; ++i) files.push_back(NewTempFile(BenchCalls()));
    const double ms = watch.Lap();
    for (const std::string& file : files) DeleteScratchFile(BenchCalls(), file);
    return ms;
}

// The calls a phase made per entry: a count of the layer's, which no machine changes.
class CCallsPerEntry {
public:
    CCallsPerEntry(const CCountingCalls& calls, DWORD entries) : m_calls(calls), m_entries(entries ? entries : 1) {}
    double Lap() {
        const size_t now = m_calls.CountCalls();
        const double perEntry = double(now - m_last) / m_entries;
        m_last = now;
        return perEntry;
    }

private:
    const CCountingCalls& m_calls;
    const DWORD m_entries;
    size_t m_last = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_upgrade <package file> <installation folder\\> <temporary folder\\>\n");
        return 2;
    }
    UseTempFolder(argv[3]);
    CUpgradePackage package;
    if (!LoadPackage(BenchCalls(), package, argv[1]).empty()) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    CCountingSink counting;
    CRunLogRecord sink(counting, RUN_UPGRADE, true, "0.0.6.7");
    CMemorySampler memory;
    CStopwatch watch;
    const DWORD entries = package.GetEntryCount();
    CEntryTable table;
    CCountingCalls counted(BenchCalls());
    CCallsPerEntry calls(counted, entries);
    auto items = std::make_unique<CInstallPasses>(counted, package, sink, table, argv[2]);
    auto steps = std::make_unique<CRollbackList>();
    items->BackupPass({});
    const double backupMs = watch.Lap();
    const double backupCalls = calls.Lap();
    items->ExtractLibrary();
    items->InstallPass(*steps, {});
    const double installMs = watch.Lap();
    const double installCalls = calls.Lap();
    const double journalMs = TimeJournal(counted, argv[2], argv[3], table.GetPlans());
    const double journalCalls = calls.Lap() * entries;
    watch.Lap();
    steps.reset();
    items->DiscardBackups();
    items.reset();
    const double cleanupMs = watch.Lap();
    const double endCalls = calls.Lap();
    const double loadsMs = TimeLibraryLoads(entries);
    const double scratchMs = TimeScratchFiles(entries);
    const LOG_TIMES logTimes = TimeUpgradeLog(sink, argv[2]);

    std::printf("upgrade passes_ms=%.1f backup_ms=%.1f install_ms=%.1f cleanup_ms=%.1f loads_ms=%.1f "
                "scratch_ms=%.1f journal_ms=%.1f log_ms=%.2f log_rewrite_ms=%.2f log_lines=%zu log_bytes=%zu "
                "package=%lu start_private=%zu peak_private=%zu peak_working_set=%zu failures=%d "
                "calls_backup=%.2f calls_install=%.2f calls_end=%.2f calls_journal=%.0f flushes=%zu\n",
                backupMs + installMs, backupMs, installMs, cleanupMs, loadsMs, scratchMs, journalMs, logTimes.appendMs,
                logTimes.rewriteMs, counting.m_nLines, logTimes.recordBytes, package.GetSize(), memory.GetStartPrivate(),
                memory.GetPeakPrivate(), CMemorySampler::GetPeakWorkingSet(), counting.m_nFailures, backupCalls,
                installCalls, endCalls, journalCalls, counted.CountCalls(CALL_FLUSH));
    return counting.m_nFailures == 0 ? 0 : 1;
}
