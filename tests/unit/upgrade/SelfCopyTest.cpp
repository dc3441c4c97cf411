#include <gtest/gtest.h>
#include <windows.h>

#include "framework/ScopedHandles.h"
#include "support/TestCalls.h"
#include "support/ChildProcess.h"
#include "support/RecordingSink.h"
#include "support/SampleProduct.h"
#include "support/ScratchFolder.h"
#include "support/TestPaths.h"
#include "system/OwnProgramFile.h"
#include "upgrade/SelfCopy.h"
#include "util/FileErrors.h"
#include "util/FileHelpers.h"
#include "util/PathParts.h"

namespace {

// How the test tells a copy of itself, started from an installation's "Upgrade\" folder, what
// to check and where to write what it saw.
const char* const INSTALL_VARIABLE = "QU_SELF_COPY_INSTALL";
const char* const REPORT_VARIABLE = "QU_SELF_COPY_REPORT";


ULONGLONG FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::string Variable(const char* name) {
    char value[MAX_PATH] = {};
    const DWORD length = ::GetEnvironmentVariableA(name, value, MAX_PATH);
    return length > 0 && length < MAX_PATH ? value : "";
}

// An installation folder (without its final backslash, as a caller may give it) with its
// "Upgrade\" folder. Every line of the self-copy is white.
class SelfCopyTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(::CreateDirectoryA(m_strInstall.c_str(), nullptr));
        m_strTarget = m_strInstall + "\\Upgrade\\";
    }

    bool Copy(const std::string& installFolder) {
        m_sink.lines.clear();
        return CopySelfToUpgradeFolder(TestCalls(), m_sink, installFolder, m_self);
    }
    std::vector<std::string> Lines() const {
        std::vector<std::string> texts;
        for (const auto& line : m_sink.lines) texts.push_back(line.nKind == LINE_INFO ? line.text : "(not white)");
        return texts;
    }
    std::vector<std::string> ExpectedStart() const {
        return {"Is checking Quorindo upgrade...", "        Now will copy QuorindoUpgrade.exe to folder " + m_strTarget};
    }

    CRecordingSink m_sink;
    COwnProgramFile m_self{TestCalls()};
    CScratchFolder m_scratch;
    const std::string m_strInstall = m_scratch.Path() + "Quorindo Product";
    std::string m_strTarget;
};

TEST_F(SelfCopyTest, CopyReplacesAnOlderOneUnderTheFixedName) {
    ASSERT_TRUE(::CreateDirectoryA(m_strTarget.c_str(), nullptr));
    WriteFileText(m_strTarget + "QuorindoUpgrade.exe", "older");
    EXPECT_TRUE(Copy(m_strInstall));

    std::vector<std::string> expected = ExpectedStart();
    expected.push_back("        Copy QuorindoUpgrade.exe to folder " + m_strTarget + " successfully");
    EXPECT_EQ(Lines(), expected);
    EXPECT_EQ(FileSize(m_strTarget + "QuorindoUpgrade.exe"), FileSize(GetOwnPath()));
    EXPECT_EQ(ListFiles(m_strTarget, "*").size(), 1u) << "the copy's new name stayed";
}

TEST_F(SelfCopyTest, MissingUpgradeFolderIsMadeAndAnEmptyInstallFolderChecksNothing) {
    EXPECT_TRUE(Copy(""));
    EXPECT_TRUE(Lines().empty());

    EXPECT_TRUE(Copy(m_strInstall + "\\"));
    EXPECT_EQ(Lines().size(), 3u);
    EXPECT_EQ(FileSize(m_strTarget + "QuorindoUpgrade.exe"), FileSize(GetOwnPath()));
}

// The copy is written under a new name and moved over the old one, which a running program's
// file refuses.
TEST_F(SelfCopyTest, TargetHeldByARunningCopyFailsWithTheSystemsReason) {
    ASSERT_TRUE(::CreateDirectoryA(m_strTarget.c_str(), nullptr));
    const std::string running = m_strTarget + "QuorindoUpgrade.exe";
    ASSERT_TRUE(::CopyFileA((GetSampleVersionFolder("0.0.6.7") + "Quorindo.exe").c_str(), running.c_str(), FALSE));
    CChildProcess program;
    ASSERT_TRUE(program.Start(running));
    const ULONGLONG before = FileSize(running);

    EXPECT_FALSE(Copy(m_strInstall));

    std::vector<std::string> expected = ExpectedStart();
    expected.push_back("        Abort - Copy QuorindoUpgrade.exe to folder " + m_strTarget + " failed because of " +
                       GetSystemErrorText(ERROR_ACCESS_DENIED));
    EXPECT_EQ(Lines(), expected);
    EXPECT_EQ(FileSize(running), before);
    EXPECT_EQ(ListFiles(m_strTarget, "*").size(), 1u) << "the copy's new name stayed";
}

