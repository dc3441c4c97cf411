// An upgrade killed at any instant of its install pass is put back, completely, by the next start
// of the upgrader: the installation, and the file the package replaces in the system folder, are
// as they were before the first run (bytes, times, attributes), and no journal, no backup, no work
// folder and no RunOnce value is left. Also a recovery that is itself killed half way. One killed
// in its command pass is finished instead: the new files stay, the commands run again and the
// upgrade record is written.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "RunFixture.h"
#include "support/TestCalls.h"
#include "support/FolderSnapshot.h"
#include "support/UpgradeLogFile.h"
#include "system/RegistryAccess.h"
#include "upgrade/InstallationLayout.h"
#include "upgrade/Recovery.h"
#include "upgrade/UpgradeJournal.h"
#include "util/FileHelpers.h"
#include "util/PathParts.h"
#include "util/PathTokens.h"

using namespace e2e;

namespace {

// The run does not wait for the list: entries after the last kill point leave room for the time
// a kill takes to land.
const int ENTRIES = 60;
const size_t ENTRY_SIZE = 96 * 1024;
const DWORD RUN_WAIT_MS = 60000;
const char PACE_VARIABLE[] = "QU_PACE_CHECKS_MS";
const char PACE_MS[] = "15";
const char GREETING[] = "Press button 'Upgrade' to start to upgrade Quorindo to Version : 0.0.6.7";
const char RECOVERY_PROMPT[] = "The last upgrade was interrupted, now will put back the previous version";

// Every third entry adds a file in a new folder; the others replace files of the installation, but
// two, which replace a file of the system folder and one below the system drive's root.
const int SYSTEM_ENTRY = 1, DISK_ENTRY = 4;
std::string EntryPath(int i) {
    char name[32];
    std::snprintf(name, sizeof name, i % 3 == 2 ? "New\\add%02d.bin" : "Data\\file%02d.bin", i);
    return name;
}
std::string StoredPath(int i) {
    if (i == DISK_ENTRY) return "<Windows Disk>\\QuorindoCrashTest\\" + EntryPath(i);
    return (i == SYSTEM_ENTRY ? "<System>\\QuorindoCrashTest\\" : ".\\") + EntryPath(i);
}

int CountLines(HWND dialog, const std::string& prefix, const std::string& suffix) {
    int count = 0;
    for (const robot::ListLine& line : ReadLines(dialog)) {
        const std::string& t = line.text;
        if (t.rfind(prefix, 0) == 0 && t.size() >= suffix.size() && t.compare(t.size() - suffix.size(), suffix.size(), suffix) == 0)
            ++count;
    }
    return count;
}

// Polls as fast as it can: the run adds an entry every few milliseconds.
bool WaitForEntry(HWND dialog, int entry, HANDLE process) {
    const ULONGLONG deadline = ::GetTickCount64() + RUN_WAIT_MS;
    while (::GetTickCount64() < deadline && ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT)
        if (NewestInstalledEntry(dialog) >= entry) return true;
    return false;
}

class CrashRecoveryTest : public RunTest {
protected:
    void SetUp() override {
        RunTest::SetUp();
        ::CreateDirectoryA(m_install.GetPath("Data").c_str(), nullptr);
        for (int outside : {SYSTEM_ENTRY, DISK_ENTRY}) CreateFolderPath(TestCalls(), InstalledPath(outside));
        CPackageWriter writer;
        for (int i = 0; i < ENTRIES; ++i) {
            if (i % 3 != 2) {
                const std::string path = InstalledPath(i);
                WriteFileText(path, "old " + std::to_string(i));
                SetLastWriteTime(path, TimeOf(-i));
                if (i % 5 == 0) ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
            }
            writer.AddFile(StoredPath(i), IncompressibleContent(static_cast<unsigned>(i), ENTRY_SIZE), TimeOf(i));
        }
        m_before = TakeSnapshot(m_install.GetFolder());
        m_package = writer;
        const std::string downloads = m_scratch.Path() + "Downloads\\";
        ::CreateDirectoryA(downloads.c_str(), nullptr);
        m_strSeamed = downloads + "QuorindoUpgrade.exe";
        ASSERT_TRUE(CopyWithPackage(GetBuildFile("tests/SeamedUpgrader.exe"), m_strSeamed, writer.Bytes()));
    }
    void TearDown() override {
        for (int i = 0; i < ENTRIES; ++i) ::SetFileAttributesA(InstalledPath(i).c_str(), FILE_ATTRIBUTE_NORMAL);
        for (int outside : {SYSTEM_ENTRY, DISK_ENTRY}) DeleteTree(GetFolderOf(InstalledPath(outside)));
        CRegistryAccess::DeleteValue(HKEY_LOCAL_MACHINE, RUN_ONCE_KEY, RUN_ONCE_VALUE);
    }

