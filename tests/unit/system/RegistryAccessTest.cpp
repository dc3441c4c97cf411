#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "framework/ScopedHandles.h"
#include "support/RegistryValueGuard.h"
#include "system/RegistryAccess.h"

namespace {

// Every test works in a key of its own below the current user's software key.
class RegistryAccessTest : public ::testing::Test {
protected:
    const std::string m_strKey = "Software\\QuorindoTests\\Registry" + std::to_string(::GetCurrentProcessId());

    void TearDown() override {
        DeleteRegistryTree(HKEY_CURRENT_USER, m_strKey);
        ::RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\QuorindoTests");
    }

    // Stores raw data the way another program might have.
    void PutRaw(const std::string& name, DWORD type, const void* data, DWORD size) {
        CScopedRegKey key;
        ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, m_strKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                    key.Receive(), nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(::RegSetValueExA(key.Get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size),
                  ERROR_SUCCESS);
    }

    DWORD StoredSize(const std::string& name, DWORD* type) {
        CScopedRegKey key;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, m_strKey.c_str(), 0, KEY_READ, key.Receive()) != ERROR_SUCCESS) {
            key.Release();
            return 0;
        }
        DWORD size = 0;
        ::RegQueryValueExA(key.Get(), name.c_str(), nullptr, type, nullptr, &size);
        return size;
    }
};

TEST_F(RegistryAccessTest, WriteCreatesTheKeyAndStoresTextWithItsTerminator) {
    const std::string deep = m_strKey + "\\Two\\Levels";
    ASSERT_TRUE(CRegistryAccess::WriteString(HKEY_CURRENT_USER, deep, "Upgrade Version", "0.0.6.7"));
    EXPECT_EQ(CRegistryAccess::ReadString(HKEY_CURRENT_USER, deep, "Upgrade Version"), "0.0.6.7");
    EXPECT_EQ(CRegistryAccess::ReadString(HKEY_CURRENT_USER, deep, "UPGRADE VERSION"), "0.0.6.7");

    ASSERT_TRUE(CRegistryAccess::WriteString(HKEY_CURRENT_USER, m_strKey, "Upgrade Version", "0.0.6.7"));
    DWORD type = 0;
    EXPECT_EQ(StoredSize("Upgrade Version", &type), 8u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));

    ASSERT_TRUE(CRegistryAccess::WriteString(HKEY_CURRENT_USER, m_strKey, "Empty", ""));
    EXPECT_EQ(StoredSize("Empty", &type), 1u);
    ASSERT_TRUE(CRegistryAccess::WriteString(HKEY_CURRENT_USER, m_strKey, "", "default text"));
    EXPECT_EQ(CRegistryAccess::ReadString(HKEY_CURRENT_USER, m_strKey, ""), "default text");
}

TEST_F(RegistryAccessTest, WriteFailsWhereNoKeyCanBeMade) {
    // Key names are limited to 255 characters.
    const std::string tooLongKey = m_strKey + "\\" + std::string(300, 'k');
    EXPECT_FALSE(CRegistryAccess::WriteString(HKEY_CURRENT_USER, tooLongKey, "x", "y"));
    EXPECT_EQ(CRegistryAccess::ReadString(HKEY_CURRENT_USER, tooLongKey, "x"), "");
}

TEST_F(RegistryAccessTest, ReadAnswersEmptyForWhatIsMissingOrTooLong) {
    EXPECT_EQ(CRegistryAccess::ReadString(HKEY_CURRENT_USER, m_strKey, "Install Path"), "");
    ASSERT_TRUE(CRegistryAccess::WriteString(HKEY_CURRENT_USER, m_strKey, "Other", "x"));
    EXPECT_EQ(CRegistryAccess::ReadString(HKEY_CURRENT_USER, m_strKey, "Install Path"), "");

    const std::string fits(999, 'a');  // 1000 bytes with its terminator
    const std::string tooLong(1000, 'b');
    ASSERT_TRUE(CRegistryAccess::WriteString(HKEY_CURRENT_USER, m_strKey, "Fits", fits));
    ASSERT_TRUE(CRegistryAccess::WriteString(HKEY_CURRENT_USER, m_strKey, "TooLong", tooLong));
    EXPECT_EQ(CRegistryAccess::ReadString(HKEY_CURRENT_USER, m_strKey, "Fits"), fits);
    EXPECT_EQ(CRegistryAccess::ReadString(HKEY_CURRENT_USER, m_strKey, "TooLong"), "");
}

TEST_F(RegistryAccessTest, ReadStopsAtTheDataOfAValueWithoutTerminator) {
    const char unterminated[4] = {'a', 'b', 'c', 'd'};
    PutRaw("Raw", REG_SZ, unterminated, sizeof(unterminated));
    EXPECT_EQ(CRegistryAccess::ReadString(HKEY_CURRENT_USER, m_strKey, "Raw"), "abcd");
    const std::string full(1000, 'c');  // exactly the buffer, no room for a terminator
    PutRaw("Full", REG_BINARY, full.data(), static_cast<DWORD>(full.size()));
    EXPECT_EQ(CRegistryAccess::ReadString(HKEY_CURRENT_USER, m_strKey, "Full"), full);
}

TEST_F(RegistryAccessTest, HasValueComparesNamesWithoutRegardToCase) {
    EXPECT_FALSE(CRegistryAccess::HasValue(HKEY_CURRENT_USER, m_strKey, "abc"));
    ASSERT_TRUE(CRegistryAccess::WriteString(HKEY_CURRENT_USER, m_strKey, "ABC", "1"));
    ASSERT_TRUE(CRegistryAccess::WriteString(HKEY_CURRENT_USER, m_strKey, "QxUpgradeServer", "2"));
    EXPECT_TRUE(CRegistryAccess::HasValue(HKEY_CURRENT_USER, m_strKey, "abc"));
    EXPECT_TRUE(CRegistryAccess::HasValue(HKEY_CURRENT_USER, m_strKey, "qxupgradeserver"));
    EXPECT_FALSE(CRegistryAccess::HasValue(HKEY_CURRENT_USER, m_strKey, "ab"));
    EXPECT_FALSE(CRegistryAccess::HasValue(HKEY_CURRENT_USER, m_strKey + "\\Missing", "abc"));
}

TEST_F(RegistryAccessTest, HasValueStopsAtANameLongerThanItsBuffer) {
    // Before the short name in creation order and in name order alike, so every walk meets it first.
    const std::string longName = "0" + std::string(CRegistryAccess::NAME_BUFFER_SIZE, 'x');
    const std::string longestFitting = "1" + std::string(CRegistryAccess::NAME_BUFFER_SIZE - 2, 'y');
    ASSERT_TRUE(CRegistryAccess::WriteString(HKEY_CURRENT_USER, m_strKey, longestFitting, "fits"));
    EXPECT_TRUE(CRegistryAccess::HasValue(HKEY_CURRENT_USER, m_strKey, longestFitting));
    ASSERT_TRUE(CRegistryAccess::WriteString(HKEY_CURRENT_USER, m_strKey, longName, "long"));
    ASSERT_TRUE(CRegistryAccess::WriteString(HKEY_CURRENT_USER, m_strKey, "zz", "short"));
    EXPECT_FALSE(CRegistryAccess::HasValue(HKEY_CURRENT_USER, m_strKey, "zz"));
}

}  // namespace
