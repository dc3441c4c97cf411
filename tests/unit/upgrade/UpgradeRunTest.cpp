// The guarantee of a run, driven in-process through a host of the test's own: whatever fails and
// wherever the run is stopped, the installation is left exactly as it was (apart from the
// upgrader's own copy, journal and log in "Upgrade\" and folders made), no scratch file stays, no
// upgrade record is written and the result code is the failure's; a run that succeeds leaves every
// file with the package's bytes and stored time, and answers 0 after the record. Every run that
// found the installation adds one whole record of exactly its lines to the upgrade log.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "framework/ScopedHandles.h"
#include "support/TestCalls.h"
#include "support/FolderSnapshot.h"
#include "support/HostLink.h"
#include "support/PackageWriter.h"
#include "support/SampleProduct.h"
#include "support/ScratchFolder.h"
#include "support/TestPaths.h"
#include "support/TestRunHost.h"
#include "support/UpgradeLogFile.h"
#include "system/OwnProgramFile.h"
#include "system/ProductNames.h"
#include "system/RegistryAccess.h"
#include "upgrade/InstallationLayout.h"
#include "upgrade/Recovery.h"
#include "upgrade/UpgradeJournal.h"
#include "upgrade/UpgradeLog.h"
#include "upgrade/UpgradeRun.h"
#include "util/AdminOnlySecurity.h"
#include "util/FileErrors.h"
#include "util/PathChecks.h"
#include "util/PathParts.h"
#include "util/PathTokens.h"
#include "util/WriteRule.h"