    // Starts the upgrader, killing itself at the given kill point when given. Without one the test
    // kills it from outside, and the run is paced so that the kill lands before the run's end.
    bool StartKilledAt(const char* point, int killAt, const std::string& arguments) {
        ::SetEnvironmentVariableA(point, killAt > 0 ? std::to_string(killAt).c_str() : nullptr);
        ::SetEnvironmentVariableA(PACE_VARIABLE, killAt > 0 ? nullptr : PACE_MS);
        const bool started = m_upgrader.Start(m_strSeamed, arguments, std::string(), false);
        ::SetEnvironmentVariableA(point, nullptr);
        ::SetEnvironmentVariableA(PACE_VARIABLE, nullptr);
        return started;
    }
    // The same in auto mode; answers its dialog.
    HWND StartAuto(int killAt = 0, const char* point = "QU_KILL_AT_CHECK") {
        return StartKilledAt(point, killAt, "/auto") ? robot::WaitForWindow(DIALOG_TITLE) : nullptr;
    }
    void Kill() {
        ::TerminateProcess(m_upgrader.GetHandle(), 1);
        robot::WaitForHandle(m_upgrader.GetHandle());
    }
    // The work folder the journal names, before a recovery deletes it.
    std::string JournaledWorkFolder() {
        CUpgradeJournal journal(TestCalls());
        return journal.Read(m_install.GetFolder()) == ERROR_SUCCESS ? journal.GetWorkFolder() : std::string();
    }
    // Starts the upgrader without pressing anything; it recovers before its greeting.
    HWND StartAndRecover() {
        if (!m_upgrader.Start(m_strSeamed)) return nullptr;
        HWND dialog = robot::WaitForWindow(DIALOG_TITLE);
        robot::WaitUntil([&] { return CountLines(dialog, GREETING, "") == 1; }, RUN_WAIT_MS);
        return dialog;
    }
    std::string InstalledPath(int i) const { return ExpandPathTokens(StoredPath(i), m_install.GetFolder()); }
    void ExpectAsBefore(const std::string& workFolder) {
        const SNAPSHOT after = TakeSnapshot(m_install.GetFolder());
        EXPECT_TRUE(after == m_before) << DescribeDifferences(m_before, after);
        for (int outside : {SYSTEM_ENTRY, DISK_ENTRY}) {
            EXPECT_EQ(ReadFileText(InstalledPath(outside)), "old " + std::to_string(outside));
            EXPECT_TRUE(GetLastWriteTime(InstalledPath(outside)) == TimeOf(-outside));
        }
        EXPECT_FALSE(HasInterruptedUpgrade(TestCalls(), m_install.GetFolder()));
        EXPECT_EQ(::GetFileAttributesA(workFolder.c_str()), INVALID_FILE_ATTRIBUTES) << workFolder;
        EXPECT_FALSE(CRegistryAccess::HasValue(HKEY_LOCAL_MACHINE, RUN_ONCE_KEY, RUN_ONCE_VALUE));
    }
    // The next start puts back the killed install pass; it is the recoveries-th.
    void ExpectPutBackByTheNextStart(int recoveries) {
        const std::string workFolder = JournaledWorkFolder();
        ASSERT_FALSE(workFolder.empty()) << "no journal after a kill in the install pass";
        ASSERT_NE(StartAndRecover(), nullptr);
        ExpectAsBefore(workFolder);
        ExpectRecoveriesLogged(recoveries);
        m_upgrader.End();
    }
    // Each recovery so far is a run of its own in the log; a killed run leaves no record at all.
    void ExpectRecoveriesLogged(size_t recoveries) {
        const std::vector<LOG_RECORD> log = ReadUpgradeLog(m_install.GetFolder());
        ASSERT_EQ(log.size(), recoveries);
        EXPECT_TRUE(IsHeader(log.back(), "Recovery run", "normal", OLDER_VERSION, "0.0.6.7")) << log.back().header;
        ASSERT_FALSE(log.back().lines.empty());
        EXPECT_EQ(log.back().lines.front(), RECOVERY_PROMPT);
        EXPECT_EQ(log.back().lines.back(), "Restore over!");
        EXPECT_EQ(log.back().outcome, "recovered");
    }

