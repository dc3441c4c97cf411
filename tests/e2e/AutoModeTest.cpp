// The upgrader started with "/auto": every outcome of a run reaches the upgrade server as its
// result code, and the program ends by itself.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "RunFixture.h"
#include "framework/ScopedHandles.h"
#include "support/TestCalls.h"
#include "support/RegistryValueGuard.h"
#include "support/TestGzip.h"
#include "support/UpgradeLogFile.h"
#include "support/UpgradeServerWindow.h"
#include "system/RegistryAccess.h"
#include "upgrade/Recovery.h"
#include "upgrade/RunLock.h"
#include "util/PathTokens.h"

using namespace e2e;

namespace {

const DWORD RUN_WAIT_MS = 30000;

class AutoModeTest : public RunTest {
protected:
    // Runs the upgrader in auto mode to its end; answers the codes the server got, every one of
    // them: each report is a sent message, answered before the program goes on.
    std::vector<int> RunAuto(const std::vector<BYTE>& package) {
        if (!StartUpgrader(package, "/auto")) return {-1};
        EXPECT_TRUE(m_upgrader.Wait(RUN_WAIT_MS, &m_dwExitStatus)) << "the auto run did not end";
        return m_server.Codes();
    }

    CUpgradeServerWindow m_server;
    DWORD m_dwExitStatus = 0xFFFF;
};

std::vector<BYTE> EmptyPackage() { return CPackageWriter().Bytes(); }
std::vector<BYTE> DamagedEntry() {
    const TEST_ENTRY damaged{".\\ClockPanel.dll", 0, 0, {'n', 'o', 't', ' ', 'g', 'z', 'i', 'p'}};
    return CPackageWriter().AddFile(".\\TallyPanel.dll", "new panel", TimeOf(1)).Add(damaged).Bytes();
}

// How a silent run ends: each row a setup, the package, the code the server gets once and the
// program's exit status, and how the abort line in its log record begins (none where it cannot keep
// a log).
struct AUTO_END {
    const char* name;
    bool (*arrange)(CSampleInstallation& install);
    std::vector<BYTE> (*package)();
    int code;
    const char* line;
};
class AutoModeEndTest : public AutoModeTest, public ::testing::WithParamInterface<AUTO_END> {};

bool AsInstalled(CSampleInstallation&) { return true; }
const char NOT_OLDER[] =
    "        Abort - This package is upgrade the Quorindo to V0.0.6.7. The version you have installed is more newer.";
const char TOO_SHORT[] = "        Abort - Length for upgrade package is invalidation";
const AUTO_END AUTO_ENDS[] = {
    {"NotInstalled", [](CSampleInstallation& i) { return i.SetInstallPath(i.GetFolder() + "Nowhere"); }, EmptyPackage,
     2, nullptr},
    {"VersionUnreadable", [](CSampleInstallation& i) { return i.UseMainExecutable("no-version"); }, EmptyPackage, 3,
     "        Abort - Fetch the version of Quorindo failed, so can't upgrade!"},
    {"SameVersion",
     [](CSampleInstallation& i) {
         const std::string same = GetSampleVersionFolder("0.0.6.7") + PRODUCT_EXE_NAME;
         return ::CopyFileA(same.c_str(), i.GetPath(PRODUCT_EXE_NAME).c_str(), FALSE) != FALSE;
     },
     EmptyPackage, 4, NOT_OLDER},
    {"NewerVersion", [](CSampleInstallation& i) { return i.UseMainExecutable("1.10.2.3"); }, EmptyPackage, 4, NOT_OLDER},
    {"ProductRunning", [](CSampleInstallation& i) { return i.Start(PRODUCT_EXE_NAME) != nullptr; }, EmptyPackage, 5,
     "        Abort - The Quorindo is in running, please close it and run again!"},
    {"OneBytePackage", AsInstalled, [] { return std::vector<BYTE>{0x01}; }, 7, TOO_SHORT},
    {"ThreeBytePackage", AsInstalled, [] { return std::vector<BYTE>(3, 0x00); }, 7, TOO_SHORT},
    // Two entries announced, one there: the backup pass cannot read the second.
    {"UnreadableEntry", AsInstalled,
     [] { return CPackageWriter().AddFile(".\\TallyPanel.dll", "new panel", TimeOf(1)).Bytes(2); }, 8,
     "        Abort - The length for target file name is invalidation"},
    {"DamagedEntry", AsInstalled, DamagedEntry, 9, "        Abort - Decompress to file "},
    {"UpgradeFolderIsAFile",
     [](CSampleInstallation& i) { WriteFileText(i.GetPath("Upgrade"), "in the way"); return true; }, EmptyPackage,
     10, nullptr},
};

// Every failed run changes nothing and leaves no scratch file.
TEST_P(AutoModeEndTest, SendsItsCodeOnceAndEndsWithIt) {
    const AUTO_END& end = GetParam();
    const std::string before = ReadFileText(m_install.GetPath("TallyPanel.dll"));
    ASSERT_TRUE(end.arrange(m_install));
    EXPECT_EQ(RunAuto(end.package()), std::vector<int>{end.code});
    EXPECT_EQ(m_dwExitStatus, static_cast<DWORD>(end.code));
    EXPECT_EQ(ReadFileText(m_install.GetPath("TallyPanel.dll")), before);
    EXPECT_TRUE(ScratchFiles().empty());
    if (end.line == nullptr) return;
    const std::vector<LOG_RECORD> log = ReadUpgradeLog(m_install.GetFolder());
    ASSERT_EQ(log.size(), 1u);
    const auto begins = [&](const std::string& line) { return line.rfind(end.line, 0) == 0; };
    EXPECT_NE(std::find_if(log[0].lines.begin(), log[0].lines.end(), begins), log[0].lines.end()) << end.line;
    EXPECT_EQ(log[0].outcome, "result code " + std::to_string(end.code));
}

INSTANTIATE_TEST_SUITE_P(Codes, AutoModeEndTest, ::testing::ValuesIn(AUTO_ENDS),
                         [](const ::testing::TestParamInfo<AUTO_END>& info) { return std::string(info.param.name); });

// The server's own program is tolerated as it was, never as a half-written file: damaged mid-stream,
// it is put back at once and the run goes on to its success.
TEST_F(AutoModeTest, DamagedServerProgramIsPutBackAndTheRunSucceeds) {
    const std::string server = m_install.GetPath("QuorindoUpgradeServer.exe");
    const std::string before = ReadFileText(server);
    const FILETIME beforeTime = GetLastWriteTime(server);
    std::vector<BYTE> cut = GzipBytes(std::string(200000, 'q') + before);
    cut.resize(cut.size() / 2);
    const std::vector<BYTE> package = CPackageWriter()
                                          .Add({".\\QuorindoUpgradeServer.exe", 0, 0, cut})
                                          .AddFile(".\\TallyPanel.dll", "new panel", TimeOf(1))
                                          .Bytes();
    EXPECT_EQ(RunAuto(package), std::vector<int>{0});
    EXPECT_TRUE(ReadFileText(server) == before) << "the server program was changed";
    EXPECT_TRUE(GetLastWriteTime(server) == beforeTime);
    EXPECT_EQ(ReadFileText(m_install.GetPath("TallyPanel.dll")), "new panel");
    EXPECT_TRUE(ScratchFiles().empty());
}

// The silent run leaves its lines behind: a record in the installation's log, made of the whole
// action list, that ends with the code the server got. The user's environment never says where the
// elevated upgrader writes: no trace, wherever it points.
TEST_F(AutoModeTest, SuccessSendsZeroAfterTheRecord) {
    const std::string trace = ExpandPathTokens("<System>\\qu-trace.txt", "");
    ::SetEnvironmentVariableA("QU_TRACE", trace.c_str());
    EXPECT_EQ(RunAuto(EmptyPackage()), std::vector<int>{0});
    ::SetEnvironmentVariableA("QU_TRACE", nullptr);
    EXPECT_FALSE(PathExists(trace));
    EXPECT_EQ(m_dwExitStatus, 0u);
    const std::vector<LOG_RECORD> log = ReadUpgradeLog(m_install.GetFolder());
    ASSERT_EQ(log.size(), 1u);
    EXPECT_TRUE(IsHeader(log[0], "Upgrade run", "auto", OLDER_VERSION, "0.0.6.7")) << log[0].header;
    ASSERT_FALSE(log[0].lines.empty());
    EXPECT_EQ(log[0].lines.front(), "Analyzing system, please waiting...");
    EXPECT_NE(std::find(log[0].lines.begin(), log[0].lines.end(), "Upgrade successfully!"), log[0].lines.end());
    EXPECT_EQ(log[0].lines.back(), CLOSING_LINE);
    EXPECT_EQ(log[0].outcome, "result code 0");
    CRegistryValueGuard version(HKEY_LOCAL_MACHINE, PRODUCT_KEY, UPGRADE_VERSION_VALUE);
    EXPECT_EQ(ReadMachineString(PRODUCT_KEY, UPGRADE_VERSION_VALUE), "0.0.6.7");
    // The product found its key in the 32-bit view, and the record lands there too, where the
    // 32-bit product reads it; the 64-bit view gets nothing.
    if (RunsUnderWow64()) {
        EXPECT_EQ(ReadMachineString("Software\\WOW6432Node\\Quorindo", UPGRADE_VERSION_VALUE, KEY_WOW64_64KEY),
                  "0.0.6.7");
        EXPECT_EQ(ReadMachineString(PRODUCT_KEY, UPGRADE_VERSION_VALUE, KEY_WOW64_64KEY), "");
    }
}

// A server that takes the code and never answers holds up nothing: when the code comes, the run
// has let go of its lock and deleted its journal, work folder and RunOnce value, and the upgrader
// soon gives up waiting and ends with the code as its exit status.
TEST_F(AutoModeTest, AServerThatNeverAnswersHoldsUpNothing) {
    bool released = false;
    m_server.SetOnCode([&](int) {
        CRunLock lock;
        const bool lockFree = lock.Take(TestCalls(), m_install.GetFolder()) == ERROR_SUCCESS;
        released = lockFree && !HasInterruptedUpgrade(TestCalls(), m_install.GetFolder()) && WorkFolders().empty() &&
                   !CRegistryAccess::HasValue(HKEY_LOCAL_MACHINE, RUN_ONCE_KEY, RUN_ONCE_VALUE);
        robot::WaitForHandle(m_upgrader.GetHandle(), RUN_WAIT_MS);  // no answer while the upgrader lives
    });
    ASSERT_TRUE(StartUpgrader(CPackageWriter().AddFile(".\\TallyPanel.dll", "new panel", TimeOf(1)).Bytes(), "/auto"));
    DWORD status = 0xFFFF;
    EXPECT_TRUE(m_upgrader.Wait(RUN_WAIT_MS, &status)) << "the upgrader waits for the server";
    EXPECT_EQ(status, 0u);
    EXPECT_TRUE(m_server.WaitForCodes(1, RUN_WAIT_MS));
    m_server.SetOnCode(nullptr);
    EXPECT_EQ(m_server.Codes(), std::vector<int>{0});
    EXPECT_TRUE(released) << "the code came while the run still held something";
}

// The usage box runs nothing and ends with 0. Without an installation (its path leads to none) it
// names where the log would be.
TEST_F(AutoModeTest, UsageBoxRunsNothingAndEndsWithZero) {
    ASSERT_TRUE(m_install.SetInstallPath(m_scratch.Path() + "Nowhere"));
    ASSERT_TRUE(m_upgrader.Start(MakeUpgrader(EmptyPackage()), "/?", std::string(), false));
    HWND usage = robot::WaitForProcessWindow(m_upgrader.GetId(), "#32770");
    ASSERT_NE(usage, nullptr);
    const std::string text = robot::GetMessageBoxText(usage);
    const char* const parts[] = {"/auto", "/recover", "12\tno upgrade ran", "<installation folder>\\Upgrade\\UpgradeLog.txt"};
    for (const char* part : parts)
        EXPECT_NE(text.find(part), std::string::npos) << part;
    robot::PressButton(usage, IDOK);
    DWORD status = 0xFFFF;
    EXPECT_TRUE(m_upgrader.Wait(RUN_WAIT_MS, &status));
    EXPECT_EQ(status, 0u);
    EXPECT_TRUE(m_server.Codes().empty());
}

// After the channel program has ended, entries large enough to inflate for a while keep the run
// going: long enough to act.
class AutoModeChannelTest : public AutoModeTest {
protected:
    // Starts the auto run and waits until it has ended the channel program.
    HWND StartAndWaitForChannelEnd() {
        CChildProcess* channel = m_install.Start("QxChannel.exe");
        CPackageWriter package;
        for (unsigned i = 0; i < 4; ++i)
            package.AddFile(".\\Data\\big" + std::to_string(i) + ".bin", IncompressibleContent(i, 1024 * 1024), TimeOf(3));
        package.AddFile(".\\readme.txt", "x", TimeOf(2));
        if (channel == nullptr || !StartUpgrader(package.Bytes(), "/auto")) return nullptr;
        HWND dialog = robot::WaitForWindow(DIALOG_TITLE);
        DWORD exitCode = 0;
        EXPECT_TRUE(channel->Wait(robot::WAIT_MS, &exitCode));
        EXPECT_EQ(exitCode, 0xFFFFFFF7u);
        return dialog;
    }
};

TEST_F(AutoModeChannelTest, UpgradePressedDuringTheRunSendsOneAndNothingElse) {
    HWND dialog = StartAndWaitForChannelEnd();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(::IsWindowVisible(dialog));
    robot::PressButton(dialog, UPGRADE_ID);
    // Ended, the program has had every report it sent answered; its exit status is that code.
    DWORD status = 0xFFFF;
    EXPECT_TRUE(m_upgrader.Wait(RUN_WAIT_MS, &status));
    EXPECT_EQ(status, 1u);
    EXPECT_EQ(m_server.Codes(), std::vector<int>{1});
    EXPECT_FALSE(PathExists(m_install.GetPath("readme.txt")));
}

TEST_F(AutoModeChannelTest, StoppedRunSendsNothing) {
    HWND dialog = StartAndWaitForChannelEnd();
    ASSERT_NE(dialog, nullptr);
    robot::PressButton(dialog, IDCANCEL);
    // The stopped run still ends the program: its posted IDOK arrives after the stop.
    EXPECT_TRUE(robot::WaitForHandle(m_upgrader.GetHandle(), RUN_WAIT_MS));
    EXPECT_TRUE(m_server.Codes().empty());
    EXPECT_FALSE(PathExists(m_install.GetPath("readme.txt")));
    EXPECT_TRUE(ScratchFiles().empty());
}

}  // namespace
