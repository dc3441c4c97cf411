// Times the upgrader's first and second pass over a package against an existing installation,
// exactly as the upgrade run drives them, and samples its private memory meanwhile.
// Usage: bench_upgrade.exe <package file> <installation folder\> <temporary folder\>
#include <cstdio>
#include <memory>
#include <vector>

#include "BenchSupport.h"
#include "framework/ScopedHandles.h"
#include "package/CompressionLibrary.h"
#include "package/EntryItemList.h"
#include "package/ScratchFile.h"
#include "util/LineSink.h"
#include "upgrade/UpgradeJournal.h"
#include "util/PathTokens.h"

namespace {

// Keeps no lines; only counts the ones that say something failed.
class CCountingSink : public CLineSink {
public:
    int m_nFailures = 0;

protected:
    int AppendLine(int nKind, const char* text) override {
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
    const std::string library = ExtractCompressionLibrary();
    CStopwatch watch;
    for (DWORD i = 0; i < entries; ++i) {
        CScopedLibrary module(::LoadLibraryA(library.c_str()));
        for (const char* name : {"gzopen", "gzread", "gzclose"}) ::GetProcAddress(module.Get(), name);
    }
    const double ms = watch.Lap();
    DeleteScratchFile(library);
    return ms;
}

// What the install pass's journal costs on its own, written as the run writes it in the same
// installation: whole before the pass, before every entry (with the one before it complete), and
// once after the pass.
double TimeJournal(const std::string& installFolder, const std::string& workFolder,
                   const COwningList<CEntryItem>& items) {
    CUpgradeJournal journal;
    CStopwatch watch;
    journal.Begin(installFolder, workFolder, items);
    for (size_t i = 0; i < items.GetCount(); ++i) {
        if (i > 0) journal.Records()[i - 1].state = JOURNAL_INSTALLED;
        journal.SetState(i, JOURNAL_INSTALLING);
    }
    journal.Write();
    const double ms = watch.Lap();
    journal.Delete();
    return ms;
}

double TimeScratchFiles(DWORD entries) {
    std::vector<std::string> files;
    CStopwatch watch;
    for (DWORD i = 0; i < 2 * entries; ++i) files.push_back(NewTempFile());
    const double ms = watch.Lap();
    for (const std::string& file : files) DeleteScratchFile(file);
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_upgrade <package file> <installation folder\\> <temporary folder\\>\n");
        return 2;
    }
    UseTempFolder(argv[3]);
    CUpgradePackage package;
    if (!ReadPackageFile(argv[1], package)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    CCountingSink sink;
    CMemorySampler memory;
    CStopwatch watch;
    const DWORD entries = package.GetEntryCount();
    auto items = std::make_unique<CEntryItemList>(package, argv[2]);
    items->Prepare(sink);
    const double backupMs = watch.Lap();
    items->ExtractLibrary();
    items->Do(sink);
    const double installMs = watch.Lap();
    const double journalMs = TimeJournal(argv[2], argv[3], items->GetItems());
    watch.Lap();
    items.reset();
    const double cleanupMs = watch.Lap();
    const double loadsMs = TimeLibraryLoads(entries);
    const double scratchMs = TimeScratchFiles(entries);

    std::printf("upgrade passes_ms=%.1f backup_ms=%.1f install_ms=%.1f cleanup_ms=%.1f loads_ms=%.1f "
                "scratch_ms=%.1f journal_ms=%.1f package=%lu start_private=%zu peak_private=%zu peak_working_set=%zu "
                "failures=%d\n",
                backupMs + installMs, backupMs, installMs, cleanupMs, loadsMs, scratchMs, journalMs, package.m_dwSize,
                memory.GetStartPrivate(),
                memory.GetPeakPrivate(), CMemorySampler::GetPeakWorkingSet(), sink.m_nFailures);
    return sink.m_nFailures == 0 ? 0 : 1;
}