    SNAPSHOT m_before;
    std::string m_strSeamed;
    CPackageWriter m_package;
};

TEST_F(CrashRecoveryTest, AKillAnywhereInTheInstallPassIsPutBackByTheNextStart) {
    int points = 0;
    // Killed from outside as the k-th entry's success line appears.
    for (int k : {0, 5, 10, 15, 20, 25, 30}) {
        SCOPED_TRACE("killed at the success line of entry " + std::to_string(k));
        HWND dialog = StartAuto();
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(WaitForEntry(dialog, k, m_upgrader.GetHandle())) << "the run ended first";
        Kill();
        ASSERT_NO_FATAL_FAILURE(ExpectPutBackByTheNextStart(++points));
    }
    // Killed by itself at a stop check of the install pass: the run's checks before the pass are
    // 4 plus one per entry, so these fall before the pass's 1st, 8th, 18th, 29th and last entry.
    for (int check : {4 + ENTRIES + 1, 4 + ENTRIES + 8, 4 + ENTRIES + 18, 4 + ENTRIES + 29, 4 + 2 * ENTRIES}) {
        SCOPED_TRACE("killed at stop check " + std::to_string(check));
        ASSERT_NE(StartAuto(check), nullptr);
        ASSERT_TRUE(robot::WaitForHandle(m_upgrader.GetHandle(), RUN_WAIT_MS));
        ASSERT_NO_FATAL_FAILURE(ExpectPutBackByTheNextStart(++points));
    }
    std::printf("[ KILLS    ] %d kill points, each recovered\n", points);
}

TEST_F(CrashRecoveryTest, ARecoveryThatIsKilledIsDoneAgainToTheSameEnd) {
    HWND dialog = StartAuto();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(WaitForEntry(dialog, 28, m_upgrader.GetHandle()));
    Kill();
    const std::string workFolder = JournaledWorkFolder();
    ASSERT_FALSE(workFolder.empty());

    // The recovery kills itself after the 6th file it put back.
    ASSERT_TRUE(StartKilledAt("QU_KILL_AT_RESTORE", 6, std::string()));
    ASSERT_TRUE(robot::WaitForHandle(m_upgrader.GetHandle(), RUN_WAIT_MS));
    ASSERT_TRUE(HasInterruptedUpgrade(TestCalls(), m_install.GetFolder()));

    // As at the next logon: "/recover" shows the recovery and waits for Close, without a greeting.
    ASSERT_TRUE(m_upgrader.Start(m_strSeamed, "/recover"));
    dialog = robot::WaitForWindow(DIALOG_TITLE);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(robot::WaitUntil([&] { return CountLines(dialog, "Restore over!", "") == 1; }, RUN_WAIT_MS));
    EXPECT_EQ(CountLines(dialog, RECOVERY_PROMPT, ""), 1);
    EXPECT_EQ(CountLines(dialog, GREETING, ""), 0);
    EXPECT_TRUE(m_upgrader.IsRunning());
    ExpectAsBefore(workFolder);
    m_upgrader.End();

    // With nothing to recover, "/recover" ends at once and shows nothing.
    ASSERT_TRUE(m_upgrader.Start(m_strSeamed, "/recover", std::string(), false));
    DWORD exitCode = 1;
    EXPECT_TRUE(m_upgrader.Wait(RUN_WAIT_MS, &exitCode));
    EXPECT_EQ(::FindWindowA(nullptr, DIALOG_TITLE), nullptr);
}

// A recovery that dies every time (here killed after the first file it put back) is counted on
// the disk before each attempt: after three, the fourth start sets its journal aside with one
// line and a log record, removes the RunOnce value and goes on.
TEST_F(CrashRecoveryTest, ARecoveryThatDiesThreeTimesIsSetAsideByTheFourthStart) {
    HWND dialog = StartAuto();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(WaitForEntry(dialog, 10, m_upgrader.GetHandle()));
    Kill();
    for (int attempt = 1; attempt <= 3; ++attempt) {
        ASSERT_TRUE(StartKilledAt("QU_KILL_AT_RESTORE", 1, std::string()));
        ASSERT_TRUE(robot::WaitForHandle(m_upgrader.GetHandle(), RUN_WAIT_MS));
        ASSERT_TRUE(HasInterruptedUpgrade(TestCalls(), m_install.GetFolder())) << attempt;
    }
    const std::string setAside = "        Abort - The last upgrade could not be put back in 3 attempts, so its journal is set aside";
    ASSERT_NE(dialog = StartAndRecover(), nullptr);
    EXPECT_EQ(CountLines(dialog, setAside, ""), 1);
    EXPECT_FALSE(HasInterruptedUpgrade(TestCalls(), m_install.GetFolder()));
    EXPECT_TRUE(PathExists(GetSetAsideJournalPath(m_install.GetFolder())));
    EXPECT_FALSE(CRegistryAccess::HasValue(HKEY_LOCAL_MACHINE, RUN_ONCE_KEY, RUN_ONCE_VALUE));
    const std::vector<LOG_RECORD> log = ReadUpgradeLog(m_install.GetFolder());
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().lines, std::vector<std::string>{setAside});
    EXPECT_EQ(log.back().outcome, "recovery failed");
    m_upgrader.End();
}

