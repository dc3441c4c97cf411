#include <gtest/gtest.h>
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/ChildProcess.h"
#include "support/SampleProduct.h"
#include "support/ScratchFolder.h"
#include "system/ProcessEnd.h"
#include "system/ProcessList.h"
#include "system/ProcessScanner.h"
#include "system/StatusLibrary.h"
#include "util/TextCompare.h"

namespace {

// Runs copies of the sample programs under names and in folders of the test's choosing.
class ProcessWalkTest : public ::testing::Test {
protected:
    std::string PlaceProgram(const std::string& sampleFile, const std::string& relative) {
        const std::string path = m_scratch.Path() + relative;
        const size_t slash = relative.rfind('\\');
        if (slash != std::string::npos)
            ::CreateDirectoryA((m_scratch.Path() + relative.substr(0, slash)).c_str(), nullptr);
        EXPECT_TRUE(::CopyFileA((GetSampleVersionFolder("0.0.6.5") + sampleFile).c_str(), path.c_str(), FALSE)) << path;
        return path;
    }

    CChildProcess& Run(const std::string& path) {
        m_programs.push_back(std::make_unique<CChildProcess>());
        EXPECT_TRUE(m_programs.back()->Start(path)) << path;
        return *m_programs.back();
    }

    // Ends the programs before the folder they run from is deleted.
    void TearDown() override { m_programs.clear(); }

