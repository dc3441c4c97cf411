// The package the build embeds in QuorindoUpgrade.exe: every entry is a file of the sample
// product's newer version (or its command list) and inflates with the tests' own zlib, and the
// shipped upgrader brings a sample installation of the older version up to date in auto mode.
#include <windows.h>

#include <shlobj.h>

#include <gtest/gtest.h>

#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "framework/ScopedHandles.h"
#include "support/ChildProcess.h"
#include "support/ConsoleRun.h"
#include "support/RegistryValueGuard.h"
#include "robot/ResourceInjector.h"
#include "support/PackageWriter.h"
#include "support/SampleProduct.h"
#include "support/ScratchFolder.h"
#include "robot/WindowRobot.h"
#include "support/TestGzip.h"
#include "support/TestPaths.h"
#include "support/UpgradeServerWindow.h"
#include "system/FileVersionInfo.h"
#include "system/RegistryAccess.h"
#include "system/ProductNames.h"
#include "upgrade/ResultCodes.h"

namespace {

const DWORD RUN_WAIT_MS = 120000;
// The version of the package the build embeds, which is also the shipped programs' own version.
const char SHIPPED_VERSION[] = "0.0.6.7";
const char COMMAND_LIST_PATH[] = "<Temp>\\CMD List.ini";
const char FFDSHOW_KEY[] = "Software\\GNU\\ffdshow";

// What Explorer and deployment tools show, read back through the program's own version reader;
// a copy given another package (as a release or a test makes it) keeps the resource.
TEST(ShippedPackage, ProgramsCarryTheirVersionResource) {
    CScratchFolder scratch;
    const std::string copy = scratch.Path() + "QuorindoUpgrade.exe";
    ASSERT_TRUE(CopyWithPackage(GetProgramPath("QU_UPGRADE_EXE"), copy, std::vector<BYTE>(4, 0)));
    for (const std::string& program : {GetProgramPath("QU_UPGRADE_EXE"), GetProgramPath("QU_BUILDER_EXE"), copy}) {
        CFileVersionInfo info;
        ASSERT_TRUE(info.Open(program)) << program;
        EXPECT_EQ(info.GetFileVersionText(), SHIPPED_VERSION) << program;
    }
}

TEST(ShippedPackage, EveryEntryIsANewerSampleFileAndInflates) {
    const std::string package = ReadFileBytes(GetBuildFile("package/CompressData.dat"));
    ASSERT_GE(package.size(), 4u);
    EXPECT_EQ(ReadProgramResource(GetProgramPath("QU_UPGRADE_EXE"), "PACKAGE", 130), package) << "the upgrader embeds another package";

    const std::string newer = GetSampleVersionFolder(SHIPPED_VERSION);
    std::set<std::string> stored;
    const std::vector<PACKED_ENTRY> entries = ParsePackage(package);
    for (const PACKED_ENTRY& entry : entries) {
        SCOPED_TRACE(entry.path);
        // One fixed time for every entry, so two builds make the same package.
        EXPECT_EQ(entry.high, entries.front().high);
        EXPECT_NE(entry.low, 0u);
        std::string content;
        ASSERT_TRUE(GunzipBytes(std::vector<BYTE>(entry.data.begin(), entry.data.end()), content));
        if (entry.path == COMMAND_LIST_PATH) {
            EXPECT_EQ(content, ReadFileBytes(GetSampleCommandList()));
        } else {
            ASSERT_EQ(entry.path.substr(0, 2), ".\\");
            EXPECT_EQ(content, ReadFileBytes(newer + entry.path.substr(2)));
        }
        stored.insert(entry.path);
    }
    for (const char* component : SAMPLE_COMPONENTS) EXPECT_EQ(stored.count(std::string(".\\") + component), 1u) << component;
    EXPECT_EQ(stored.count(COMMAND_LIST_PATH), 1u);
    EXPECT_EQ(stored.count(".\\AX\\ScrollFilter.ax"), 1u);

    std::string printed;
    EXPECT_EQ(RunConsoleProgram(GetBuildFile("tools/pack/QuorindoPack.exe"),
                                "verify \"" + GetProgramPath("QU_UPGRADE_EXE") + "\"", &printed),
              0)
        << printed;
    EXPECT_NE(printed.find(std::to_string(entries.size()) + " entries, all well"), std::string::npos) << printed;
}

// A sample installation of the older version, registered as the product, with the registry
// values, filters and shortcuts the upgrade touches put back afterwards.
class ShippedUpgradeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_install.Create("0.0.6.5", m_scratch.Path() + "Product\\"));
        ASSERT_TRUE(m_install.SetInstallPath());
        m_install.DeleteValue(PRODUCT_KEY, UPGRADE_TIME_VALUE);
        m_install.DeleteValue(PRODUCT_KEY, UPGRADE_VERSION_VALUE);
        // The scroll filter names itself the product's server too; that value is put back.
        m_install.DeleteValue(PRODUCT_SERVER_KEY, "");
        m_autoRun.Delete();
        // A decoder is installed: its key exists.
        ASSERT_TRUE(m_mpg2.Set("old"));
        ASSERT_TRUE(m_cram.Set("old"));
        m_strMenuFolder = GetShellFolder(CSIDL_PROGRAMS) + "Quorindo";
        m_bMadeMenuFolder = ::CreateDirectoryA(m_strMenuFolder.c_str(), nullptr) != FALSE;
    }
    void TearDown() override {
        m_install.EndPrograms();
        for (const char* key : FILTER_CLASS_KEYS) DeleteRegistryTree(HKEY_LOCAL_MACHINE, key);
        ::DeleteFileA((m_strMenuFolder + "\\Quorindo Player.lnk").c_str());
        if (m_bMadeMenuFolder) ::RemoveDirectoryA(m_strMenuFolder.c_str());
    }

    CScratchFolder m_scratch;
    CSampleInstallation m_install;
    CChildProcess m_upgrader;
    CRegistryValueGuard m_autoRun{HKEY_CURRENT_USER, RUN_KEY, "QxUpgradeServer"};
    CRegistryValueGuard m_mpg2{HKEY_CURRENT_USER, FFDSHOW_KEY, "mpg2"};
    CRegistryValueGuard m_cram{HKEY_CURRENT_USER, FFDSHOW_KEY, "cram"};
    std::string m_strMenuFolder;
    bool m_bMadeMenuFolder = false;
};

