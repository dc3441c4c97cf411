// The guarantee of a run: whatever fails and wherever the user stops it, the installation is
// left exactly as it was (apart from the upgrader's own copy in "Upgrade\" and folders made),
// no scratch file stays and no upgrade record is written; a run that succeeds leaves every
// file with the package's bytes and stored time.
//
// The runs need to act at each point where a run looks for a stop, which only the process that
// runs the dialog can do. So the test makes copies of its own program with a package in them,
// and each copy runs the real dialog in auto mode, once per case, with the run's hooks below.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "RunFixture.h"
#include "app/UpgradeApp.h"
#include "app/UpgradeDlg.h"
#include "framework/ScopedHandles.h"
#include "support/UpgradeServerWindow.h"
#include "util/PathParts.h"

using namespace e2e;

namespace {

// The program's application object: auto mode is switched on in the copies.
CUpgradeApp g_app;

const char* const MODE_VARIABLE = "QU_GUARANTEE_MODE";      // "intact" or the damaged entry's index
const char* const REPORT_VARIABLE = "QU_GUARANTEE_REPORT";  // where a copy writes its run count

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

std::vector<BYTE> MakePackage(int damaged) {
    CPackageWriter writer;
    for (int i = 0; i < 5; ++i) {
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

struct FILE_STATE {
    std::string bytes;
    FILETIME time;
    DWORD attributes;
    bool operator==(const FILE_STATE& other) const {
        return bytes == other.bytes && time == other.time && attributes == other.attributes;
    }
};
using SNAPSHOT = std::map<std::string, FILE_STATE>;

// Every file below the folder, but the upgrader's own copy folder.
void TakeSnapshot(const std::string& folder, const std::string& relative, SNAPSHOT& snapshot) {
    WIN32_FIND_DATAA data;
    CScopedFindHandle find(::FindFirstFileA((folder + relative + "*").c_str(), &data));
    if (!find) return;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (relative.empty() && _stricmp(name.c_str(), "Upgrade") == 0) continue;
            TakeSnapshot(folder, relative + name + "\\", snapshot);
        } else {
            snapshot[relative + name] = {ReadFileText(folder + relative + name), data.ftLastWriteTime,
                                         data.dwFileAttributes};
        }
    } while (::FindNextFileA(find.Get(), &data));
}

SNAPSHOT Snapshot(const std::string& folder) {
    SNAPSHOT snapshot;
    TakeSnapshot(folder, "", snapshot);
    return snapshot;
}

// The names of the files whose state differs, for the failure message.
std::string Differences(const SNAPSHOT& before, const SNAPSHOT& after) {
    std::string names;
    for (const auto& [name, state] : before) {
        auto found = after.find(name);
        if (found == after.end()) names += " missing:" + name;
        else if (!(found->second == state)) names += " changed:" + name;
    }
    for (const auto& [name, state] : after)
        if (before.find(name) == before.end()) names += " added:" + name;
    return names;
}

// The real dialog with hooks on the run: a Close pressed at one of the points where the run
// looks for a stop, and a destination held open from the moment its install line appears.
class CHookedDialog : public CUpgradeDlg {
public:
    int m_nStopAtCheck = 0;       // 1-based; 0: never
    std::string m_strLockFile;    // full path; empty: none
    mutable std::atomic<int> m_nChecks{0};
    std::vector<std::string> m_lines;

protected:
    bool IsStopRequested() const override {
        // The worker's own look after the run does not count: only DoUpgrade's.
        if (m_bInRun && ++m_nChecks == m_nStopAtCheck) {
            // As if Close had been pressed just before this point.
            ::PostMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            for (int i = 0; i < 1000 && !CUpgradeDlg::IsStopRequested(); ++i) ::Sleep(5);
        }
        return CUpgradeDlg::IsStopRequested();
    }
    int AppendLine(int nKind, const char* text) override {
        const std::string line = text;
        if (line == "Analyzing system, please waiting...") m_bInRun = true;
        if (line == CLOSING_LINE) m_bInRun = false;
        if (!m_strLockFile.empty() && line == "        Upgrade - " + GetFileNameOf(m_strLockFile) + "...") {
            m_lock.Reset(::CreateFileA(m_strLockFile.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                       nullptr));
        }
        if (!line.empty()) m_lines.push_back(line);
        return CUpgradeDlg::AppendLine(nKind, text);
    }

public:
    void ReleaseLock() { m_lock.Reset(nullptr); }

private:
    std::atomic<bool> m_bInRun{false};
    CScopedKernelHandle m_lock;
};

std::string GetVariable(const char* name) {
    char value[MAX_PATH] = {};
    const DWORD length = ::GetEnvironmentVariableA(name, value, MAX_PATH);
    return length > 0 && length < MAX_PATH ? value : "";
}

bool HasRecord() {
    return ::RegGetValueA(HKEY_LOCAL_MACHINE, PRODUCT_KEY, UPGRADE_TIME_VALUE, RRF_RT_REG_SZ, nullptr, nullptr,
                          nullptr) == ERROR_SUCCESS;
}

bool Contains(const std::vector<std::string>& lines, const std::string& text) {
    return std::find(lines.begin(), lines.end(), text) != lines.end();
}

// One copy's share of the runs, over the installation the registry names.
class CGuaranteeRuns {
public:
    CGuaranteeRuns() {
        char folder[MAX_PATH] = {};
        DWORD size = sizeof(folder);
        ::RegGetValueA(HKEY_LOCAL_MACHINE, PRODUCT_KEY, INSTALL_PATH_VALUE, RRF_RT_REG_SZ, nullptr, folder, &size);
        m_strInstall = std::string(folder) + "\\";
        m_before = Snapshot(m_strInstall);
        char temp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        m_strTemp = temp;
    }

