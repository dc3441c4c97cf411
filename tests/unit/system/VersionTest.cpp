#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "support/SampleProduct.h"
#include "system/FileVersionInfo.h"
#include "system/InstallProbe.h"
#include "system/ProductNames.h"
#include "system/VersionOrder.h"

namespace {

TEST(VersionOrder, ComparesTheDottedFieldsAsNumbers) {
    EXPECT_TRUE(IsOlderVersion("0.0.6.5", "0.0.6.7"));
    EXPECT_TRUE(IsOlderVersion("0.0.5.99", "0.0.6.7"));
    EXPECT_TRUE(IsOlderVersion("0.0.6.7", "0.0.6.10"));
    EXPECT_FALSE(IsOlderVersion("0.0.6.7", "0.0.6.7"));
    // Compared as text these would all count as older and be downgraded.
    EXPECT_FALSE(IsOlderVersion("0.0.6.10", "0.0.6.7"));
    EXPECT_FALSE(IsOlderVersion("0.0.10.0", "0.0.6.7"));
    EXPECT_FALSE(IsOlderVersion("1.0.0.0", "0.0.6.7"));
    EXPECT_FALSE(IsOlderVersion("65535.65535.65535.65535", "0.0.6.7"));
}

TEST(VersionOrder, MissingFieldsCountAsZeroAndLeadingZerosAreIgnored) {
    EXPECT_TRUE(IsOlderVersion("0.0.6", "0.0.6.7"));
    EXPECT_FALSE(IsOlderVersion("0.0.6.7", "0.0.6"));
    EXPECT_FALSE(IsOlderVersion("1", "1.0.0.0"));
    EXPECT_FALSE(IsOlderVersion("0.0.06.07", "0.0.6.7"));
    EXPECT_TRUE(IsOlderVersion("0.0.06.05", "0.0.6.7"));
}

TEST(VersionOrder, ATextThatIsNoVersionIsNeverOlder) {
    for (const char* text : {"", ".", "0.0.6.", ".0.6.5", "0..6.5", "0.0.6.5.1", "0.0.6.5 ", "v0.0.6.5", "0.0.-6.5",
                             "0.0.6.4294967296", "0,0,6,5"}) {
        EXPECT_FALSE(IsOlderVersion(text, "0.0.6.7")) << text;
        EXPECT_FALSE(IsOlderVersion("0.0.0.1", text)) << text;
    }
    EXPECT_TRUE(IsOlderVersion("0.0.6.4294967294", "0.0.6.4294967295"));
}

TEST(FileVersionInfo, ReadsTheFixedInformationAndTranslationOfABuiltProgram) {
    CFileVersionInfo info;
    ASSERT_TRUE(info.Open(GetSampleTestFile("1.10.2.3\\Quorindo.exe")));
    EXPECT_TRUE(info.IsValid());
    const VS_FIXEDFILEINFO& fixed = info.GetFixedFileInfo();
    EXPECT_EQ(fixed.dwSignature, CFileVersionInfo::FIXED_INFO_SIGNATURE);
    EXPECT_EQ(fixed.dwFileVersionMS, 0x0001000Au);
    EXPECT_EQ(fixed.dwFileVersionLS, 0x00020003u);
    EXPECT_EQ(fixed.dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(info.GetFileVersionText(), "1.10.2.3");
    ASSERT_EQ(info.GetTranslationCount(), 1u);
    EXPECT_EQ(info.GetTranslations()[0], 0x04B00409u);  // English (US), Unicode

    // Opening another file first lets go of the one before.
    ASSERT_TRUE(info.Open(GetSampleVersionFolder("0.0.6.7") + "AX\\FadeFilter.ax"));
    EXPECT_EQ(info.GetFileVersionText(), "0.0.6.7");
    EXPECT_EQ(info.GetFixedFileInfo().dwFileType, static_cast<DWORD>(VFT_DLL));
    info.Close();
    EXPECT_FALSE(info.IsValid());
    EXPECT_EQ(info.GetTranslations(), nullptr);
    EXPECT_EQ(info.GetFixedFileInfo().dwSignature, 0u);
}

TEST(FileVersionInfo, FailsAndHoldsNothingWithoutAResourceOrATranslationTable) {
    CFileVersionInfo info;
    EXPECT_FALSE(info.Open(nullptr));
    ASSERT_TRUE(info.Open(GetSampleVersionFolder("0.0.6.5") + "Quorindo.exe"));
    EXPECT_FALSE(info.Open(GetSampleTestFile("no-translation\\Quorindo.exe")));
    EXPECT_FALSE(info.IsValid());
    EXPECT_EQ(info.GetTranslationCount(), 0u);
    EXPECT_EQ(info.GetFixedFileInfo().dwFileVersionLS, 0u);
    EXPECT_FALSE(info.Open(GetSampleTestFile("no-version\\Quorindo.exe")));
    EXPECT_FALSE(info.Open(GetSampleFolder() + "missing.exe"));
    EXPECT_FALSE(info.Open(""));
}

TEST(InstalledVersion, ComesFromTheVersionResource) {
    std::string version;
    std::string upgradeVersion = "as passed";
    ASSERT_TRUE(CInstallProbe::GetInstalledVersion(GetSampleVersionFolder("0.0.6.5") + "Quorindo.exe", version,
                                                   upgradeVersion));
    EXPECT_EQ(version, "0.0.6.5");
    EXPECT_EQ(upgradeVersion, "as passed");
    ASSERT_TRUE(CInstallProbe::GetInstalledVersion(GetSampleTestFile("0.0.10.0\\Quorindo.exe"), version,
                                                   upgradeVersion));
    EXPECT_EQ(version, "0.0.10.0");
    EXPECT_FALSE(IsOlderVersion(version, "0.0.6.7"));
}

TEST(InstalledVersion, UnreadableResourceGivesFalseWithTheRegistryRecord) {
    CSampleInstallation installation;  // only for its registry guards
    ASSERT_TRUE(installation.SetValue(PRODUCT_KEY, INSTALL_VERSION_VALUE, "0.0.6.1"));
    ASSERT_TRUE(installation.SetValue(PRODUCT_KEY, UPGRADE_VERSION_VALUE, "0.0.6.3"));
    std::string version;
    std::string upgradeVersion;
    EXPECT_FALSE(CInstallProbe::GetInstalledVersion(GetSampleTestFile("no-translation\\Quorindo.exe"), version,
                                                    upgradeVersion));
    EXPECT_EQ(version, "0.0.6.1");
    EXPECT_EQ(upgradeVersion, "0.0.6.3");

    installation.DeleteValue(PRODUCT_KEY, INSTALL_VERSION_VALUE);
    installation.DeleteValue(PRODUCT_KEY, UPGRADE_VERSION_VALUE);
    EXPECT_FALSE(CInstallProbe::GetInstalledVersion(GetSampleTestFile("no-version\\Quorindo.exe"), version,
                                                    upgradeVersion));
    EXPECT_EQ(version, "");
    EXPECT_EQ(upgradeVersion, "");
}

}  // namespace