    CScratchFolder m_scratch;
    std::vector<std::unique_ptr<CChildProcess>> m_programs;
};

// How often the list holds a process, and the first such entry.
std::pair<int, const CProcessInfo*> FindIn(const CProcessList& list, DWORD id) {
    int count = 0;
    const CProcessInfo* found = nullptr;
    for (size_t i = 0; i < list.GetCount(); ++i) {
        if (list.GetAt(i)->GetProcessId() != id) continue;
        if (count++ == 0) found = list.GetAt(i);
    }
    return {count, found};
}

bool HasModule(const CProcessInfo& process, const std::string& name) {
    const COwningList<CModuleInfo>* modules = process.GetModules();
    for (size_t i = 0; modules && i < modules->GetCount(); ++i)
        if (EqualsNoCase(modules->GetAt(i)->GetName(), name)) return true;
    return false;
}

TEST_F(ProcessWalkTest, ProductRunsWhileItsMainProgramRunsFromAnyFolder) {
    EXPECT_FALSE(IsProductRunning());
    CChildProcess& elsewhere = Run(PlaceProgram("Quorindo.exe", "Somewhere Else\\QUORINDO.EXE"));
    EXPECT_TRUE(IsProductRunning());
    elsewhere.End();
    EXPECT_FALSE(IsProductRunning());

    Run(PlaceProgram("Quorindo.exe", "Quorindo.exe.bak"));
    Run(PlaceProgram("Quorindo.exe", "MyQuorindo.exe"));
    EXPECT_FALSE(IsProductRunning());
}

// Every instance, by its file name whatever its case and folder; ending them ends all of them.
TEST_F(ProcessWalkTest, EveryInstanceIsFoundByItsFileNameAndEnded) {
    EXPECT_TRUE(FindProcessIds("QxChannel.exe").empty());
    const DWORD first = Run(PlaceProgram("QxChannel.exe", "Tools\\QXCHANNEL.EXE")).GetId();
    CChildProcess& second = Run(PlaceProgram("QxChannel.exe", "QxChannel.exe"));
    for (const char* name : {"QxChannel.exe", "D:\\Elsewhere\\qxchannel.exe"}) {
        std::vector<DWORD> ids = FindProcessIds(name);
        std::sort(ids.begin(), ids.end());
        EXPECT_EQ(ids, (std::vector<DWORD>{std::min(first, second.GetId()), std::max(first, second.GetId())})) << name;
    }
    EXPECT_TRUE(FindProcessIds("QxChannel").empty());

    EXPECT_EQ(EndProcesses(FindProcessIds("QxChannel.exe"), 7, 10000), static_cast<DWORD>(ERROR_SUCCESS));
    DWORD exitCode = 0;
    EXPECT_TRUE(second.Wait(0, &exitCode));
    EXPECT_EQ(exitCode, 7u);
    EXPECT_TRUE(FindProcessIds("QxChannel.exe").empty());
}

TEST_F(ProcessWalkTest, BothEnumeratorsListARunningProgramOnceWithItsModules) {
    const std::string path = PlaceProgram("QxChannel.exe", "Channel\\QxChannel.exe");
    const DWORD channel = Run(path).GetId();
    for (auto choice : {CProcessList::ENUMERATOR_STATUS_LIBRARY, CProcessList::ENUMERATOR_SNAPSHOT}) {
        SCOPED_TRACE(choice);
        CProcessList list(choice);
        ASSERT_TRUE(list.HasEnumerator());
        ASSERT_TRUE(list.Refresh(false));
        ASSERT_TRUE(list.Refresh(true));  // a second walk replaces the first
        auto [count, process] = FindIn(list, channel);
        ASSERT_EQ(count, 1);
        EXPECT_TRUE(EqualsNoCase(process->GetName(), "QxChannel.exe")) << process->GetPath();
        if (choice == CProcessList::ENUMERATOR_STATUS_LIBRARY) {
            EXPECT_TRUE(EqualsNoCase(process->GetPath(), path)) << process->GetPath();
            EXPECT_NE(process->GetModule(), 0u);
        }
        EXPECT_TRUE(HasModule(*process, "kernel32.dll"));
        EXPECT_FALSE(HasModule(*process, "QxChannel.exe"));
        EXPECT_EQ(list.GetAt(list.GetCount()), nullptr);
    }
}

TEST_F(ProcessWalkTest, WithoutAnEnumeratorTheListStaysEmpty) {
    CProcessList list(CProcessList::ENUMERATOR_NONE);
    EXPECT_FALSE(list.HasEnumerator());
    EXPECT_FALSE(list.Refresh(false));
    EXPECT_EQ(list.GetCount(), 0u);
    EXPECT_EQ(list.GetAt(0), nullptr);
    EXPECT_TRUE(CProcessList().HasEnumerator());
}

// The walk of the oldest systems, chosen here whatever the system's version, reporting what it sees.
class CRecordingScan : public CProcessScanner {
public:
    explicit CRecordingScan(size_t stopAfter = SIZE_MAX) : CProcessScanner(true), m_nStopAfter(stopAfter) {}
    bool OnProcess(const std::string& imageName, DWORD processId) override {
        m_seen.emplace_back(imageName, processId);
        return m_seen.size() < m_nStopAfter;
    }
    size_t m_nStopAfter;
    std::vector<std::pair<std::string, DWORD>> m_seen;
};

TEST_F(ProcessWalkTest, StatusLibraryScanReportsFullPathsAndStopsWhenAsked) {
    EXPECT_FALSE(CRunningCheck().UsesStatusLibrary());
    const std::string path = PlaceProgram("QxChannel.exe", "Scan\\QxChannel.exe");
    const DWORD channel = Run(path).GetId();

    CRecordingScan scan;
    ASSERT_TRUE(scan.UsesStatusLibrary());
    ASSERT_TRUE(scan.LoadLibraries());
    ASSERT_TRUE(scan.Scan());
    bool found = false;
    for (const auto& [image, id] : scan.m_seen)
        if (id == channel) found = EqualsNoCase(image, path);
    EXPECT_TRUE(found);

    CRecordingScan stopping(1);
    ASSERT_TRUE(stopping.LoadLibraries());
    EXPECT_TRUE(stopping.Scan());
    EXPECT_EQ(stopping.m_seen.size(), 1u);

    CRecordingScan unloaded;  // the status-library walk needs its libraries loaded first
    EXPECT_FALSE(unloaded.Scan());
}

// EnumProcesses as a busy machine answers it: as many ids as fit, never more.
DWORD g_dwRunningCount = 0;
std::vector<DWORD> g_askedBytes;

BOOL WINAPI FakeEnumProcesses(DWORD* ids, DWORD bytes, DWORD* bytesReturned) {
    g_askedBytes.push_back(bytes);
    const DWORD count = std::min<DWORD>(bytes / sizeof(DWORD), g_dwRunningCount);
    for (DWORD i = 0; i < count; ++i) ids[i] = (i + 1) * 4;
    *bytesReturned = count * sizeof(DWORD);
    return TRUE;
}

BOOL WINAPI FailingEnumProcesses(DWORD*, DWORD, DWORD*) { return FALSE; }

TEST(ProcessIds, TheBufferGrowsUntilEveryIdFits) {
    std::vector<DWORD> ids;
    for (DWORD running : {5u, 1023u, 1024u, 3000u}) {
        g_dwRunningCount = running;
        g_askedBytes.clear();
        ASSERT_TRUE(EnumAllProcessIds(FakeEnumProcesses, ids));
        ASSERT_EQ(ids.size(), running);
        EXPECT_EQ(ids.back(), running * 4);
        EXPECT_EQ(g_askedBytes.front(), 4096u);
    }
    EXPECT_EQ(g_askedBytes.size(), 3u);  // 1024, 2048 and 4096 ids
    EXPECT_FALSE(EnumAllProcessIds(FailingEnumProcesses, ids));
    EXPECT_TRUE(ids.empty());
}

}  // namespace
