// Whole upgrade runs through the real dialog: what the list says, what the installation, the
// registry and the product's programs look like afterwards, and how Close, Enter and "Upgrade"
// act on a run under way.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "RunFixture.h"
#include "support/UpgradeLogFile.h"
#include "system/RegistryAccess.h"

using namespace e2e;

namespace {

const char ADVICE[] =
    "Strongly recommend close all softwares, in especial some sofwares for playing media, for example : Windows Media "
    "Player, Media Player Classic...\nOtherwise it maybe cause upgrade failed!";
const char BUSY[] = "Is in upgrading, please waiting...";
const char CANCELLED[] = "Upgrade cancelled by user";
const char SUCCEEDED[] = "Upgrade successfully!";
const char RESTORE_START[] = "Because of some error when upgrading, now will restore to the previous version";

std::string ReadRegistryText(const char* value) {
    if (!CRegistryAccess::HasValue(HKEY_LOCAL_MACHINE, PRODUCT_KEY, value)) return "(none)";
    return CRegistryAccess::ReadString(HKEY_LOCAL_MACHINE, PRODUCT_KEY, value);
}

// Position of the first line with this text, or -1.
int IndexOf(const std::vector<robot::ListLine>& lines, const std::string& text) {
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].text == text) return static_cast<int>(i);
    return -1;
}

class UpgradeRunTest : public RunTest {
protected:
    // Starts the upgrader, presses "Upgrade" and confirms the advice.
    HWND StartRun(const std::vector<BYTE>& package, const std::string& name = "QuorindoUpgrade.exe") {
        if (!StartUpgrader(package, std::string(), name)) return nullptr;
        m_hDialog = robot::WaitForWindow(DIALOG_TITLE);
        if (m_hDialog != nullptr) PressUpgrade();
        return m_hDialog;
    }
    void PressUpgrade() {
        robot::PressButton(m_hDialog, UPGRADE_ID);
        HWND advice = robot::WaitForProcessWindow(m_upgrader.GetId(), "#32770", m_hDialog);
        ASSERT_NE(advice, nullptr);
        EXPECT_EQ(robot::GetMessageBoxText(advice), ADVICE);
        robot::PressButton(advice, IDOK);
    }
    // Waits for the closing line of the run; answers the lines.
    std::vector<robot::ListLine> WaitForEnd() {
        std::vector<robot::ListLine> lines;
        robot::WaitUntil([&] {
            lines = ReadLines(m_hDialog);
            return !lines.empty() && lines.back().text == CLOSING_LINE;
        }, 60000);
        return lines;
    }
    std::vector<robot::ListLine> Run(const std::vector<BYTE>& package, const std::string& name = "QuorindoUpgrade.exe") {
        if (StartRun(package, name) == nullptr) return {};
        return WaitForEnd();
    }
    // Waits until the run has ended the channel program: it then pauses a second.
    void WaitForChannelEnd(CChildProcess* channel) {
        DWORD exitCode = 0;
        EXPECT_TRUE(channel->Wait(robot::WAIT_MS, &exitCode));
        EXPECT_EQ(exitCode, 0xFFFFFFF7u);
    }

    HWND m_hDialog = nullptr;
};

TEST_F(UpgradeRunTest, RefusalsEndTheRunWithTheirAbortLine) {
    // Each refusal in turn, on the same installation.
    {
        ASSERT_TRUE(m_install.SetInstallPath(m_scratch.Path() + "Nowhere"));
        const auto lines = Run(CPackageWriter().Bytes());
        EXPECT_TRUE(HasLine(lines, "        Abort - The Quorindo has not been installed, so can't upgrade!", RED));
        m_upgrader.End();
        ASSERT_TRUE(m_install.SetInstallPath());
    }
    {
        CChildProcess* product = m_install.Start(PRODUCT_EXE_NAME);
        ASSERT_NE(product, nullptr);
        const auto lines = Run(CPackageWriter().Bytes());
        EXPECT_TRUE(HasLine(lines, "        Success - The installed version of Quorindo is 0.0.6.5.", WHITE));
        EXPECT_TRUE(HasLine(lines, "        Abort - The Quorindo is in running, please close it and run again!", RED));
        EXPECT_EQ(GetButtonText(m_hDialog, IDCANCEL), "Close");
        m_upgrader.End();
        m_install.EndPrograms();
    }
    {
        const auto lines = Run({0x07, 0x00});
        EXPECT_TRUE(HasLine(lines, "        Abort - Length for upgrade package is invalidation", RED));
        m_upgrader.End();
    }
    {
        ASSERT_TRUE(m_install.UseMainExecutable("no-version"));
        const auto lines = Run(CPackageWriter().Bytes());
        EXPECT_TRUE(HasLine(lines, "        Abort - Fetch the version of Quorindo failed, so can't upgrade!", RED));
        m_upgrader.End();
    }
    {
        ASSERT_TRUE(m_install.UseMainExecutable("1.10.2.3"));
        const auto lines = Run(CPackageWriter().Bytes());
        EXPECT_TRUE(HasLine(lines,
                            "        Abort - This package is upgrade the Quorindo to V0.0.6.7. The version you have "
                            "installed is more newer.",
                            RED));
        EXPECT_EQ(IndexOf(lines, "Analyzing upgrade package, please waiting..."), -1);
    }
}

