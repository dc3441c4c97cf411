#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "support/TestCalls.h"
#include "support/SampleProduct.h"
#include "support/ScratchFolder.h"
#include "system/InstallProbe.h"
#include "system/ProductNames.h"

namespace {

std::string AsciiLower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// Each test starts with neither of the product's two registry records and a folder of its own.
class InstallProbeTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_installation.DeleteValue(PRODUCT_KEY, INSTALL_PATH_VALUE);
        m_installation.DeleteValue(PRODUCT_SERVER_KEY, "");
    }

    bool SetServerPath(const std::string& path) { return m_installation.SetValue(PRODUCT_SERVER_KEY, "", path); }

    CScratchFolder m_scratch;
    CSampleInstallation m_installation;
};

TEST_F(InstallProbeTest, NothingRegisteredMeansNotInstalled) {
    EXPECT_EQ(CInstallProbe::GetInstallPath(TestCalls()), "");
    ASSERT_TRUE(m_installation.SetInstallPath(""));
    ASSERT_TRUE(SetServerPath(""));
    EXPECT_EQ(CInstallProbe::GetInstallPath(TestCalls()), "");
    ASSERT_TRUE(m_installation.SetInstallPath(m_scratch.Path() + "Nowhere"));
    EXPECT_EQ(CInstallProbe::GetInstallPath(TestCalls()), "");
}

TEST_F(InstallProbeTest, InstallPathKeepsItsCaseAndEndsWithOneBackslash) {
    ASSERT_TRUE(m_installation.Create("0.0.6.5", m_scratch.Path() + "Apps\\Quorindo"));
    ASSERT_TRUE(m_installation.SetInstallPath());  // written without the final backslash
    EXPECT_EQ(CInstallProbe::GetInstallPath(TestCalls()), m_installation.GetFolder());
    ASSERT_TRUE(m_installation.SetInstallPath(m_installation.GetFolder()));
    EXPECT_EQ(CInstallProbe::GetInstallPath(TestCalls()), m_installation.GetFolder());
}

TEST_F(InstallProbeTest, EveryComponentIsNeededAndTheServerKeyIsNotReadThen) {
    ASSERT_TRUE(m_installation.Create("0.0.6.5", m_scratch.Path() + "Incomplete"));
    CSampleInstallation complete;
    ASSERT_TRUE(complete.Create("0.0.6.5", m_scratch.Path() + "Complete"));
    ASSERT_TRUE(SetServerPath(complete.GetPath("AX\\ScrollFilter.ax")));
    ASSERT_TRUE(m_installation.SetInstallPath());
    for (const char* component : SAMPLE_COMPONENTS) {
        const std::string path = m_installation.GetPath(component);
        const std::string aside = path + ".aside";
        ASSERT_TRUE(::MoveFileA(path.c_str(), aside.c_str())) << path;
        EXPECT_EQ(CInstallProbe::GetInstallPath(TestCalls()), "") << component;
        ASSERT_TRUE(::MoveFileA(aside.c_str(), path.c_str())) << path;
    }
    EXPECT_EQ(CInstallProbe::GetInstallPath(TestCalls()), m_installation.GetFolder());
}

TEST_F(InstallProbeTest, AFolderInPlaceOfAComponentDoesNotCount) {
    ASSERT_TRUE(m_installation.Create("0.0.6.5"));
    ASSERT_TRUE(m_installation.SetInstallPath());
    const std::string ticker = m_installation.GetPath("TickerPanel.dll");
    ASSERT_TRUE(::DeleteFileA(ticker.c_str()));
    ASSERT_TRUE(::CreateDirectoryA(ticker.c_str(), nullptr));
    EXPECT_EQ(CInstallProbe::GetInstallPath(TestCalls()), "");
}

TEST_F(InstallProbeTest, ServerKeyGivesTheLowerCasedFolderBeforeTheFilterFolder) {
    ASSERT_TRUE(m_installation.Create("0.0.6.5", m_scratch.Path() + "Program Files\\Quorindo"));
    ASSERT_TRUE(SetServerPath(m_installation.GetPath("AX\\ScrollFilter.ax")));
    EXPECT_EQ(CInstallProbe::GetInstallPath(TestCalls()), AsciiLower(m_installation.GetFolder()));

    // Only the first "\ax" counts: here it starts the folder AXIS, which holds the installation.
    if (AsciiLower(m_installation.GetFolder()).find("\\ax") != std::string::npos)
        GTEST_SKIP() << "the temporary folder itself holds \\ax";
    ASSERT_TRUE(SetServerPath(m_installation.GetPath("AXIS\\Quorindo\\AX\\FeedFilter.ax")));
    EXPECT_EQ(CInstallProbe::GetInstallPath(TestCalls()), AsciiLower(m_installation.GetFolder()));
    ASSERT_TRUE(SetServerPath(m_installation.GetFolder() + "Filters\\ScrollFilter.ax"));
    EXPECT_EQ(CInstallProbe::GetInstallPath(TestCalls()), "");
    ASSERT_TRUE(SetServerPath("\\AX\\ScrollFilter.ax"));
    EXPECT_EQ(CInstallProbe::GetInstallPath(TestCalls()), "");
}

TEST_F(InstallProbeTest, ServerKeyLeadingToAnIncompleteFolderMeansNotInstalled) {
    ASSERT_TRUE(m_installation.Create("0.0.6.5", m_scratch.Path() + "Axis\\Quorindo"));
    // The first "\ax" is the start of \axis, one level above the installation.
    ASSERT_TRUE(SetServerPath(m_installation.GetPath("AX\\FeedFilter.ax")));
    EXPECT_EQ(CInstallProbe::GetInstallPath(TestCalls()), "");
}

}  // namespace

// The product is a 32-bit program: its installer wrote its key where a 32-bit program reads it,
// which 64-bit Windows keeps under Software\WOW6432Node. The same key in the 64-bit view is
// nobody's installation.
TEST_F(InstallProbeTest, TheProductIsReadFromThe32BitRegistryViewOnly) {
    if (!RunsUnderWow64()) GTEST_SKIP() << "one registry view only: not a 32-bit program on 64-bit Windows";
    ASSERT_TRUE(m_installation.Create("0.0.6.5"));
    const std::string folder = m_installation.GetFolder();
    CRegistryValueGuard wide(HKEY_LOCAL_MACHINE, PRODUCT_KEY, INSTALL_PATH_VALUE, KEY_WOW64_64KEY);
    ASSERT_TRUE(wide.Set(folder));
    EXPECT_EQ(CInstallProbe::GetInstallPath(TestCalls()), "");

    wide.Delete();
    ASSERT_TRUE(m_installation.SetInstallPath(folder));
    EXPECT_EQ(CInstallProbe::GetInstallPath(TestCalls()), folder);
    EXPECT_EQ(ReadMachineString("Software\\WOW6432Node\\Quorindo", INSTALL_PATH_VALUE, KEY_WOW64_64KEY), folder);
    EXPECT_EQ(ReadMachineString(PRODUCT_KEY, INSTALL_PATH_VALUE, KEY_WOW64_64KEY), "");
}
