#include <gtest/gtest.h>
#include <windows.h>

#include <set>

#include "framework/File.h"
#include "framework/FileFind.h"
#include "util/PathTokens.h"

namespace {

class FileFolder : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = GetTempFolder() + "qu-file-" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(m_folder.c_str(), nullptr);
    }
    void TearDown() override {
        for (const char* name : {"a.txt", "b.txt", "renamed.txt", "sub\\c.txt"}) {
            const std::string path = m_folder + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        }
        RemoveDirectoryA((m_folder + "sub").c_str());
        RemoveDirectoryA(m_folder.c_str());
    }
    void Write(const std::string& name, const std::string& text) {
        CFile file;
        ASSERT_TRUE(file.Open(m_folder + name, CFile::modeCreate | CFile::modeWrite));
        ASSERT_TRUE(file.Write(text.data(), static_cast<UINT>(text.size())));
    }
    std::string m_folder;
};

}  // namespace

TEST_F(FileFolder, WritesReadsRenamesAndRemoves) {
    Write("a.txt", "hello file");
    CFile file;
    ASSERT_TRUE(file.Open(m_folder + "a.txt", CFile::modeRead | CFile::shareDenyWrite));
    EXPECT_EQ(file.GetLength(), 10u);
    char buffer[32] = {};
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 10u);
    EXPECT_STREQ(buffer, "hello file");
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 0u);
    EXPECT_TRUE(file.Close());
    EXPECT_FALSE(file.IsOpen());

    Write("b.txt", "other");
    CFileException e;
    EXPECT_FALSE(CFile::Rename(m_folder + "a.txt", m_folder + "b.txt", &e));
    EXPECT_EQ(e.m_cause, CFileException::accessDenied);
    EXPECT_TRUE(CFile::Rename(m_folder + "a.txt", m_folder + "renamed.txt"));
    EXPECT_TRUE(CFile::Remove(m_folder + "renamed.txt"));
    EXPECT_FALSE(CFile::Remove(m_folder + "renamed.txt", &e));
    EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
    EXPECT_EQ(e.m_strFileName, m_folder + "renamed.txt");
}

TEST_F(FileFolder, SharingConflictIsReportedAsSuch) {
    Write("a.txt", "locked");
    CFile holder;
    ASSERT_TRUE(holder.Open(m_folder + "a.txt", CFile::modeRead | CFile::shareExclusive));
    CFile second;
    CFileException e;
    EXPECT_FALSE(second.Open(m_folder + "a.txt", CFile::modeRead | CFile::shareDenyNone, &e));
    EXPECT_EQ(e.m_cause, CFileException::sharingViolation);
    EXPECT_EQ(e.m_lOsError, ERROR_SHARING_VIOLATION);
}

TEST_F(FileFolder, FindWalksEveryMatchOnce) {
    Write("a.txt", "1");
    Write("b.txt", "2");
    CreateDirectoryA((m_folder + "sub").c_str(), nullptr);
    std::set<std::string> names;
    CFileFind find;
    bool more = find.FindFile(m_folder + "*");
    while (more) {
        more = find.FindNextFile();
        if (find.IsDots()) continue;
        names.insert(find.GetFileName() + (find.IsDirectory() ? "\\" : ""));
        EXPECT_EQ(find.GetFilePath(), m_folder + find.GetFileName());
    }
    EXPECT_EQ(names, (std::set<std::string>{"a.txt", "b.txt", "sub\\"}));
    CFileFind none;
    EXPECT_FALSE(none.FindFile(m_folder + "*.nothing"));
}