// A download comes renamed: the upgrader copies its own file into the installation, never an older
// upgrader of the usual name that lies beside it, nor a program named as it would be with ".exe".
// Its file is held from its start, so nobody can rename it and put another under its name before
// the copy, which the installation later starts elevated.
TEST_F(UpgradeRunTest, ARenamedUpgraderCopiesItselfNotAnOlderNamesakeBesideIt) {
    const std::string target = m_install.GetPath("Upgrade\\");
    const std::string downloads = m_scratch.Path() + "Downloads\\";
    ::CreateDirectoryA(downloads.c_str(), nullptr);
    WriteFileText(downloads + "QuorindoUpgrade.exe", "an older upgrader");
    WriteFileText(downloads + "Setup.exe", "another program");
    for (const char* name : {"Setup.bin", "QuorindoUpgrade (1).exe", "Renamed.exe"}) {
        SCOPED_TRACE(name);
        ASSERT_NE(StartRun(CPackageWriter().Bytes(), name), nullptr);
        const std::string file = downloads + name;
        EXPECT_FALSE(::MoveFileA(file.c_str(), (file + ".old").c_str())) << "the running upgrader was renamed";
        const auto lines = WaitForEnd();
        EXPECT_TRUE(HasLine(lines, "        Copy QuorindoUpgrade.exe to folder " + target + " successfully", WHITE));
        EXPECT_TRUE(HasLine(lines, SUCCEEDED, WHITE));
        EXPECT_TRUE(ReadFileText(target + "QuorindoUpgrade.exe") == ReadFileText(file))
            << "the installation holds another file than the running upgrader";
        m_upgrader.End();
        ::DeleteFileA((target + "QuorindoUpgrade.exe").c_str());
    }
}

TEST_F(UpgradeRunTest, EmptyPackageSucceedsAndRecordsTheUpgradeAndASecondRunStartsAfresh) {
    auto lines = Run(CPackageWriter().Bytes());
    EXPECT_TRUE(HasLine(lines, SUCCEEDED, WHITE));
    EXPECT_TRUE(std::regex_match(ReadRegistryText(UPGRADE_TIME_VALUE),
                                 std::regex(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2})")))
        << ReadRegistryText(UPGRADE_TIME_VALUE);
    EXPECT_EQ(ReadRegistryText(UPGRADE_VERSION_VALUE), "0.0.6.7");
    EXPECT_TRUE(PathExists(m_install.GetPath("Upgrade\\QuorindoUpgrade.exe")));
    EXPECT_EQ(GetButtonText(m_hDialog, IDCANCEL), "Close");

    PressUpgrade();
    // The second run's record in the log comes after its list was emptied: a run too quick to be
    // seen with fewer lines is not missed.
    ASSERT_TRUE(robot::WaitUntil([&] { return ReadUpgradeLog(m_install.GetFolder()).size() == 2; }));
    lines = WaitForEnd();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front().text, "Analyzing system, please waiting...");
    EXPECT_EQ(IndexOf(lines, "Press button 'Upgrade' to start to upgrade Quorindo to Version : 0.0.6.7"), -1);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const auto& l) { return l.text == SUCCEEDED; }), 1);
    EXPECT_TRUE(ScratchFiles().empty());
}

TEST_F(UpgradeRunTest, EveryRunningChannelProgramIsEnded) {
    CChildProcess* first = m_install.Start("QxChannel.exe");
    CChildProcess* second = m_install.Start("QxChannel.exe");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    const auto lines = Run(CPackageWriter().AddFile(".\\readme.txt", "notes", TimeOf(3)).Bytes());
    EXPECT_TRUE(HasLine(lines, "        Prompt - 'QxChannel.exe' is in running, now will close it...", YELLOW));
    EXPECT_TRUE(HasLine(lines, "        Prompt - Terminate process 'QxChannel.exe' successfully! Now will upgrade it...",
                        YELLOW));
    EXPECT_TRUE(HasLine(lines, SUCCEEDED, WHITE));
    EXPECT_FALSE(first->IsRunning() || second->IsRunning()) << "a channel program was left running";
}