namespace {

const char OLDER_VERSION[] = "0.0.6.5";
const char PACKAGE_VERSION[] = "0.0.6.7";
const char SUCCEEDED[] = "Upgrade successfully!";
const char CANCELLED[] = "Upgrade cancelled by user";
const char VERSION_READ[] = "        Success - The installed version of Quorindo is 0.0.6.5.";

struct PACKAGE_FILE {
    const char* path;  // relative to the installation
    const char* content;
    int day;           // of its stored time
};
// Replaced, replaced while read-only, added in a new folder, replaced, added.
const PACKAGE_FILE FILES[] = {
    {"TallyPanel.dll", "tally 0.0.6.7", 1},
    {"ClockPanel.dll", "clock 0.0.6.7", 2},
    {"Skins\\Night\\night.skin", "a new skin", 3},
    {"AX\\ScrollFilter.ax", "scroll 0.0.6.7", 4},
    {"readme.txt", "what is new", 5},
};
const char READ_ONLY_FILE[] = "ClockPanel.dll";

const char SERVER_FILE[] = "QuorindoUpgradeServer.exe";
// Below the system drive's root, where the shipped package puts a codec.
const char DISK_FILE[] = "<Windows Disk>\\QuorindoRule\\Codec\\qu-rule.ax";

// What the program gives a recovery.
RUN_SETTINGS RecoverySettings(bool bAutoMode = false, CheckpointHook atCheckpoint = {}) {
    RUN_SETTINGS settings;
    settings.strPackageVersion = PACKAGE_VERSION;
    settings.bAutoMode = bAutoMode;
    settings.atCheckpoint = std::move(atCheckpoint);
    settings.pCalls = &TestCalls();
    return settings;
}

// The package, with the entry of the given index damaged (none for -1), and the upgrade server's
// program in the middle when asked.
std::vector<BYTE> MakePackage(int damaged, bool bServer = false) {
    CPackageWriter writer;
    for (int i = 0; i < 5; ++i) {
        if (bServer && i == 2) writer.AddFile(std::string(".\\") + SERVER_FILE, "server 0.0.6.7");
        if (i == damaged) {
            // Starts like a gzip member, then breaks off.
            writer.Add({std::string(".\\") + FILES[i].path, 0, 0, {0x1f, 0x8b, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                                  0x03, 0xff, 0xff, 0xff}});
        } else {
            writer.AddFile(std::string(".\\") + FILES[i].path, FILES[i].content, TimeOf(FILES[i].day));
        }
    }
    return writer.Bytes();
}

class UpgradeRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_install.CreateRegistered(OLDER_VERSION, m_scratch.Path() + GetProductFolderName()));
        // The installation is older than the package in every file it replaces.
        for (const PACKAGE_FILE& file : FILES) {
            const std::string path = m_install.GetPath(file.path);
            if (::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) SetLastWriteTime(path, TimeOf(-100));
        }
        ASSERT_TRUE(::SetFileAttributesA(m_install.GetPath(READ_ONLY_FILE).c_str(), FILE_ATTRIBUTE_READONLY));
        m_before = TakeSnapshot(m_install.GetFolder());
    }
    void TearDown() override {
        ::SetFileAttributesA(m_install.GetPath(READ_ONLY_FILE).c_str(), FILE_ATTRIBUTE_NORMAL);
        for (const std::string& folder : m_leftWorkFolders) DeleteTree(folder);
    }
    // A work folder as a run killed while it worked leaves it: made, and held by nobody.
    std::string LeftWorkFolder() {
        CWorkFolder work(TestCalls());
        EXPECT_EQ(work.Create(), "");
        m_leftWorkFolders.push_back(work.Path());
        work.Keep();
        return m_leftWorkFolders.back();
    }

    RUN_SETTINGS Settings(const std::vector<BYTE>& package, bool bAutoMode) {
        RUN_SETTINGS settings = RecoverySettings(bAutoMode);
        settings.pOwnFile = &m_ownFile;
        settings.strPackageFile = m_scratch.Path() + "package" + std::to_string(m_nRuns) + ".dat";
        WriteFileText(settings.strPackageFile, std::string(package.begin(), package.end()));
        settings.hLibraryModule = m_hLibraryModule;
        return settings;
    }
    // One run of the package; every failed or stopped run must leave the installation as it was.
    int Run(CTestRunHost& host, const std::vector<BYTE>& package, bool bAutoMode = false) {
        std::vector<LOG_RECORD> logBefore;
        if (m_bCheckLog) logBefore = ReadUpgradeLog(m_install.GetFolder());
        const int code = CUpgradeRun(host, Settings(package, bAutoMode)).Execute();
        ++m_nRuns;
        EXPECT_TRUE(ListFiles(m_scratch.Temp(), "JVR*.tmp").empty());
        EXPECT_EQ(HasInterruptedUpgrade(TestCalls(), m_install.GetFolder()), m_bRetryLeft) << "the journal";
        EXPECT_EQ(HasRecoveryAtLogon(), m_bRetryLeft);
        EXPECT_EQ(host.m_nProgress, 0);
        EXPECT_TRUE(host.m_bOver);
        if (m_bCheckLog) ExpectOneRecordAdded(host, logBefore, bAutoMode);
        return code;
    }
    // The log keeps what it had and gains the run's record: its header, exactly the lines the host
    // got, and a last line (kept in m_strOutcome for the test to judge).
    void ExpectOneRecordAdded(const CTestRunHost& host, const std::vector<LOG_RECORD>& before, bool bAutoMode) {
        const std::vector<LOG_RECORD> after = ReadUpgradeLog(m_install.GetFolder());
        ASSERT_EQ(after.size(), before.size() + 1);
        EXPECT_TRUE(std::equal(before.begin(), before.end(), after.begin())) << "older records changed";
        const LOG_RECORD& record = after.back();
        EXPECT_TRUE(IsHeader(record, "Upgrade run", bAutoMode ? "auto" : "normal",
                             host.Has(VERSION_READ) ? OLDER_VERSION : "unknown", PACKAGE_VERSION))
            << record.header;
        EXPECT_EQ(record.lines, host.m_lines);
        m_strOutcome = record.outcome;
    }
    // While a run installs, its scratch files are in its own work folder and none in the user's
    // temporary folder; afterwards the work folder is gone.
    void WatchScratchFiles(CTestRunHost& host) {
        host.m_onLine = [this](const std::string& line) {
            if (line.rfind("        Upgrade - ", 0) != 0 || !m_strWorkFolder.empty()) return;
            const std::vector<std::string> folders = WorkFolders();
            ASSERT_EQ(folders.size(), 1u);
            m_strWorkFolder = folders[0];
            EXPECT_FALSE(ListFiles(m_strWorkFolder, "JVR*.tmp").empty());
            EXPECT_TRUE(ListFiles(m_scratch.Temp(), "JVR*.tmp").empty());
            // The install pass is journaled, and recovered at the next logon if it dies.
            EXPECT_TRUE(HasInterruptedUpgrade(TestCalls(), m_install.GetFolder()));
            EXPECT_TRUE(HasRecoveryAtLogon());
        };
    }
    void ExpectWorkFolderGone() {
        EXPECT_FALSE(m_strWorkFolder.empty());
        EXPECT_EQ(::GetFileAttributesA(m_strWorkFolder.c_str()), INVALID_FILE_ATTRIBUTES) << m_strWorkFolder;
        m_strWorkFolder.clear();
    }

    void ExpectUnchanged(const CTestRunHost& host) {
        EXPECT_FALSE(host.Has(SUCCEEDED));
        const SNAPSHOT after = TakeSnapshot(m_install.GetFolder());
        EXPECT_TRUE(after == m_before) << DescribeDifferences(m_before, after);
        EXPECT_FALSE(HasUpgradeRecord());
    }

    CScratchFolder m_scratch;
    CSampleInstallation m_install;
    SNAPSHOT m_before;
    int m_nRuns = 0;
    std::string m_strWorkFolder;
    bool m_bCheckLog = true;
    bool m_bRetryLeft = false;  // the run leaves its journal and RunOnce value for the next start
    std::string m_strOutcome;  // the last line of the newest run's record
    HMODULE m_hLibraryModule = nullptr;  // whose resource 131 is the compression library
    COwnProgramFile m_ownFile{TestCalls()};
    std::vector<std::string> m_leftWorkFolders;
};

