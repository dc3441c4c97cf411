#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "package/InstallPasses.h"
#include "package/UpgradePackage.h"
#include "support/TestCalls.h"
#include "support/PackageWriter.h"
#include "support/RecordingSink.h"
#include "support/ScratchFolder.h"
#include "support/TestGzip.h"

enum PASSES_OUTCOME { PASSES_INSTALLED, PASSES_BACKUP_FAILED, PASSES_INSTALL_FAILED, PASSES_STOPPED };

// An installation folder and a private temporary folder, a package to install into it, the
// entry list that works it, and the lines the passes report.
class InstallFixture : public ::testing::Test {
protected:
    explicit InstallFixture(const std::string& root = std::string()) : m_scratch(root) {
        m_strInstall = m_scratch.Path() + "Quorindo\\";
        ::CreateDirectoryA(m_strInstall.c_str(), nullptr);
        m_items = std::make_unique<CInstallPasses>(TestCalls(), m_package, m_sink, m_table, m_strInstall);
    }

    void Load(const CPackageWriter& writer) { m_package = CUpgradePackage(writer.Bytes()); }

    // The list's passes as the upgrade run makes them: backups, the library (of the test program
    // by default), installs, the rollback of a failed or stopped install pass (without the walk's
    // first and last lines, which are the run's), and the end that discards the backups.
    STEP_RESULT RunBackupPass(const CRollbackList::StopCheck& isStopRequested = {}) {
        return m_items->BackupPass(isStopRequested);
    }
    STEP_RESULT RunInstallPass(const CRollbackList::StopCheck& isStopRequested = {}, HMODULE library = nullptr) {
        m_items->ExtractLibrary(library);
        return m_items->InstallPass(m_steps, isStopRequested);
    }
    ROLLBACK_OUTCOME Rollback() {
        m_steps.Undo();
        return m_items->GetRollbackOutcome();
    }
    void EndRun() {
        m_steps = CRollbackList();
        m_items->DiscardBackups();
        m_items.reset();
    }
    PASSES_OUTCOME RunPasses(const CRollbackList::StopCheck& isStopRequested = {}) {
        const STEP_RESULT backup = RunBackupPass(isStopRequested);
        if (!backup.Succeeded()) return backup.Stopped() ? PASSES_STOPPED : PASSES_BACKUP_FAILED;
        const STEP_RESULT install = RunInstallPass(isStopRequested);
        if (install.Succeeded()) return PASSES_INSTALLED;
        Rollback();
        return install.Stopped() ? PASSES_STOPPED : PASSES_INSTALL_FAILED;
    }
    const CEntryInstallStep& Item(size_t index) const { return *m_items->GetSteps().GetAt(index); }
    const ENTRY_PLAN& Plan(size_t index) const { return m_table.GetPlans()[index]; }

    std::string Dest(const std::string& name) const { return m_strInstall + name; }
    size_t ScratchFileCount() const { return ListFiles(m_scratch.Temp(), "JVR*.tmp").size(); }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& line : m_sink.lines) texts.push_back(line.text);
        return texts;
    }
    std::vector<int> Kinds() const {
        std::vector<int> kinds;
        for (const auto& line : m_sink.lines) kinds.push_back(line.nKind);
        return kinds;
    }

    CScratchFolder m_scratch;
    std::string m_strInstall;
    CUpgradePackage m_package;
    CRecordingSink m_sink;
    CEntryTable m_table;
    std::unique_ptr<CInstallPasses> m_items;
    CRollbackList m_steps;
};

// An entry whose gzip member is damaged inside its deflate stream.
inline TEST_ENTRY DamagedEntry(const std::string& path, const std::string& content) {
    TEST_ENTRY entry;
    entry.strPath = path;
    entry.data = GzipBytes(content);
    for (size_t i = 12; i < 40 && i < entry.data.size(); ++i) entry.data[i] ^= 0xA5;
    return entry;
}

// Content long enough to need many transfers, different for every seed.
inline std::string SampleContent(int seed, size_t size = 5000) {
    std::string content;
    unsigned value = static_cast<unsigned>(seed) * 2654435761u + 1;
    while (content.size() < size) {
        value = value * 1103515245u + 12345u;
        content += (value >> 16) % 3 ? static_cast<char>('a' + (value >> 8) % 26) : static_cast<char>(value >> 24);
    }
    return content;
}
