#include <gtest/gtest.h>

#include "commands/RegistrationRecord.h"
#include "support/TestCalls.h"
#include "support/ScratchFolder.h"
#include "util/IniFile.h"

namespace {

class RegistrationRecordTest : public ::testing::Test {
protected:
    CScratchFolder m_scratch;
    const std::string m_strFolder = m_scratch.Path();
    const std::string m_strRecord = m_strFolder + "RegisterFilter.log";
};

TEST_F(RegistrationRecordTest, MissingRecordLoadsEmptyAndAnEmptyListStillWritesTheCount) {
    CRegistrationList list = {"left over"};
    LoadRegistrationRecord(TestCalls(), m_strFolder, list);
    EXPECT_TRUE(list.empty());

    SaveRegistrationRecord(TestCalls(), m_strFolder, list);
    EXPECT_EQ(ReadFileText(m_strRecord), "[Register]\r\nCount=0\r\n");
}

TEST_F(RegistrationRecordTest, TheItemsHeldUpToTheCountLoadAsReadAndSaveBackInOrder) {
    // Item 2 is missing, Item 3 is empty, Item 4 lies beyond the count and "Item 01" is no item key.
    WriteFileText(m_strRecord, "[Register]\r\nCount = 3\r\nitem 3=\r\nItem 1 = C:\\Apps\\AX\\a.ax\r\n"
                               "Item 4=C:\\x.ax\r\nItem 01=C:\\y.ax\r\n");
    CRegistrationList list;
    LoadRegistrationRecord(TestCalls(), m_strFolder, list);
    EXPECT_EQ(list, (CRegistrationList{"C:\\Apps\\AX\\a.ax", ""}));

    SaveRegistrationRecord(TestCalls(), m_strFolder, list);
    EXPECT_EQ(ReadFileText(m_strRecord), "[Register]\r\nCount=2\r\nItem 1=C:\\Apps\\AX\\a.ax\r\nItem 2=\r\n");

    // A damaged count promises no more than the file holds (believed, it would exhaust the memory).
    WriteFileText(m_strRecord, "[Register]\r\nCount=90000000\r\nItem 1=C:\\1.ax\r\nItem 2=C:\\2.ax\r\n");
    LoadRegistrationRecord(TestCalls(), m_strFolder, list);
    EXPECT_EQ(list, (CRegistrationList{"C:\\1.ax", "C:\\2.ax"}));
    // Nor is a file larger than any list read, as it would take its size in memory: it holds nothing.
    WriteFileText(m_strRecord, "[Register]\r\nCount=1\r\nItem 1=C:\\1.ax\r\n" + std::string(MAX_LIST_FILE_SIZE, ';'));
    LoadRegistrationRecord(TestCalls(), m_strFolder, list);
    EXPECT_TRUE(list.empty());
}

TEST_F(RegistrationRecordTest, SavingAShorterListLeavesNoOlderItemsBehind) {
    const CRegistrationList longer = {"C:\\1.ax", "C:\\2.ax", "C:\\1.ax", "C:\\4.ax"};
    SaveRegistrationRecord(TestCalls(), m_strFolder, longer);
    CRegistrationList list;
    LoadRegistrationRecord(TestCalls(), m_strFolder, list);
    EXPECT_EQ(list, longer) << "repeated paths are kept";

    SaveRegistrationRecord(TestCalls(), m_strFolder, {"C:\\2.ax"});
    EXPECT_EQ(ReadFileText(m_strRecord), "[Register]\r\nCount=1\r\nItem 1=C:\\2.ax\r\n");
}

}  // namespace