TEST_F(UpgradeRunTest, NoChannelProgramIsSaidAndTheUpgradeServersLockedFileIsOnlyAnError) {
    ASSERT_NE(m_install.Start("QuorindoUpgradeServer.exe"), nullptr);
    const std::string serverBefore = ReadFileText(m_install.GetPath("QuorindoUpgradeServer.exe"));
    const auto lines = Run(CPackageWriter()
                               .AddFile(".\\QuorindoUpgradeServer.exe", "new server", TimeOf(4))
                               .AddFile(".\\readme.txt", "notes", TimeOf(5))
                               .Bytes());
    EXPECT_TRUE(HasLine(lines, "        Prompt - 'QxChannel.exe' is not in running, now will upgrade it...", YELLOW));
    const int error = IndexOf(lines, "        Upgrade - QuorindoUpgradeServer.exe...") + 1;
    ASSERT_GT(error, 0);
    ASSERT_LT(error, static_cast<int>(lines.size()));
    EXPECT_EQ(lines[error].text.rfind("        Error - ", 0), 0u) << lines[error].text;
    EXPECT_EQ(lines[error].color, YELLOW);
    EXPECT_TRUE(HasLine(lines, "        Upgrade readme.txt successfully!", WHITE));
    EXPECT_TRUE(HasLine(lines, SUCCEEDED, WHITE));
    EXPECT_EQ(IndexOf(lines, RESTORE_START), -1);
    EXPECT_EQ(ReadFileText(m_install.GetPath("readme.txt")), "notes");
    EXPECT_EQ(ReadRegistryText(UPGRADE_VERSION_VALUE), "0.0.6.7");
    m_install.EndPrograms();
    EXPECT_EQ(ReadFileText(m_install.GetPath("QuorindoUpgradeServer.exe")), serverBefore);
}

// A package that takes a while to install: many entries of data that does not compress.
std::vector<BYTE> SlowPackage(int entries) {
    CPackageWriter writer;
    std::string content(64 * 1024, '\0');
    DWORD seed = 7;
    for (char& c : content) c = static_cast<char>((seed = seed * 1103515245 + 12345) >> 24);
    writer.AddFile(".\\TallyPanel.dll", content, TimeOf(10));
    for (int i = 0; i < entries; ++i) {
        content[0] = static_cast<char>(i);
        writer.AddFile(".\\Extra\\file" + std::to_string(i) + ".bin", content, TimeOf(11));
    }
    return writer.Bytes();
}

TEST_F(UpgradeRunTest, CloseDuringTheInstallStopsRestoresAndKeepsTheDialog) {
    const std::string tally = ReadFileText(m_install.GetPath("TallyPanel.dll"));
    ASSERT_NE(StartRun(SlowPackage(300)), nullptr);
    ASSERT_TRUE(robot::WaitUntil([&] { return NewestInstalledEntry(m_hDialog) >= 1; }, 60000));
    EXPECT_EQ(GetButtonText(m_hDialog, IDCANCEL), "Stop");
    robot::PressButton(m_hDialog, IDCANCEL);
    const auto lines = WaitForEnd();
    EXPECT_TRUE(HasLine(lines, CANCELLED, YELLOW));
    EXPECT_TRUE(HasLine(lines, "        Restore file TallyPanel.dll successfully", WHITE));
    EXPECT_TRUE(HasLine(lines, "Restore over!", WHITE));
    EXPECT_EQ(IndexOf(lines, SUCCEEDED), -1);
    EXPECT_EQ(GetButtonText(m_hDialog, IDCANCEL), "Close");
    EXPECT_EQ(ReadFileText(m_install.GetPath("TallyPanel.dll")), tally);
    EXPECT_TRUE(ListFiles(m_install.GetPath("Extra\\"), "*.bin").empty());
    EXPECT_EQ(ReadRegistryText(UPGRADE_TIME_VALUE), "(none)");
    EXPECT_TRUE(ScratchFiles().empty());
    EXPECT_TRUE(::IsWindow(m_hDialog));
    EXPECT_TRUE(m_upgrader.IsRunning());
    // A second Close ends the program.
    robot::PressButton(m_hDialog, IDCANCEL);
    EXPECT_TRUE(robot::WaitForHandle(m_upgrader.GetHandle()));
}

TEST_F(UpgradeRunTest, UpgradeTwiceSaysBusyAndEnterStopsTheRunAndEndsTheDialog) {
    const std::string tally = ReadFileText(m_install.GetPath("TallyPanel.dll"));
    CChildProcess* channel = m_install.Start("QxChannel.exe");
    ASSERT_NE(channel, nullptr);
    ASSERT_NE(StartRun(SlowPackage(300)), nullptr);
    WaitForChannelEnd(channel);
    // The run pauses after ending the channel program.
    EXPECT_EQ(GetButtonText(m_hDialog, IDCANCEL), "Stop");
    robot::PressButton(m_hDialog, UPGRADE_ID);
    HWND busy = robot::WaitForProcessWindow(m_upgrader.GetId(), "#32770", m_hDialog);
    ASSERT_NE(busy, nullptr);
    EXPECT_EQ(robot::GetMessageBoxText(busy), BUSY);
    robot::PressButton(busy, IDOK);
    EXPECT_EQ(GetButtonText(m_hDialog, IDCANCEL), "Stop");
    robot::PressButton(m_hDialog, IDOK);
    EXPECT_TRUE(robot::WaitForHandle(m_upgrader.GetHandle(), 60000));
    EXPECT_EQ(ReadFileText(m_install.GetPath("TallyPanel.dll")), tally);
    EXPECT_EQ(ReadRegistryText(UPGRADE_TIME_VALUE), "(none)");
    EXPECT_TRUE(ScratchFiles().empty());
}

}  // namespace