TEST_F(ShippedUpgradeTest, AutoModeUpgradesTheSampleInstallationAndReportsSuccess) {
    ASSERT_NE(m_install.Start("QxChannel.exe"), nullptr);
    // The shipped upgrader as it is, outside the installation.
    const std::string upgrader = m_scratch.Path() + "QuorindoUpgrade.exe";
    ASSERT_TRUE(::CopyFileA(GetProgramPath("QU_UPGRADE_EXE").c_str(), upgrader.c_str(), FALSE));
    CUpgradeServerWindow server;
    ASSERT_TRUE(m_upgrader.Start(upgrader, "/auto", std::string(), false));
    ASSERT_TRUE(robot::WaitForHandle(m_upgrader.GetHandle(), RUN_WAIT_MS)) << "the auto run did not end";
    server.WaitForCodes(1, 1000);
    EXPECT_EQ(server.Codes(), std::vector<int>{RESULT_SUCCEEDED});

    const std::string newer = GetSampleVersionFolder(SHIPPED_VERSION);
    for (const char* component : SAMPLE_COMPONENTS)
        EXPECT_EQ(ReadFileBytes(m_install.GetPath(component)), ReadFileBytes(newer + component)) << component;
    EXPECT_EQ(CRegistryAccess::ReadString(HKEY_LOCAL_MACHINE, PRODUCT_KEY, UPGRADE_VERSION_VALUE), SHIPPED_VERSION);
    EXPECT_FALSE(CRegistryAccess::ReadString(HKEY_LOCAL_MACHINE, PRODUCT_KEY, UPGRADE_TIME_VALUE).empty());
    // The command list ran: filters registered and recorded, shortcut made, server auto-started.
    const std::string record = ReadFileBytes(m_install.GetPath("RegisterFilter.log"));
    for (const char* filter : {"AX\\ScrollFilter.ax", "AX\\FeedFilter.ax", "AX\\FadeFilter.ax"})
        EXPECT_NE(record.find(m_install.GetPath(filter)), std::string::npos) << record;
    EXPECT_EQ(CRegistryAccess::ReadString(HKEY_LOCAL_MACHINE, std::string(FILTER_CLASS_KEYS[0]) + "\\InprocServer32", ""),
              m_install.GetPath("AX\\ScrollFilter.ax"));
    EXPECT_NE(::GetFileAttributesA((m_strMenuFolder + "\\Quorindo Player.lnk").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(CRegistryAccess::ReadString(HKEY_CURRENT_USER, RUN_KEY, "QxUpgradeServer"),
              "\"" + m_install.GetPath("QuorindoUpgradeServer.exe") + "\"");
    EXPECT_EQ(ReadUserDword(FFDSHOW_KEY, "mpg2"), 1u);
    EXPECT_EQ(ReadUserDword(FFDSHOW_KEY, "cram"), 0u);
    EXPECT_NE(::GetFileAttributesA(m_install.GetPath("Upgrade\\QuorindoUpgrade.exe").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(ListFiles(m_scratch.Temp(), "JVR*.tmp").empty());
}

}  // namespace
