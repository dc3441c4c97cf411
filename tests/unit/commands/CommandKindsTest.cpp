#include <gtest/gtest.h>

#include <memory>

#include "support/TestCalls.h"
#include "support/ScratchFolder.h"
#include "support/TestCommands.h"
#include "util/IniFile.h"
#include "util/PathTokens.h"

namespace {

const char* const INSTALL = "C:\\Apps\\Quorindo\\";

TEST(CommandKinds, ValuesReadAlikeWithOrWithoutBlanksAndPathsAreExpanded) {
    CScratchFolder scratch;
    CIniFile list;
    list.Parse("[CMD 1]\r\nType = Rename\r\nDest Relative Path =.\\Skin\\old.ini\r\n"
                  "Another File Name=  <System>\\new.ini  \r\nSource Path = <Temp>\\src.exe\r\n\r\n"
                  "[CMD 2]\r\nType=ShortCut\r\nDest Relative Path= Tools\\Quorindo \r\n");

    // "<Temp>\" is the folder the list lies in: in a run, the run's own work folder.
    const WRITE_FOLDERS folders = GetWriteFolders(TestCalls(), INSTALL, scratch.Path());
    CUpgradeCommand first;
    first.ReadFromIni(list, "CMD 1", folders);
    EXPECT_EQ(first.m_strType, "Rename");
    EXPECT_EQ(first.m_strDestPath, "C:\\Apps\\Quorindo\\Skin\\old.ini");
    EXPECT_EQ(first.m_strAnotherFileName, GetWindowsFolder() + "System32\\new.ini");
    EXPECT_EQ(first.m_strSourcePath, scratch.Path() + "src.exe");

    CUpgradeCommand second;
    second.ReadFromIni(list, "cmd 2", folders);
    EXPECT_EQ(second.m_strType, "ShortCut");
    EXPECT_EQ(second.m_strDestPath, "Tools\\Quorindo");
    EXPECT_EQ(second.m_strSourcePath, "");

    CUpgradeCommand missing;
    missing.ReadFromIni(list, "CMD 3", folders);
    EXPECT_EQ(missing.m_strType + missing.m_strDestPath + missing.m_strSourcePath + missing.m_strAnotherFileName, "");
}

TEST(CommandKinds, DescriptionsNameTheFileOrTheWholePath) {
    const std::string dest = "C:\\Apps\\Quorindo\\AX\\FeedFilter.ax";
    EXPECT_EQ(MakeTestCommand("Register", dest)->GetDescription(), "Register FeedFilter.ax");
    EXPECT_EQ(MakeTestCommand("UNREGISTER", dest)->GetDescription(), "Unregister FeedFilter.ax");
    EXPECT_EQ(MakeTestCommand("remove file", dest)->GetDescription(), "Remove file FeedFilter.ax");
    EXPECT_EQ(MakeTestCommand("Rename", dest, "C:\\x\\Feed.old")->GetDescription(),
              "Rename file FeedFilter.ax to C:\\x\\Feed.old");
    EXPECT_EQ(MakeTestCommand("Rename", dest)->GetDescription(), "Rename file FeedFilter.ax to ");
    EXPECT_EQ(MakeTestCommand("shortcut", "Tools\\Upgrade")->GetDescription(), "Create shortcut Tools\\Upgrade");
    EXPECT_EQ(MakeTestCommand("RemoveShortCut", dest)->GetDescription(), "Remove shortcut " + dest);
    EXPECT_EQ(MakeTestCommand("AutoRun", ".\\x\\QuorindoUpgradeServer.exe")->GetDescription(),
              "Enable QuorindoUpgradeServer.exe to auto run");
}

TEST(CommandKinds, KindsAreWholeWordsSoNearMissesAreUnknown) {
    for (const char* type : {"", "Remove", "Delete", "RemoveFile", "Remove  File", "Register ", "Auto Run"}) {
        SCOPED_TRACE(type);
        CRegistrationList registered = {"C:\\kept.ax"};
        const auto command = MakeTestCommand(type, "C:\\nowhere\\a.ax", "", "", &registered);
        EXPECT_EQ(command->GetDescription(), "Unknow command");
        const STEP_RESULT result = command->Do();
        EXPECT_FALSE(result.Succeeded());
        EXPECT_EQ(result.strText, "Unknow command");
        EXPECT_EQ(registered, CRegistrationList{"C:\\kept.ax"});
    }
}

TEST(CommandKinds, ServerCommandsWithoutAPathFailAlikeAndNothingIsUndone) {
    CRegistrationList registered;
    const auto registration = MakeTestCommand("Register", "", "", "", &registered);
    EXPECT_EQ(registration->Do().strText, "The file to register is empty!");
    EXPECT_TRUE(registration->Undo().Succeeded());
    EXPECT_EQ(registered, CRegistrationList{""}) << "the record keeps what was asked for";
    EXPECT_EQ(MakeTestCommand("Unregister", "", "", "", &registered)->Do().strText, "The file to register is empty!");
    EXPECT_TRUE(registered.empty());
}

}  // namespace
