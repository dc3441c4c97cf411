#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "package/EntryItemList.h"
#include "package/UpgradePackage.h"
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
        m_items = std::make_unique<CEntryItemList>(m_package, m_strInstall);
    }

    void Load(const CPackageWriter& writer) {
        const std::vector<BYTE> bytes = writer.Bytes();
        m_package.m_pBuffer = std::make_unique<BYTE[]>(bytes.size());
        std::copy(bytes.begin(), bytes.end(), m_package.m_pBuffer.get());
        m_package.m_dwSize = static_cast<DWORD>(bytes.size());
        m_package.m_dwCursor = 0;
    }

    // Both passes and, after a failed or stopped second pass, the rollback: the calls the upgrade
    // run makes of the list.
    PASSES_OUTCOME RunPasses(const CEntryItemList::StopCheck& isStopRequested = {}) {
        const PASS_RESULT backup = m_items->Prepare(m_sink, isStopRequested);
        if (backup != PASS_DONE) return backup == PASS_FAILED ? PASSES_BACKUP_FAILED : PASSES_STOPPED;
        m_items->ExtractLibrary();
        const PASS_RESULT install = m_items->Do(m_sink, isStopRequested);
        if (install == PASS_DONE) return PASSES_INSTALLED;
        m_items->Rollback(m_sink);
        return install == PASS_FAILED ? PASSES_INSTALL_FAILED : PASSES_STOPPED;
    }
    const CEntryItem& Item(size_t index) const { return *m_items->GetItems().GetAt(index); }

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
    // Reset at the end of a run: the list's scratch files go with it.
    std::unique_ptr<CEntryItemList> m_items;
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
