// Every system call an upgrade makes fails in turn, with each error a real machine gives, or the
// run is killed there; so does every call of a recovery after a kill. After each, the run tells
// the truth (its result code is its stage's, and no line says "successfully" of what is not so),
// nothing is left behind but what a pending journal names, and the next start either changes
// nothing or ends that journal: the installation is then wholly old or wholly new.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "support/CrashState.h"
#include "support/FailingCalls.h"
#include "support/FolderSnapshot.h"
#include "support/PackageWriter.h"
#include "support/RegistryValueGuard.h"
#include "support/SampleProduct.h"
#include "support/ScratchFolder.h"
#include "support/TestCalls.h"
#include "support/TestPaths.h"
#include "support/TestRunHost.h"
#include "system/OwnProgramFile.h"
#include "upgrade/InstallationLayout.h"
#include "upgrade/Recovery.h"
#include "upgrade/UpgradeRun.h"
#include "util/FileHelpers.h"
#include "util/PathParts.h"
#include "util/PathTokens.h"

namespace {

const char OLDER_VERSION[] = "0.0.6.5";
const char PACKAGE_VERSION[] = "0.0.6.7";
const char SUCCEEDED[] = "Upgrade successfully!";

// The faults: the errors a real machine gives a call, and a kill (no error: from that call on
// nothing more reaches the disk or the registry).
struct FAULT {
    const char* name;
    DWORD error;
};
const FAULT FAULTS[] = {{"disk full", ERROR_DISK_FULL},
                        {"access denied", ERROR_ACCESS_DENIED},
                        {"sharing violation", ERROR_SHARING_VIOLATION},
                        {"device I/O error", ERROR_IO_DEVICE},
                        {"kill", ERROR_SUCCESS}};

// One entry of every kind the run treats differently. The paths are the installation's, but for
// the <System>\ one; the command list removes old.txt and renames notes.txt.
struct SWEPT_FILE {
    const char* stored;
    const char* content;
};
const SWEPT_FILE FILES[] = {
    {".\\TallyPanel.dll", "tally new"},        // replaced: renamed over the old file
    {".\\ClockPanel.dll", "clock new"},        // replaced, read-only
    {".\\RecordPanel.dll", "record new"},      // held from its install on: its backup becomes a copy
    {".\\AX\\ScrollFilter.ax", "scroll new"},  // held all along, reading and writing shared: written in place
    {".\\Skins\\Night\\night.skin", "skin"},   // added, in a new folder
    {"<System>\\qu-sweep.ax", "system"},       // added outside the installation
};
const char READ_ONLY_FILE[] = "ClockPanel.dll";
const char HELD_AT_INSTALL[] = "RecordPanel.dll";
const char HELD_ALL_ALONG[] = "AX\\ScrollFilter.ax";
const char COMMAND_LIST[] = "[CMD List]\r\nCMD count=2\r\n"
                            "[CMD 1]\r\nType=Remove File\r\nDest Relative Path=.\\old.txt\r\n"
                            "[CMD 2]\r\nType=Rename\r\nDest Relative Path=.\\notes.txt\r\n"
                            "Another File Name=.\\notes.old\r\n";
// What the commands change, each with what it becomes: a command that fails, or a record of
// registrations that cannot be written, says so in a line, and the run goes on.
const char* const COMMAND_FILES[][2] = {{"old.txt", nullptr}, {"notes.txt", "notes.old"}, {"RegisterFilter.log", nullptr}};

std::string SystemFile() { return ExpandPathTokens(FILES[5].stored, ""); }

std::vector<BYTE> MakeSweptPackage() {
    CPackageWriter writer;
    for (size_t i = 0; i < std::size(FILES); ++i) writer.AddFile(FILES[i].stored, FILES[i].content, TimeOf(int(i) + 1));
    return writer.AddFile("<Temp>\\CMD List.ini", COMMAND_LIST).Bytes();
}

// What the run got to when a call failed, told by the lines a whole run shows, and the result
// codes a failure there may give besides 0 (a failure the run can do without).
struct STAGE {
    const char* line;        // the stage begins with the call after this line,
    SYSTEM_CALL afterLastOf;  // or after the last call of this kind before it
    std::set<int> codes;
};
const STAGE STAGES[] = {
    {nullptr, CALL_KINDS, {2, 3, 4, 5, 10}},  // the installation, the run lock, the self-copy
    // The package, the backup pass (a folder it cannot make fails that entry's install), the journal.
    {"Analyzing upgrade package, please waiting...", CALL_KINDS, {6, 7, 8, 9}},
    {"        Upgrade - TallyPanel.dll...", CALL_REGISTRY_WRITE, {9}},  // after the RunOnce value: the install pass
    {"Start to execute command", CALL_FLUSH, {13}},  // after the journal's phase: the commands, read and run
    {"Execute command over", CALL_KINDS, {13}},     // the record
    {SUCCEEDED, CALL_KINDS, {}},                    // the clean-up
};

// Where the recoveries begin: a run killed after these lines, in its install pass and in its commands.
const char* const KILL_LINES[] = {"        Upgrade RecordPanel.dll successfully!", "        Remove file old.txt completely"};

// One installation of the older version, made anew for each case: its files as the run finds them,
// the destinations held as the table says, and no upgrade of it under way.
class CSweptInstallation {
public:
    CSweptInstallation(const std::string& folder) {
        EXPECT_TRUE(m_install.CreateRegistered(OLDER_VERSION, folder));
        for (const char* name : {"old.txt", "notes.txt"}) {
            WriteFileText(Path(name), name);
            SetLastWriteTime(Path(name), TimeOf(-100));
        }
        EXPECT_TRUE(::SetFileAttributesA(Path(READ_ONLY_FILE).c_str(), FILE_ATTRIBUTE_READONLY));
        m_held.Reset(::CreateFileA(Path(HELD_ALL_ALONG).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, 0, nullptr));
        EXPECT_TRUE(m_held);
        ::DeleteFileA(SystemFile().c_str());
    }
    ~CSweptInstallation() {
        m_held.Reset();
        m_heldAtInstall.Reset();
        ::SetFileAttributesA(Path(READ_ONLY_FILE).c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(SystemFile().c_str());
        for (const std::string& folder : WorkFolders()) DeleteTree(folder);
    }
    std::string Path(const std::string& relative) const { return m_install.GetPath(relative); }
    const std::string& Folder() const { return m_install.GetFolder(); }
    // The programs that hold destinations end.
    void LetGo() {
        m_held.Reset();
        m_heldAtInstall.Reset();
    }
    // A second name of a destination cannot go while another program holds the file without
    // sharing its deletion: a work folder that holds only such names stays, for the next start.
    bool HoldsOnlyHeldNames(const std::string& folder) const {
        const std::vector<std::string> names = ListFiles(folder, "*");
        return m_held && !names.empty() && std::all_of(names.begin(), names.end(), [&](const std::string& name) {
                   return IsSameFile(TestCalls(), folder + name, Path(HELD_ALL_ALONG)) ||
                          IsSameFile(TestCalls(), folder + name, Path(HELD_AT_INSTALL));
               });
    }
    // Another program opens the file from its install line on, sharing reading and writing only.
    void HoldAtInstall() {
        m_heldAtInstall.Reset(::CreateFileA(Path(HELD_AT_INSTALL).c_str(), GENERIC_READ,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    }
    // The installation and the <System>\ file together.
    SNAPSHOT Take() const {
        SNAPSHOT state = TakeSnapshot(Folder());
        // Written whole by every run that reaches its commands, with the same items.
        state["RegisterFilter.log"].time = FILETIME{};
        if (PathExists(SystemFile())) state["<System>"] = {ReadFileText(SystemFile()), GetLastWriteTime(SystemFile()), 0};
        return state;
    }

private:
    CSampleInstallation m_install;
    CRegistryValueGuard m_runOnce{HKEY_LOCAL_MACHINE, RUN_ONCE_KEY, RUN_ONCE_VALUE};
    CScopedKernelHandle m_held, m_heldAtInstall;
};

// The host of a swept run: checks each line that says something was done against the disk as the
// line comes, and holds a destination open from its install line on.
class CSweepHost : public CTestRunHost {
public:
    CSweepHost(CSweptInstallation& install, const SNAPSHOT& old) : m_install(install), m_old(old) {
        m_onLine = [this](const std::string& line) { CheckLine(line); };
    }

private:
    void CheckLine(const std::string& line) {
        if (line == "        Upgrade - " + GetFileNameOf(HELD_AT_INSTALL) + "...") m_install.HoldAtInstall();
        const bool done = line.find(" successfully") != std::string::npos || line.find(" completely") != std::string::npos;
        if (!done) return;
        EXPECT_TRUE(line != SUCCEEDED || HasUpgradeRecord());
        EXPECT_TRUE(line != "        Remove file old.txt completely" || !PathExists(m_install.Path("old.txt")));
        EXPECT_TRUE(line.rfind("        Rename file notes.txt to ", 0) != 0 ||
                    ReadFileBytes(m_install.Path("notes.old")) == "notes.txt") << line;
        for (const SWEPT_FILE& file : FILES) {
            const std::string path = ExpandPathTokens(file.stored, m_install.Folder()), name = GetFileNameOf(path);
            const bool system = file.stored[0] == '<';
            const auto old = m_old.find(system ? "<System>" : path.substr(m_install.Folder().size()));
            const std::string oldBytes = old == m_old.end() ? "" : old->second.bytes;
            if (line == "        Upgrade " + name + " successfully!") {
                EXPECT_EQ(ReadFileBytes(path), file.content);
                EXPECT_TRUE(GetLastWriteTime(path) == TimeOf(static_cast<int>(&file - FILES) + 1)) << line;
            }
            if (line == "        Restore file " + name + " successfully") {
                EXPECT_EQ(ReadFileBytes(path), oldBytes);
                EXPECT_TRUE(old == m_old.end() || GetLastWriteTime(path) == old->second.time) << line;
            }
        }
    }
    CSweptInstallation& m_install;
    const SNAPSHOT& m_old;
};

class UpgradeFaultSweep : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFileText(m_strPackage, std::string(m_package.begin(), m_package.end()));
        // The first run of a process looks up what it then keeps (the work folders' owner and
        // access list): the second makes the calls every later run makes.
        {
            CSweptInstallation first(NextFolder());
            CTestRunHost host;
            ASSERT_EQ(CUpgradeRun(host, Settings(TestCalls())).Execute(), 0);
        }
        // A whole run: the new state, and where each stage begins.
        CSweptInstallation install(NextFolder());
        m_old = install.Take();
        CFailingCalls calls;
        CSweepHost host(install, m_old);
        host.m_onLine = [&, check = host.m_onLine](const std::string& line) {
            check(line);
            for (size_t stage = 1; stage < std::size(STAGES); ++stage) {
                if (line != STAGES[stage].line) continue;
                const SYSTEM_CALL kind = STAGES[stage].afterLastOf;
                m_stageStarts.push_back((kind == CALL_KINDS ? calls.CountCalls() : calls.GetLastCallOf(kind)) + 1);
            }
            for (const char* kill : KILL_LINES)
                if (line == kill) m_killCalls.push_back(calls.CountCalls() + 1);
        };
        ASSERT_EQ(CUpgradeRun(host, Settings(calls)).Execute(), 0);
        ASSERT_EQ(m_stageStarts.size(), std::size(STAGES) - 1);
        m_new = install.Take();
        m_systemTemps = ListFiles(GetFolderOfSystemFile(), "JVR*.tmp");
    }

    std::string NextFolder() { return m_scratch.Path() + "P" + std::to_string(m_nCases++) + "\\"; }
    static std::string GetFolderOfSystemFile() { return ExpandPathTokens("<System>\\", ""); }

    RUN_SETTINGS Settings(ISystemCalls& calls) {
        RUN_SETTINGS settings;
        settings.strPackageVersion = PACKAGE_VERSION;
        settings.bAutoMode = true;
        settings.pCalls = &calls;
        settings.pOwnFile = &m_ownFile;
        settings.strPackageFile = m_strPackage;
        return settings;
    }
    const STAGE& StageOf(size_t call) const {
        size_t stage = 0;
        while (stage < m_stageStarts.size() && m_stageStarts[stage] <= call) ++stage;
        return STAGES[stage];
    }

    // Wholly new (a command that failed said so) or wholly old.
    void ExpectWholeState(const CSweptInstallation& install, const std::vector<std::string>& lines) const {
        SNAPSHOT now = install.Take();
        if (now == m_old) return;
        SNAPSHOT expected = m_new;
        for (const auto& [name, renamed] : COMMAND_FILES) {
            const auto old = m_old.find(name);
            const auto got = now.find(name);
            if (got == now.end() || !(got->second == old->second) || (m_new.count(name) && m_new.at(name) == got->second))
                continue;
            // Left as it was: a line says why.
            expected[name] = old->second;
            if (renamed != nullptr) expected.erase(renamed);
            EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&, name = name](const std::string& line) {
                return line.find(name) != std::string::npos && line.find("fail") != std::string::npos;
            })) << name << " was left as it was, and no line says why";
        }
        EXPECT_TRUE(now == expected) << "neither old nor new:" << DescribeDifferences(m_new, now);
    }
    // What a run may leave: the journal it names for the next start, and that journal's files.
    void ExpectNothingLeft(const CSweptInstallation& install) const {
        // A RunOnce value without a journal starts a recovery at the next logon that finds nothing.
        const bool pending = HasInterruptedUpgrade(TestCalls(), install.Folder());
        EXPECT_TRUE(!pending || HasRecoveryAtLogon()) << "a journal without its RunOnce value";
        std::vector<std::string> left = WorkFolders();
        left.erase(std::remove_if(left.begin(), left.end(),
                                  [&](const std::string& folder) { return install.HoldsOnlyHeldNames(folder); }),
                   left.end());
        EXPECT_LE(left.size(), pending ? 1u : 0u);
        EXPECT_TRUE(ListFiles(m_scratch.Temp(), "*").empty());
        EXPECT_EQ(ListFiles(GetFolderOfSystemFile(), "JVR*.tmp"), m_systemTemps);
        std::set<std::string> upgrade;
        for (const std::string& name : ListFiles(GetUpgradeFolder(install.Folder()), "*")) upgrade.insert(name);
        upgrade.erase(SELF_COPY_FILE);
        upgrade.erase(RUN_LOCK_FILE);
        upgrade.erase(UPGRADE_LOG_FILE);
        if (pending) upgrade.erase(JOURNAL_FILE);
        EXPECT_TRUE(upgrade.empty()) << *upgrade.begin();
    }
    // The next start ends a pending journal, and changes nothing otherwise.
    void ExpectNextStartEnds(CSweptInstallation& install, const std::vector<std::string>& lines,
                             ISystemCalls& calls = TestCalls()) {
        install.LetGo();
        const bool pending = HasInterruptedUpgrade(TestCalls(), install.Folder());
        const SNAPSHOT before = install.Take();
        CTestRunHost host;
        RUN_SETTINGS settings = Settings(calls);
        EXPECT_EQ(RecoverInterruptedUpgrade(host, install.Folder(), settings), pending);
        EXPECT_FALSE(HasInterruptedUpgrade(TestCalls(), install.Folder()));
        ExpectNothingLeft(install);
        if (!pending) { EXPECT_TRUE(install.Take() == before); }
        std::vector<std::string> all = lines;
        all.insert(all.end(), host.m_lines.begin(), host.m_lines.end());
        ExpectWholeState(install, all);
        EXPECT_EQ(HasUpgradeRecord(), install.Take() != m_old);
    }
    // The run told the truth: its code is its stage's, or 0 for a run that did without the call.
    void ExpectTruthfulEnd(int code, const CSweepHost& host, const STAGE& stage, const CSweptInstallation& install) {
        EXPECT_EQ(host.Has(SUCCEEDED), code == 0);
        const bool pending = HasInterruptedUpgrade(TestCalls(), install.Folder());
        if (code == 0) {
            EXPECT_FALSE(install.Take() == m_old);
            ExpectWholeState(install, host.m_lines);
        } else {
            EXPECT_TRUE(stage.codes.count(code)) << "code " << code;
        }
        // Not finished: the journal sends the next start to the commands and the record.
        EXPECT_TRUE(code != 13 || pending);
        if (code != 0 && code != 13 && !pending) {
            EXPECT_TRUE(install.Take() == m_old) << DescribeDifferences(m_old, install.Take());
        }
    }

    // One case: the run's call fails (or the run is killed there), or, after a run killed at
    // killAt, the call of the recovery at the next start. False once the run or the recovery makes
    // fewer calls, and on a failure.
    bool SweepCall(const FAULT& fault, size_t call, size_t killAt) {
        SCOPED_TRACE(std::string(fault.name) + " at call " + std::to_string(call) +
                     (killAt == 0 ? "" : " of the recovery after a kill at " + std::to_string(killAt)));
        CSweptInstallation install(NextFolder());
        if (killAt != 0) {
            CFailingCalls killed;
            killed.KillAtCall(killAt);
            CSweepHost host(install, m_old);
            CUpgradeRun(host, Settings(killed)).Execute();
            EXPECT_TRUE(HasInterruptedUpgrade(TestCalls(), install.Folder()));
        }
        CFailingCalls calls;
        if (fault.error == ERROR_SUCCESS) calls.KillAtCall(call);
        else calls.FailCall(call, fault.error);
        CSweepHost host(install, m_old);
        int code = 0;
        if (killAt == 0) code = CUpgradeRun(host, Settings(calls)).Execute();
        else RecoverInterruptedUpgrade(host, install.Folder(), Settings(calls));
        if (!calls.HasFailed()) return false;
        if (fault.error != ERROR_SUCCESS) {
            if (killAt == 0) ExpectTruthfulEnd(code, host, StageOf(call), install);
            ExpectNothingLeft(install);
        }
        ExpectNextStartEnds(install, host.m_lines);
        DeleteNewSystemTemps();
        if (!HasFailure()) return true;
        std::printf("The failed call was of kind %d; the lines:\n", calls.GetFailedKind());
        for (const std::string& line : host.m_lines) std::printf("%s\n", line.c_str());
        return false;
    }
    void SweepEveryCall(size_t killAt) {
        for (const FAULT& fault : FAULTS) {
            size_t call = 1;
            while (SweepCall(fault, call, killAt)) ++call;
            if (HasFailure()) return;
            std::printf("[ SWEPT    ] %s at each of %zu calls", fault.name, call - 1);
            std::printf(killAt == 0 ? "\n" : " of a recovery after a kill at call %zu\n", killAt);
        }
    }
    // What a failed case left in the system folder, so the next case starts clean.
    void DeleteNewSystemTemps() const {
        for (const std::string& name : ListFiles(GetFolderOfSystemFile(), "JVR*.tmp"))
            if (std::find(m_systemTemps.begin(), m_systemTemps.end(), name) == m_systemTemps.end())
                ::DeleteFileA((GetFolderOfSystemFile() + name).c_str());
    }

    CScratchFolder m_scratch;
    std::vector<size_t> m_killCalls;
    const std::vector<BYTE> m_package = MakeSweptPackage();
    const std::string m_strPackage = m_scratch.Path() + "package.dat";
    COwnProgramFile m_ownFile{TestCalls()};
    size_t m_nCases = 0;
    SNAPSHOT m_old, m_new;
    std::vector<size_t> m_stageStarts;
    std::vector<std::string> m_systemTemps;
};