    // One run; every failed or stopped run must leave the installation as it was.
    // A stop hook at a point the run no longer reaches lets it succeed.
    void Run(const std::string& name, CHookedDialog& dialog, bool expectSuccess = false) {
        ++m_nRuns;
        CUpgradeServerWindow server;
        dialog.DoModal();
        dialog.ReleaseLock();
        SCOPED_TRACE(name);
        if (dialog.m_nStopAtCheck > dialog.m_nChecks) expectSuccess = true;
        EXPECT_TRUE(ListFiles(m_strTemp, "JVR*.tmp").empty());
        if (expectSuccess) {
            EXPECT_TRUE(Contains(dialog.m_lines, "Upgrade successfully!"));
            EXPECT_TRUE(HasRecord());
            EXPECT_EQ(server.Codes(), std::vector<int>{0});
            return;
        }
        EXPECT_FALSE(Contains(dialog.m_lines, "Upgrade successfully!"));
        const SNAPSHOT after = Snapshot(m_strInstall);
        EXPECT_TRUE(after == m_before) << Differences(m_before, after);
        EXPECT_FALSE(HasRecord());
        const bool stopped = Contains(dialog.m_lines, "Upgrade cancelled by user");
        if (stopped) EXPECT_TRUE(server.Codes().empty());
        else EXPECT_EQ(server.Codes().size(), 1u);
    }