// Killed right after its first command, a rename: the next start keeps the new files, runs the
// command list again (the rename is already done, the later command is done now) and writes the
// upgrade record.
TEST_F(CrashRecoveryTest, AKillInTheCommandPassIsFinishedByTheNextStart) {
    WriteFileText(m_install.GetPath("Skin.ini"), "[Skin]");
    WriteFileText(m_install.GetPath("old.txt"), "to go");
    m_package.AddFile("<Temp>\\CMD List.ini", "[CMD List]\r\nCMD count=2\r\n"
                                             "[CMD 1]\r\nType=Rename\r\nDest Relative Path=.\\Skin.ini\r\n"
                                             "Another File Name=.\\Skin.old\r\n"
                                             "[CMD 2]\r\nType=Remove File\r\nDest Relative Path=.\\old.txt\r\n");
    ASSERT_TRUE(CopyWithPackage(GetBuildFile("tests/SeamedUpgrader.exe"), m_strSeamed, m_package.Bytes()));
    ASSERT_NE(StartAuto(1, "QU_KILL_AT_COMMAND"), nullptr);
    ASSERT_TRUE(robot::WaitForHandle(m_upgrader.GetHandle(), RUN_WAIT_MS));
    const std::string workFolder = JournaledWorkFolder();
    ASSERT_FALSE(workFolder.empty());
    ASSERT_TRUE(PathExists(m_install.GetPath("Skin.old")));
    ASSERT_TRUE(PathExists(m_install.GetPath("old.txt")));

    ASSERT_NE(StartAndRecover(), nullptr);
    for (int i : {0, 2, 35})
        EXPECT_EQ(ReadFileText(m_install.GetPath(EntryPath(i))), IncompressibleContent(static_cast<unsigned>(i), ENTRY_SIZE));
    EXPECT_TRUE(PathExists(m_install.GetPath("Skin.old")));
    EXPECT_FALSE(PathExists(m_install.GetPath("Skin.ini")));
    EXPECT_FALSE(PathExists(m_install.GetPath("old.txt")));
    EXPECT_EQ(CRegistryAccess::ReadString(HKEY_LOCAL_MACHINE, PRODUCT_KEY, UPGRADE_VERSION_VALUE), "0.0.6.7");
    EXPECT_FALSE(HasInterruptedUpgrade(TestCalls(), m_install.GetFolder()));
    EXPECT_EQ(::GetFileAttributesA(workFolder.c_str()), INVALID_FILE_ATTRIBUTES) << workFolder;
    EXPECT_FALSE(CRegistryAccess::HasValue(HKEY_LOCAL_MACHINE, RUN_ONCE_KEY, RUN_ONCE_VALUE));
    const std::vector<LOG_RECORD> log = ReadUpgradeLog(m_install.GetFolder());
    ASSERT_FALSE(log.empty());
    ASSERT_FALSE(log.back().lines.empty());
    EXPECT_EQ(log.back().lines.front(),
              "The last upgrade was interrupted after its files were installed, now will finish it");
    EXPECT_EQ(log.back().outcome, "recovered");
    m_upgrader.End();
}

}  // namespace
