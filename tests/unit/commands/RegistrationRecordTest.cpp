#include <gtest/gtest.h>

#include "commands/RegistrationRecord.h"
#include "support/ScratchFolder.h"

namespace {

class RegistrationRecordTest : public ::testing::Test {
protected:
    CScratchFolder m_scratch;
    const std::string m_strFolder = m_scratch.Path();
    const std::string m_strRecord = m_strFolder + "RegisterFilter.log";
};

TEST_F(RegistrationRecordTest, MissingRecordLoadsEmptyAndAnEmptyListStillWritesTheCount) {
    CRegistrationList list = {"left over"};
    LoadRegistrationRecord(m_strFolder, list);
    EXPECT_TRUE(list.empty());

    SaveRegistrationRecord(m_strFolder, list);
    EXPECT_EQ(ReadFileText(m_strRecord), "[Register]\r\nCount=0\r\n");
}

TEST_F(RegistrationRecordTest, ItemsUpToTheCountLoadAsReadAndSaveBackInOrder) {
    // Item 4 lies beyond the count, so it is never read; Items 2 and 3 are missing.
    WriteFileText(m_strRecord, "[Register]\r\nCount = 3\r\nItem 1 = C:\\Apps\\AX\\a.ax\r\nItem 4=C:\\x.ax\r\n");
    CRegistrationList list;
    LoadRegistrationRecord(m_strFolder, list);
    EXPECT_EQ(list, (CRegistrationList{"C:\\Apps\\AX\\a.ax", "", ""}));

    SaveRegistrationRecord(m_strFolder, list);
    EXPECT_EQ(ReadFileText(m_strRecord), "[Register]\r\nCount=3\r\nItem 1=C:\\Apps\\AX\\a.ax\r\nItem 2=\r\nItem 3=\r\n");
}

TEST_F(RegistrationRecordTest, SavingAShorterListLeavesNoOlderItemsBehind) {
    const CRegistrationList longer = {"C:\\1.ax", "C:\\2.ax", "C:\\1.ax", "C:\\4.ax"};
    SaveRegistrationRecord(m_strFolder, longer);
    CRegistrationList list;
    LoadRegistrationRecord(m_strFolder, list);
    EXPECT_EQ(list, longer) << "repeated paths are kept";

    SaveRegistrationRecord(m_strFolder, {"C:\\2.ax"});
    EXPECT_EQ(ReadFileText(m_strRecord), "[Register]\r\nCount=1\r\nItem 1=C:\\2.ax\r\n");
}

}  // namespace
