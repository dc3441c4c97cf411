#include <gtest/gtest.h>
#include <windows.h>

#include "support/TestCalls.h"
#include "support/RegistryValueGuard.h"
#include "support/SampleProduct.h"
#include "support/ScratchFolder.h"
#include "support/TestCommands.h"
#include "system/RegistryAccess.h"
#include "util/FileErrors.h"
#include "util/FileHelpers.h"

namespace {

class FileCommandsTest : public ::testing::Test {
protected:
    CScratchFolder m_scratch;
    const std::string m_strFolder = m_scratch.Path();
};

TEST_F(FileCommandsTest, RemoveFileReportsAMissingFileWithTheSystemsText) {
    const std::string file = m_strFolder + "old.ax";
    const std::string text = DoTestCommand("REMOVE FILE", file);
    EXPECT_EQ(text, "Remove file " + file + " failed because of " + GetSystemErrorText(ERROR_FILE_NOT_FOUND));
    EXPECT_NE(GetSystemErrorText(ERROR_FILE_NOT_FOUND), "");
}

TEST_F(FileCommandsTest, RenameMovesAReadOnlyFileButNeverReplacesAnother) {
    const std::string oldName = m_strFolder + "Skin.ini";
    const std::string newName = m_strFolder + "Skin.bak";
    WriteFileText(oldName, "skin");
    ASSERT_TRUE(::SetFileAttributesA(oldName.c_str(), FILE_ATTRIBUTE_READONLY));

    EXPECT_EQ(DoTestCommand("rename", oldName, newName), "");
    EXPECT_FALSE(FileExists(TestCalls(), oldName));
    EXPECT_EQ(ReadFileText(newName), "skin");
    EXPECT_FALSE(IsReadOnly(newName)) << "the attribute was cleared before the move";

    WriteFileText(oldName, "newer");
    EXPECT_EQ(DoTestCommand("Rename", oldName, newName),
              "Rename file Skin.ini to " + newName + " failed because of accessDenied");
    EXPECT_EQ(ReadFileText(oldName), "newer");
    EXPECT_EQ(ReadFileText(newName), "skin");

    EXPECT_EQ(DoTestCommand("Rename", m_strFolder + "none.ini", newName),
              "Rename file none.ini to " + newName + " failed because of fileNotFound");
    EXPECT_EQ(DoTestCommand("Rename", oldName, ""), "Rename file Skin.ini to  failed because of badPath");
}

TEST(AutoRunCommand, WritesTheValueOnceAndLeavesAnExistingOneAlone) {
    CRegistryValueGuard guard(HKEY_CURRENT_USER, RUN_KEY, "QxUpgradeServer");
    guard.Delete();

    // Quoted, so that Windows never starts "D:\\My.exe" for a path with blanks.
    EXPECT_EQ(DoTestCommand("AutoRun", "D:\\My Apps\\Quorindo\\QuorindoUpgradeServer.exe"), "");
    EXPECT_EQ(CRegistryAccess::ReadString(HKEY_CURRENT_USER, RUN_KEY, "QxUpgradeServer"),
              "\"D:\\My Apps\\Quorindo\\QuorindoUpgradeServer.exe\"");

    ASSERT_TRUE(guard.Set("\"D:\\Elsewhere\\Server.exe\" /quiet"));
    EXPECT_EQ(DoTestCommand("autorun", "C:\\Apps\\Quorindo\\QuorindoUpgradeServer.exe"), "");
    EXPECT_EQ(CRegistryAccess::ReadString(HKEY_CURRENT_USER, RUN_KEY, "QxUpgradeServer"),
              "\"D:\\Elsewhere\\Server.exe\" /quiet");
}

}  // namespace
