#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/SampleProduct.h"
#include "support/ScratchFolder.h"
#include "system/ProcessEnd.h"
#include "system/ProcessScanner.h"

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

std::vector<DWORD> FindProcessIds(const std::string& name) {
    std::vector<DWORD> ids;
    for (const SEEN_PROCESS& seen : FindProcesses(name)) ids.push_back(seen.dwId);
    return ids;
}

// Every instance, by its file name whatever its case and folder; ending them ends all of them. An
// id that names another process by the time it is opened (the walk saw another image, or the
// process started after the walk) is never ended.
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

    std::vector<SEEN_PROCESS> stale = FindProcesses("QxChannel.exe");
    ASSERT_EQ(stale.size(), 2u);
    stale[0].strImageName = "Other.exe";
    stale[1].ftBeforeWalk = FILETIME{};
    EXPECT_EQ(EndProcesses(stale, 7, 0), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(FindProcessIds("QxChannel.exe").size(), 2u);

    EXPECT_EQ(EndProcesses(FindProcesses("QxChannel.exe"), 7, 10000), static_cast<DWORD>(ERROR_SUCCESS));
    DWORD exitCode = 0;
    EXPECT_TRUE(second.Wait(0, &exitCode));
    EXPECT_EQ(exitCode, 7u);
    EXPECT_TRUE(FindProcessIds("QxChannel.exe").empty());
}

}  // namespace