TEST_F(UpgradeRunTest, EveryFailedOrStoppedRunLeavesTheInstallationAsItWas) {
    // A damaged entry at every place of the package: the install pass fails there, and the restore
    // walk's lines come only when a file before it was changed. The running server holds its
    // program, whose install fails and leaves it as it was: nothing puts it back, so nothing of it
    // can fail or stay for a next start.
    CScopedKernelHandle server(::CreateFileA(m_install.GetPath(SERVER_FILE).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                             nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(server);
    for (int damaged = 0; damaged < 5; ++damaged) {
        SCOPED_TRACE("damaged entry " + std::to_string(damaged));
        CTestRunHost host;
        WatchScratchFiles(host);
        EXPECT_EQ(Run(host, MakePackage(damaged, true), true), 9);
        EXPECT_EQ(m_strOutcome, "result code 9");
        EXPECT_EQ(host.Has("        Error - Decompress to file " + m_install.GetPath(SERVER_FILE) + " failed!"),
                  damaged >= 2);
        EXPECT_EQ(host.Has("Restore over!"), damaged > 0);
        for (const std::string& line : host.m_lines)
            EXPECT_EQ(line.find("Restore file " + std::string(SERVER_FILE)), std::string::npos);
        ExpectUnchanged(host);
        ExpectWorkFolderGone();
    }
    server.Reset();
    // No compression library (a module without one, as if it failed its check): every install
    // fails before it touches its file.
    const std::vector<BYTE> package = MakePackage(-1);
    {
        SCOPED_TRACE("no library");
        CTestRunHost host;
        m_hLibraryModule = ::GetModuleHandleA("kernel32.dll");
        EXPECT_EQ(Run(host, package), 9);
        m_hLibraryModule = nullptr;
        ExpectUnchanged(host);
    }
    {
        // Held from the restore on, a file cannot be put back: the journal, its backup and the
        // RunOnce value stay. The next run puts the installation back whole first, with the lines
        // and the log record of a start's recovery, and only then runs.
        SCOPED_TRACE("held while it is put back");
        CTestRunHost host, next;
        CScopedKernelHandle held;
        host.m_onLine = [&](const std::string& line) {
            if (line.rfind("Because of some error", 0) == 0)
                held.Reset(::CreateFileA(m_install.GetPath("TallyPanel.dll").c_str(), GENERIC_READ, 0, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
        };
        m_bRetryLeft = true;
        EXPECT_EQ(Run(host, MakePackage(4)), 9);
        m_bRetryLeft = false;
        EXPECT_TRUE(host.Has("Some files could not be put back now, the next start of the upgrade will put them back"));
        held.Reset();
        m_bCheckLog = false;
        EXPECT_EQ(Run(next, MakePackage(4)), 9);
        m_bCheckLog = true;
        ExpectUnchanged(next);
        const std::vector<LOG_RECORD> log = ReadUpgradeLog(m_install.GetFolder());
        ASSERT_GE(log.size(), 2u);
        const LOG_RECORD &recovery = log[log.size() - 2], &run = log.back();
        EXPECT_EQ(recovery.outcome, "recovered");
        std::vector<std::string> lines(run.lines.begin(), run.lines.begin() + 3);  // up to the version
        lines.insert(lines.end(), recovery.lines.begin(), recovery.lines.end());
        lines.insert(lines.end(), run.lines.begin() + 3, run.lines.end());
        EXPECT_EQ(next.m_lines, lines);
        EXPECT_TRUE(next.Has("        Restore file TallyPanel.dll successfully"));
    }
    // A stop at every point the run looks for one; the first point it no longer reaches makes
    // the run that succeeds.
    for (int check = 1;; ++check) {
        SCOPED_TRACE("stop at check " + std::to_string(check));
        CTestRunHost host;
        host.m_nStopAtCheck = check;
        const int code = Run(host, package);
        if (host.m_nChecks < check) {
            EXPECT_EQ(code, 0);
            EXPECT_TRUE(WorkFolders().empty());
            EXPECT_TRUE(host.Has(SUCCEEDED));
            EXPECT_TRUE(HasUpgradeRecord());
            EXPECT_EQ(m_strOutcome, "succeeded");
            break;
        }
        EXPECT_EQ(code, RESULT_NONE);
        EXPECT_TRUE(host.Has(CANCELLED));
        EXPECT_EQ(m_strOutcome, "stopped");
        ExpectUnchanged(host);
        ASSERT_LT(check, 100);
    }
    for (const PACKAGE_FILE& file : FILES) {
        SCOPED_TRACE(file.path);
        const std::string path = m_install.GetPath(file.path);
        EXPECT_EQ(ReadFileText(path), file.content);
        EXPECT_TRUE(GetLastWriteTime(path) == TimeOf(file.day));
    }
    std::printf("[ RUNS     ] %d upgrade runs\n", m_nRuns);
    RecordProperty("runs", m_nRuns);
}

// The command list the run carries out is the package's, installed into the run's own work
// folder: one planted in the user's temporary folder, before and during the run, is never read.
// Its commands' "<Temp>\\" is that work folder too, where the package's "<Temp>\\" entries are:
// a file planted under the same name in the user's temporary folder is never touched.
TEST_F(UpgradeRunTest, CommandListComesOnlyFromTheRunsOwnWorkFolder) {
    const std::string planted = m_scratch.Temp() + "CMD List.ini", plantedHelper = m_scratch.Temp() + "helper.txt";
    const std::string plantedText =
        "[CMD List]\r\nCMD count=1\r\n[CMD 1]\r\nType=Remove File\r\nDest Relative Path=.\\TallyPanel.dll\r\n";
    WriteFileText(planted, plantedText);
    WriteFileText(plantedHelper, "the user's");
    WriteFileText(m_install.GetPath("old.txt"), "to go");
    const std::vector<BYTE> package =
        CPackageWriter()
            .AddFile("<Temp>\\helper.txt", "the package's")
            .AddFile("<Temp>\\CMD List.ini",
                     "[CMD List]\r\nCMD count=2\r\n[CMD 1]\r\nType=Remove File\r\nDest Relative Path=.\\old.txt\r\n"
                     "[CMD 2]\r\nType=Remove File\r\nDest Relative Path=<Temp>\\helper.txt\r\n")
            .Bytes();
    CTestRunHost host;
    host.m_onLine = [&](const std::string& line) {
        if (line == "        Upgrade CMD List.ini successfully!") WriteFileText(planted, plantedText);
    };
    EXPECT_EQ(Run(host, package, true), 0);
    EXPECT_EQ(m_strOutcome, "result code 0");
    EXPECT_TRUE(host.Has("        Remove file old.txt completely"));
    EXPECT_TRUE(host.Has("        Remove file helper.txt completely"));
    EXPECT_FALSE(host.Has("        Start to remove file tallypanel.dll..."));
    EXPECT_EQ(::GetFileAttributesA(m_install.GetPath("old.txt").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(::GetFileAttributesA(m_install.GetPath("TallyPanel.dll").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ReadFileText(planted), plantedText);
    EXPECT_EQ(ReadFileText(plantedHelper), "the user's");
}

// The log is only ever a record: held open by another program it is passed over and the run is
// the same; near its limit it drops its oldest whole records for the new one; without an
// installation nothing is written anywhere.
TEST_F(UpgradeRunTest, TheUpgradeLogNeverChangesTheRunAndKeepsTheNewestRunWhole) {
    const std::vector<BYTE> package = CPackageWriter().Bytes();
    const std::string log = GetLogPath(m_install.GetFolder());
    CTestRunHost first;
    EXPECT_EQ(Run(first, package), 0);
    m_bCheckLog = false;  // each case below judges the log itself
    {
        SCOPED_TRACE("held open without sharing");
        const std::string before = ReadFileText(log);
        CScopedKernelHandle held(::CreateFileA(log.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        CTestRunHost host;
        EXPECT_EQ(Run(host, package), 0);
        held.Reset();
        EXPECT_EQ(host.m_lines, first.m_lines);
        EXPECT_EQ(ReadFileText(log), before);
    }
    {
        SCOPED_TRACE("nearly full");
        // Old records of one size, each smaller than the run's, up to the limit.
        const std::string old = "==== Upgrade run 2020-01-01 00:00:00, normal mode, installed version 0.0.6.1, "
                                "package version 0.0.6.3\r\n" + std::string(300, 'x') + "\r\n---- End of run: failed\r\n";
        std::string full;
        while (full.size() + old.size() <= UPGRADE_LOG_LIMIT) full += old;
        WriteFileText(log, full);
        CTestRunHost host;
        EXPECT_EQ(Run(host, package), 0);
        const std::string after = ReadFileText(log);
        EXPECT_LE(after.size(), UPGRADE_LOG_LIMIT);
        const std::vector<LOG_RECORD> records = ParseUpgradeLog(after);
        ASSERT_GE(records.size(), 2u);
        EXPECT_EQ(records.back().lines, host.m_lines);
        EXPECT_EQ(records.back().outcome, "succeeded");
        // The newest old records stay, as they were, and only as many go as the new one needs.
        const size_t kept = after.rfind("\r\n==== ") + 2;  // where the run's own record starts
        EXPECT_EQ(kept % old.size(), 0u);
        EXPECT_LT(kept, full.size());
        EXPECT_EQ(after.substr(0, kept), full.substr(full.size() - kept));
        EXPECT_GT(after.size() + old.size(), UPGRADE_LOG_LIMIT);
        EXPECT_FALSE(PathExists(log + ".new"));
    }
    {
        SCOPED_TRACE("not installed");
        const std::string before = ReadFileText(log);
        const std::string nowhere = m_scratch.Path() + "Nowhere\\";
        ASSERT_TRUE(m_install.SetInstallPath(nowhere));
        CTestRunHost host;
        EXPECT_EQ(Run(host, package), 2);
        EXPECT_EQ(ReadFileText(log), before);
        EXPECT_FALSE(PathExists(nowhere));
    }
}

}  // namespace

// An upgrade interrupted half way, whose journal names a backup that is gone: every other file
// comes back, that one gets its failure line, and the journal is set aside, not replayed again.
TEST_F(UpgradeRunTest, RecoveryWithAMissingBackupRestoresTheRestAndSetsTheJournalAside) {
    const std::string work = LeftWorkFolder();
    std::vector<ENTRY_PLAN> plans;
    for (const char* name : {"TallyPanel.dll", "ClockPanel.dll", "added.txt"}) {
        ENTRY_PLAN plan;
        plan.strDestPath = m_install.GetPath(name);
        plan.strTempPath = plan.strDestPath + ".new";
        ASSERT_EQ(BackUpDestination(TestCalls(), plan, work), "");
        // Installed as the run installs: a new file renamed over the old one.
        WriteFileText(plan.strTempPath, "new");
        ::SetFileAttributesA(plan.strDestPath.c_str(), FILE_ATTRIBUTE_NORMAL);
        ASSERT_TRUE(::MoveFileExA(plan.strTempPath.c_str(), plan.strDestPath.c_str(), MOVEFILE_REPLACE_EXISTING));
        plans.push_back(plan);
    }
    CUpgradeJournal journal(TestCalls());
    ASSERT_EQ(journal.WritePlan(m_install.GetFolder(), work, "", PACKAGE_VERSION, plans), "");
    ASSERT_TRUE(::DeleteFileA(plans[0].strBackupPath.c_str()));
    // Left by a run killed before its journal existed, and named by no journal: it goes. One held
    // open by another program to change it, and one another program made, stay as they are.
    const std::string stale = LeftWorkFolder(), busy = LeftWorkFolder();
    WriteFileText(stale + "JVR1.tmp", "backup");
    CScopedKernelHandle holder(::CreateFileA(busy.c_str(), DELETE,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    const std::string foreign = GetWindowsFolder() + "Temp\\QuorindoUpgrade-0123456789ABCDEF\\";
    ASSERT_TRUE(holder && ::CreateDirectoryA(foreign.c_str(), nullptr));
    WriteFileText(foreign + "JVR1.tmp", "a user's file");

    // The work folder is held while its backups are read: it cannot be swapped for another.
    CTestRunHost host;
    bool bSwapped = false;
    EXPECT_TRUE(RecoverInterruptedUpgrade(host, m_install.GetFolder(), RecoverySettings(false, [&](RUN_CHECKPOINT) {
        bSwapped |= ::MoveFileA(work.c_str(), (m_scratch.Path() + "swapped").c_str()) != FALSE;
    })));
    EXPECT_FALSE(bSwapped);
    const std::vector<std::string> expected = {
        "The last upgrade was interrupted, now will put back the previous version",
        "Because of some error when upgrading, now will restore to the previous version",
        "        Restore file added.txt, please waiting...",
        "        Restore file added.txt successfully",
        "        Restore file ClockPanel.dll, please waiting...",
        "        Restore file ClockPanel.dll successfully",
        "        Restore file TallyPanel.dll, please waiting...",
        "        Restore file TallyPanel.dll failed because of " + GetSystemErrorText(ERROR_FILE_NOT_FOUND),
        "Restore over!"};
    EXPECT_EQ(host.m_lines, expected);
    // A run of its own in the log, with the lines it showed.
    const std::vector<LOG_RECORD> log = ReadUpgradeLog(m_install.GetFolder());
    ASSERT_EQ(log.size(), 1u);
    EXPECT_TRUE(IsHeader(log[0], "Recovery run", "normal", OLDER_VERSION, PACKAGE_VERSION)) << log[0].header;
    EXPECT_EQ(log[0].lines, expected);
    EXPECT_EQ(log[0].outcome, "recovery failed");
    const SNAPSHOT after = TakeSnapshot(m_install.GetFolder());
    EXPECT_EQ(DescribeDifferences(m_before, after), " changed:TallyPanel.dll(bytes)(time)");
    EXPECT_FALSE(HasInterruptedUpgrade(TestCalls(), m_install.GetFolder()));
    EXPECT_NE(::GetFileAttributesA(GetSetAsideJournalPath(m_install.GetFolder()).c_str()),
              INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(HasRecoveryAtLogon());
    EXPECT_FALSE(PathExists(stale));
    EXPECT_EQ(ReadFileText(foreign + "JVR1.tmp"), "a user's file");
    DeleteTree(foreign);
    EXPECT_TRUE(PathExists(work + GetFileNameOf(plans[1].strBackupPath)));  // the set-aside journal's
    holder.Reset();
    EXPECT_FALSE(RecoverInterruptedUpgrade(host, m_install.GetFolder(), RecoverySettings()));
    EXPECT_FALSE(PathExists(busy));
    // A second journal set aside keeps a name of its own: a start keeps both work folders, with
    // their backups for a repair by hand, and the folder of a package build that is under way.
    const std::string second = LeftWorkFolder();
    const ENTRY_PLAN lost{m_install.GetPath("TallyPanel.dll"), "", second + "JVR9.tmp"};
    ASSERT_EQ(CUpgradeJournal(TestCalls()).WritePlan(m_install.GetFolder(), second, "", PACKAGE_VERSION, {lost}), "");
    CWorkFolder building(TestCalls());
    ASSERT_EQ(building.Create(), "");
    EXPECT_TRUE(RecoverInterruptedUpgrade(host, m_install.GetFolder(), RecoverySettings()));
    EXPECT_FALSE(RecoverInterruptedUpgrade(host, m_install.GetFolder(), RecoverySettings()));
    EXPECT_TRUE(PathExists(GetSetAsideJournalPath(m_install.GetFolder(), 2)));
    for (const std::string& kept : {work, second, building.Path()}) EXPECT_TRUE(PathExists(kept)) << kept;
}

// A second start while a run holds the run lock (a double launch, the server's /auto, RunOnce at
// another logon) puts nothing back and ends before it changes anything; the run ends all new.
TEST_F(UpgradeRunTest, ASecondStartWhileARunIsUnderWayLeavesItAlone) {
    m_bCheckLog = false;  // the second start's record comes in the middle of the run's
    CTestRunHost host, recovering, second;
    // Anybody may make a global mutex of our name, or open the lock file for its attributes: that
    // stops no run. (A start makes the lock file in an "Upgrade\" folder.)
    ASSERT_TRUE(MakeUpgradeFolder(TestCalls(), m_install.GetFolder()));
    EXPECT_FALSE(RecoverInterruptedUpgrade(host, m_install.GetFolder(), RecoverySettings()));
    CScopedKernelHandle mutex(::CreateMutexA(nullptr, TRUE, "Global\\QuorindoUpgradeRun"));
    CScopedKernelHandle reader(::CreateFileA(GetRunLockPath(m_install.GetFolder()).c_str(), FILE_READ_ATTRIBUTES, 0,
                                             nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(mutex && reader);
    int code = 0;
    host.m_onLine = [&](const std::string& line) {
        if (line != "        Upgrade - ClockPanel.dll...") return;
        std::thread([&] {
            EXPECT_FALSE(RecoverInterruptedUpgrade(recovering, m_install.GetFolder(), RecoverySettings(true)));
            code = CUpgradeRun(second, Settings(MakePackage(-1), true)).Execute();
        }).join();
    };
    EXPECT_EQ(Run(host, MakePackage(-1)), 0);
    EXPECT_TRUE(recovering.Has("The last upgrade is still under way in another upgrader, so nothing is put back"));
    EXPECT_EQ(code, 5);
    EXPECT_TRUE(second.Has("        Abort - Another upgrade of Quorindo is under way, please wait for it to end and run again!"));
    for (const PACKAGE_FILE& file : FILES) EXPECT_EQ(ReadFileText(m_install.GetPath(file.path)), file.content);
}

// Users may write where the journal's name lies, and make folders named like ours. A journal that
// names anything a run of ours could not have written is set aside with one abort line naming the
// value, and nothing of it is done: its backup would go over TallyPanel.dll or the victim, or the
// victim be deleted. The victim lies behind a
// link named like a work folder (made by the test run, see tests/CMakeLists.txt), which no
// start's clean-up ever empties.
TEST_F(UpgradeRunTest, AJournalNamingAnythingElseIsSetAsideAndNothingOfItIsDone) {
    const std::string link = GetWindowsFolder() + "Temp\\QuorindoUpgrade-000000000000001B\\", victim = link + "victim.dll";
    ASSERT_TRUE(IsReparsePoint(TestCalls(), link));
    WriteFileText(victim, "victim");
    WriteFileText(link + "CMD List.ini", "[CMD List]\r\nCMD count=1\r\n[CMD 1]\r\nType=Remove File\r\n"
                                         "Dest Relative Path=" + victim + "\r\n");
    const char* const keys[] = {"[Entry 1] Destination", "[Entry 1] Temporary", "[Entry 1] Backup", "Work Folder",
                                "Command List"};
    const std::pair<int, std::string> cases[] = {
        {0, victim}, {0, m_install.GetPath("..\\victim.dll")}, {0, "\\\\?\\" + victim}, {0, "victim.dll"},
        {1, victim}, {2, victim}, {3, m_scratch.Path()}, {3, link}, {4, link + "CMD List.ini"}};
    for (const auto& [key, value] : cases) {
        SCOPED_TRACE(std::string(keys[key]) + "=" + value);
        const std::string work = LeftWorkFolder();
        std::string values[] = {m_install.GetPath("TallyPanel.dll"), "", work + "JVR1.tmp", work, ""};
        WriteFileText(values[2], "planted");
        values[key] = value;
        const ENTRY_PLAN plan{values[0], values[1], values[2]};
        CUpgradeJournal journal(TestCalls());
        ASSERT_EQ(journal.WritePlan(m_install.GetFolder(), values[3], values[4], PACKAGE_VERSION, {plan}), "");
        ASSERT_EQ(key == 4 ? journal.SetPhase(JOURNAL_COMMANDS, {plan}) : "", "");
        CTestRunHost host;
        EXPECT_TRUE(RecoverInterruptedUpgrade(host, m_install.GetFolder(), RecoverySettings()));
        EXPECT_EQ(host.m_lines, std::vector<std::string>{"        Abort - The upgrade journal is set aside and not used "
                                                         "because of its value " + std::string(keys[key]) + "=" + value});
        EXPECT_EQ(ReadFileText(victim), "victim");
        ExpectUnchanged(host);
        EXPECT_TRUE(PathExists(GetSetAsideJournalPath(m_install.GetFolder())));
    }
    // Named like ours, but made by another program that lets everybody in: not believed by a start,
    // nor by a run, which then ends before it changes anything.
    const std::string foreign = GetWindowsFolder() + "Temp\\QuorindoUpgrade-0123456789ABCDEF\\";
    CScopedLocalMemory everybody = DescriptorFromSddl("D:(A;OICI;FA;;;WD)");
    SECURITY_ATTRIBUTES attributes{sizeof attributes, everybody.Get(), FALSE};
    ASSERT_TRUE(::CreateDirectoryA(foreign.c_str(), &attributes));
    WriteFileText(foreign + "JVR1.tmp", "a user's file");
    const std::string setAside = "        Abort - The upgrade journal is set aside and not used because of its value "
                                 "Work Folder=" + foreign + " (its access list lets S-1-1-0 in)";
    for (bool bRun : {false, true}) {
        CUpgradeJournal journal(TestCalls());
        EXPECT_EQ(journal.WritePlan(m_install.GetFolder(), foreign, "", PACKAGE_VERSION,
                                    {{m_install.GetPath("TallyPanel.dll"), "", foreign + "JVR1.tmp"}}), "");
        CTestRunHost host;
        m_bCheckLog = false;  // the run's record follows the start's
        if (bRun) {
            EXPECT_EQ(Run(host, MakePackage(-1)), 5);
            EXPECT_TRUE(host.Has("        Abort - The last upgrade still has files to put back, so this one can't start!"));
        } else {
            EXPECT_TRUE(RecoverInterruptedUpgrade(host, m_install.GetFolder(), RecoverySettings()));
        }
        EXPECT_TRUE(host.Has(setAside));
        ExpectUnchanged(host);
        EXPECT_EQ(ReadFileText(foreign + "JVR1.tmp"), "a user's file");
    }
    DeleteTree(foreign);
    // The installation holds only the journal's name: a plan written there is never read, and a
    // name leads only to a plan of this very installation in a work folder of ours.
    const std::string system = ExpandPathTokens("<System>\\qu-victim.dll", "");
    WriteFileText(system, "victim");
    const std::string otherInstall = m_scratch.Path() + "Other\\";
    ::CreateDirectoryA(otherInstall.c_str(), nullptr);
    for (const bool bOther : {false, true}) {
        // Made anew: each start sweeps the work folders its journal does not name.
        const std::string work = LeftWorkFolder();
        std::string name = "Work Folder=" + work, value = name + " (it holds no journal)";
        if (bOther) {
            const ENTRY_PLAN added{system, "", "", true};
            ASSERT_EQ(CUpgradeJournal(TestCalls()).WritePlan(otherInstall, work, "", PACKAGE_VERSION, {added}), "");
            value = "Install Folder=" + otherInstall;
        } else {
            name += "\r\nCount=1\r\n[Entry 1]\r\nDestination=" + system + "\r\nAdded=1";
        }
        WriteFileText(GetJournalPath(m_install.GetFolder()), "[Journal]\r\n" + name + "\r\n");
        CTestRunHost host;
        EXPECT_TRUE(RecoverInterruptedUpgrade(host, m_install.GetFolder(), RecoverySettings()));
        EXPECT_TRUE(host.Has("        Abort - The upgrade journal is set aside and not used because of its value " +
                             value));
        EXPECT_EQ(ReadFileText(system), "victim");
        ExpectUnchanged(host);
    }
    ::DeleteFileA(system.c_str());
}

// A count is believed only as far as its file holds what it counts: the package's ends at the
// first entry that is not there (code 8, nothing changed), the command list's at its last
// section, the registration record's at the items it holds, the journal's at its limit or its
// first entry without a destination, and a plan of more entries than that is never written.
// None of them makes anything for what is not there.
TEST_F(UpgradeRunTest, CountsEndWhereTheirFilesEnd) {
    for (const DWORD count : {2ul, 0x00FFFFFFul, 0xFFFFFFFFul}) {
        SCOPED_TRACE(count);
        CTestRunHost host;
        EXPECT_EQ(Run(host, CPackageWriter().AddFile(".\\TallyPanel.dll", "new").Bytes(count), true), 8);
        EXPECT_TRUE(host.Has("        Abort - The length for target file name is invalidation"));
        ExpectUnchanged(host);
    }
    WriteFileText(m_install.GetPath("RegisterFilter.log"), "[Register]\r\nCount=2147483647\r\nItem 1=C:\\a.ax\r\n");
    const std::string list = "[CMD List]\r\nCMD count=4294967295\r\n[CMD 1]\r\nType=Remove File\r\n"
                             "Dest Relative Path=.\\readme.txt\r\n";
    CTestRunHost host;
    EXPECT_EQ(Run(host, CPackageWriter().AddFile(".\\readme.txt", "x").AddFile("<Temp>\\CMD List.ini", list).Bytes()), 0);
    EXPECT_TRUE(host.Has("        The command list counts 4294967295 commands but holds only 1"));
    EXPECT_TRUE(host.Has("        Remove file readme.txt completely"));
    EXPECT_EQ(ReadFileText(m_install.GetPath("RegisterFilter.log")), "[Register]\r\nCount=1\r\nItem 1=C:\\a.ax\r\n");
    EXPECT_EQ(CUpgradeJournal(TestCalls()).WritePlan(m_install.GetFolder(), "", "", PACKAGE_VERSION,
                                          std::vector<ENTRY_PLAN>(MAX_JOURNAL_ENTRIES + 1)),
              "The package has 10001 entries, more than the upgrade journal holds (10000)");
    for (const char* count : {"4294967295", "2"}) {
        SCOPED_TRACE(count);
        const std::string work = LeftWorkFolder();
        const ENTRY_PLAN plan{m_install.GetPath("TallyPanel.dll"), "", "", true};
        ASSERT_EQ(CUpgradeJournal(TestCalls()).WritePlan(m_install.GetFolder(), work, "", PACKAGE_VERSION, {plan}), "");
        const std::string path = work + JOURNAL_FILE;
        std::string text = ReadFileText(path);
        text.replace(text.find("Count=1"), 7, std::string("Count=") + count);
        WriteFileText(path, text);
        CTestRunHost recovering;
        EXPECT_TRUE(RecoverInterruptedUpgrade(recovering, m_install.GetFolder(), RecoverySettings()));
        const std::string value = count[0] == '2' ? "[Entry 2] Destination=" : std::string("Count=") + count;
        EXPECT_EQ(recovering.m_lines, std::vector<std::string>{"        Abort - The upgrade journal is set aside and "
                                                               "not used because of its value " + value});
        EXPECT_TRUE(PathExists(m_install.GetPath("TallyPanel.dll")));
    }
}

// One rule for where a package may write. A path outside it is refused by its form by the builder
// and the package check (IsPlainStoredPath), and by a run before anything changes (code 8, a line
// naming it); inside it, the run installs it. A path without a token is judged where it points.
TEST_F(UpgradeRunTest, APackageWritesOnlyWhereTheRuleLetsIt) {
    const std::string system = ExpandPathTokens("<System>\\", "");
    const struct {
        std::string path;
        bool bPlain, bInstalled;
    } cases[] = {
        {".\\..\\..\\Windows\\x.dll", false, false}, {".\\AX\\..\\..\\x.dll", false, false},
        {"<Windows Disk>\\..\\x.dll", false, false},  {"\\\\server\\share\\x.dll", false, false},
        {"\\\\?\\" + system + "x.dll", false, false},   {"\\\\.\\PhysicalDrive0", false, false},
        {".\\CON", false, false},                    {".\\x.dll:stream", false, false},
        {".\\x.dll.", false, false},                 {"<Temp>\\..\\x.txt", false, false},
        {"x.dll", false, false},                     {".\\AX\\new.ax", true, true},
        {"<Temp>\\notes.txt", true, true},           {"<System>\\qu-rule.ax", true, true},
        {"<windows>\\qu-rule.ini", true, true},       {system + "qu-rule.dll", false, true},
        {"<Temp>\\sub\\x.txt", true, true},          {DISK_FILE, true, true},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.path);
        EXPECT_EQ(IsPlainStoredPath(entry.path), entry.bPlain);
        CTestRunHost host;
        const int code = Run(host, CPackageWriter().AddFile(entry.path, "new").Bytes());
        if (entry.bInstalled) {
            EXPECT_EQ(code, 0);
            continue;
        }
        EXPECT_EQ(code, 8);
        EXPECT_TRUE(host.Has("        Abort - The relative path '" + entry.path + "' is invalidation"));
        ExpectUnchanged(host);
    }
    for (const char* path :
         {".\\AX\\new.ax", "<System>\\qu-rule.ax", "<windows>\\qu-rule.ini", "<System>\\qu-rule.dll", DISK_FILE}) {
        EXPECT_EQ(ReadFileText(ExpandPathTokens(path, m_install.GetFolder())), "new") << path;
        if (path != DISK_FILE && path[0] == '<') ::DeleteFileA(ExpandPathTokens(path, "").c_str());
    }
    // A file below the system drive's root is put back like any other when the run fails.
    CTestRunHost failing;
    const TEST_ENTRY damaged{".\\TallyPanel.dll", 0, 0, {'n', 'o', 't', ' ', 'g', 'z', 'i', 'p'}};
    EXPECT_EQ(Run(failing, CPackageWriter().AddFile(DISK_FILE, "newer").Add(damaged).Bytes()), 9);
    EXPECT_EQ(ReadFileText(ExpandPathTokens(DISK_FILE, "")), "new");
    DeleteTree(ExpandPathTokens("<Windows Disk>\\QuorindoRule\\", ""));
}

// Administrators move large folders to another drive and leave a junction in their place: the
// installation is found through the link, and its files are installed, and put back, where the
// link leads.
TEST_F(UpgradeRunTest, AnInstallationBehindALinkIsUpgradedAndPutBack) {
    const std::string linked = m_scratch.Path() + "Linked";
    ASSERT_TRUE(MakeHostLink(m_install.GetFolder(), linked));
    ASSERT_TRUE(m_install.SetInstallPath(linked));
    CTestRunHost failing, host;
    EXPECT_EQ(Run(failing, MakePackage(3)), 9);
    EXPECT_TRUE(failing.Has("Restore over!"));
    ExpectUnchanged(failing);
    EXPECT_EQ(Run(host, MakePackage(-1)), 0);
    for (const PACKAGE_FILE& file : FILES) EXPECT_EQ(ReadFileText(m_install.GetPath(file.path)), file.content);
    EXPECT_TRUE(RemoveHostLink(linked));
}