    const std::string& Install() const { return m_strInstall; }
    int Runs() const { return m_nRuns; }

private:
    std::string m_strInstall;
    std::string m_strTemp;
    SNAPSHOT m_before;
    int m_nRuns = 0;
};

// What a copy of this program does: its runs, then the count written for the test.
TEST(RunGuaranteeCopy, Runs) {
    const std::string mode = GetVariable(MODE_VARIABLE);
    if (mode.empty()) GTEST_SKIP() << "only in a copy made by the guarantee test";
    g_app.m_cmdInfo.m_bAuto = true;
    CGuaranteeRuns runs;

    if (mode != "intact") {
        CHookedDialog dialog;
        runs.Run("damaged entry " + mode, dialog);
    } else {
        // Each file the package replaces, held open when its turn comes.
        for (const PACKAGE_FILE& file : FILES) {
            if (::GetFileAttributesA((runs.Install() + file.path).c_str()) == INVALID_FILE_ATTRIBUTES) continue;
            CHookedDialog dialog;
            dialog.m_strLockFile = runs.Install() + file.path;
            runs.Run(std::string("locked ") + file.path, dialog);
        }
        // A stop at every point the run looks for one; the first point it no longer reaches
        // makes the run that succeeds.
        for (int check = 1;; ++check) {
            CHookedDialog dialog;
            dialog.m_nStopAtCheck = check;
            runs.Run("stop at check " + std::to_string(check), dialog);
            if (dialog.m_nChecks < check) break;
            EXPECT_TRUE(Contains(dialog.m_lines, "Upgrade cancelled by user")) << "check " << check;
            ASSERT_LT(check, 100);
        }
        for (const PACKAGE_FILE& file : FILES) {
            SCOPED_TRACE(file.path);
            const std::string path = runs.Install() + file.path;
            EXPECT_EQ(ReadFileText(path), file.content);
            EXPECT_TRUE(GetLastWriteTime(path) == TimeOf(file.day));
        }
    }
    std::ofstream(GetVariable(REPORT_VARIABLE)) << runs.Runs();
}

class RunGuaranteeTest : public RunTest {};

TEST_F(RunGuaranteeTest, EveryFailedOrStoppedRunLeavesTheInstallationAsItWas) {
    if (!GetVariable(MODE_VARIABLE).empty()) GTEST_SKIP();
    // Make the installation older than the package in every file it replaces.
    for (const PACKAGE_FILE& file : FILES) {
        const std::string path = m_install.GetPath(file.path);
        if (::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) SetLastWriteTime(path, TimeOf(-100));
    }
    ASSERT_TRUE(::SetFileAttributesA(m_install.GetPath(READ_ONLY_FILE).c_str(), FILE_ATTRIBUTE_READONLY));

    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string report = m_scratch.Path() + "runs.txt";
    ::SetEnvironmentVariableA(REPORT_VARIABLE, report.c_str());
    int total = 0;
    // The damaged packages first: the intact one's last run upgrades the installation.
    for (int damaged : {0, 1, 2, 3, 4, -1}) {
        const std::string mode = damaged < 0 ? "intact" : std::to_string(damaged);
        SCOPED_TRACE(mode);
        const std::string copy = m_scratch.Path() + "Guarantee" + mode + ".exe";
        ASSERT_TRUE(CopyWithPackage(self, copy, MakePackage(damaged)));
        ::SetEnvironmentVariableA(MODE_VARIABLE, mode.c_str());
        ::DeleteFileA(report.c_str());
        CChildProcess copyRun;
        // The copy's failures reach this test through its result file.
        const std::string results = m_scratch.Path() + "copy" + mode + ".json";
        ASSERT_TRUE(copyRun.Start(copy, "--gtest_filter=RunGuaranteeCopy.* --gtest_output=json:" + results,
                                  std::string(), false));
        DWORD exitCode = 1;
        EXPECT_TRUE(copyRun.Wait(120000, &exitCode));
        EXPECT_EQ(exitCode, 0u) << ReadFileText(results);
        int runs = 0;
        std::ifstream(report) >> runs;
        EXPECT_GT(runs, 0);
        total += runs;
    }
    ::SetEnvironmentVariableA(MODE_VARIABLE, nullptr);
    ::SetFileAttributesA(m_install.GetPath(READ_ONLY_FILE).c_str(), FILE_ATTRIBUTE_NORMAL);
    std::printf("[ RUNS     ] %d upgrade runs\n", total);
    RecordProperty("runs", total);
}

}  // namespace