// A power cut at every change of a whole run, on a machine whose volumes can be flushed as a whole
// and on one where they cannot (Wine, a network share): every state the model allows at its
// extremes, the installation on a volume of its own, is recovered by the next start to one version.
class PowerCut : public UpgradeFaultSweep {
protected:
    void CutEverywhere(bool bVolumesFlush) {
        CSweptInstallation install(NextFolder());
        install.LetGo();
        CRecordingCalls calls(TestCalls(), install.Folder(), INSTALL_VOLUME, bVolumesFlush);
        CTestRunHost host;
        ASSERT_EQ(CUpgradeRun(host, Settings(calls)).Execute(), 0);
        calls.StopRecording();
        std::set<std::string> seen;
        size_t flushes = 0;
        for (const RECORDED_CHANGE& change : calls.GetChanges()) flushes += change.kind >= CHANGE_FLUSH_FILE;
        for (size_t cut = 0; cut <= calls.GetChanges().size(); ++cut) {
            for (int extremes = 0; extremes < 8; ++extremes) {
                const POWER_CUT power{cut, (extremes & 1) != 0, (extremes & 2) != 0, (extremes & 4) != 0};
                const CRASH_STATE state = BuildCrashState(calls, power, INSTALL_VOLUME);
                if (!seen.insert(DescribeCrashState(state)).second) continue;
                SCOPED_TRACE("cut after change " + std::to_string(cut) + (power.bLongestOnDisk ? ", longest" : ", shortest") +
                             " on the installation's volume" + (power.bLongestElsewhere ? ", longest" : ", shortest") +
                             " elsewhere, unflushed data " + (power.bDataKept ? "kept" : "lost"));
                PutCrashStateInPlace(state, calls);
                ExpectNextStartEnds(install, {}, calls);
                if (HasFailure()) return;
            }
        }
        std::printf("[ CUT      ] %zu states after %zu changes and %zu flushes\n", seen.size(), calls.GetChanges().size(),
                    flushes);
    }
    static constexpr char INSTALL_VOLUME = 'I';
};

TEST_F(UpgradeFaultSweep, EveryCallOfARunFails) { SweepEveryCall(0); }

TEST_F(UpgradeFaultSweep, EveryCallOfARecoveryAfterAKillFails) {
    ASSERT_EQ(m_killCalls.size(), std::size(KILL_LINES));
    for (const size_t killAt : m_killCalls) SweepEveryCall(killAt);
}

TEST_F(PowerCut, EveryStateTheDiskMayHoldIsRecoveredToOneVersion) {
    CutEverywhere(true);
    CutEverywhere(false);
}

}  // namespace