// The upgrader started as the installation's own copy, through another path to it (its 8.3 name,
// as a shortcut or an older script may give it), with the install folder in other letter case:
// the copy is the running file, so nothing is copied.
TEST_F(SelfCopyTest, TheCopyStartedThroughASecondPathCopiesNothing) {
    ASSERT_TRUE(::CreateDirectoryA(m_strTarget.c_str(), nullptr));
    const std::string copy = m_strTarget + "QuorindoUpgrade.exe";
    ASSERT_TRUE(::CopyFileA(GetOwnPath().c_str(), copy.c_str(), FALSE));
    char shortPath[MAX_PATH] = {};
    ASSERT_NE(::GetShortPathNameA(copy.c_str(), shortPath, MAX_PATH), 0u);
    ASSERT_NE(GetFolderOf(shortPath), m_strTarget) << "no second path to the folder";
    std::string install = m_strInstall + "\\";
    ::CharUpperA(install.data());
    const std::string report = m_scratch.Path() + "report.txt";

    ::SetEnvironmentVariableA(INSTALL_VARIABLE, install.c_str());
    ::SetEnvironmentVariableA(REPORT_VARIABLE, report.c_str());
    CChildProcess child;
    const bool started = child.Start(shortPath, "--gtest_filter=SelfCopyChild.*", "", false);
    ::SetEnvironmentVariableA(INSTALL_VARIABLE, nullptr);
    ::SetEnvironmentVariableA(REPORT_VARIABLE, nullptr);
    ASSERT_TRUE(started);
    DWORD exitCode = 1;
    ASSERT_TRUE(child.Wait(60000, &exitCode));
    EXPECT_EQ(exitCode, 0u);

    EXPECT_EQ(ReadFileText(report), "true\nIs checking Quorindo upgrade...\n        Check Quorindo upgrade over.\n");
    EXPECT_EQ(ListFiles(m_strTarget, "*").size(), 1u);

    // The copy's image stays busy for a moment after it ended, and with it its folder.
    for (int i = 0; i < 100 && !::DeleteFileA(copy.c_str()); ++i) ::Sleep(50);
    for (int i = 0; i < 100 && !::RemoveDirectoryA(m_strTarget.c_str()); ++i) ::Sleep(50);
}

// Only the file that is the running image proves to be it: not another program, nor a copy of this
// one with a byte changed in its code.
TEST(OwnProgramFile, OnlyTheRunningImageProvesToBeIt) {
    const COwnProgramFile self(TestCalls());
    EXPECT_EQ(self.GetError(), "");
    CScratchFolder scratch;
    std::string bytes = ReadFileText(GetOwnPath());
    const LONG ntAt = reinterpret_cast<const IMAGE_DOS_HEADER*>(bytes.data())->e_lfanew;
    const IMAGE_SECTION_HEADER& code = *IMAGE_FIRST_SECTION(reinterpret_cast<const IMAGE_NT_HEADERS*>(&bytes[ntAt]));
    ASSERT_EQ(code.Characteristics & IMAGE_SCN_MEM_WRITE, 0u);
    bytes[code.PointerToRawData + code.SizeOfRawData / 2] ^= 0x01;
    const std::string changed = scratch.Path() + "changed.exe";
    WriteFileText(changed, bytes);
    for (const std::string& path : {changed, GetSampleVersionFolder("0.0.6.7") + "Quorindo.exe"}) {
        CScopedKernelHandle file(
            ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        EXPECT_EQ(CompareWithMappedImage(TestCalls(), file.Get(), ::GetModuleHandleA(nullptr)), "it is not the program that runs")
            << path;
    }
}

// Runs only inside the copy that the test above starts.
TEST(SelfCopyChild, ReportsWhatTheCheckDid) {
    const std::string install = Variable(INSTALL_VARIABLE);
    if (install.empty()) GTEST_SKIP() << "run by SelfCopyTest.UpgraderRunningFromTheTargetFolderCopiesNothing";
    CRecordingSink sink;
    const COwnProgramFile self(TestCalls());
    std::string report = CopySelfToUpgradeFolder(TestCalls(), sink, install, self) ? "true\n" : "false\n";
    for (const auto& line : sink.lines) report += line.text + (line.nKind == LINE_INFO ? "" : " (not white)") + "\n";
    WriteFileText(Variable(REPORT_VARIABLE), report);
}

}  // namespace
