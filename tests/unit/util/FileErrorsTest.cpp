#include <gtest/gtest.h>

#include "support/TestCalls.h"
#include <windows.h>

#include "framework/File.h"
#include "framework/FileException.h"
#include "util/FileErrors.h"
#include "util/FileHelpers.h"
#include "util/PathTokens.h"

TEST(FileErrors, ReasonWordsOfEveryCause) {
    const char* words[] = {"none", "generic", "fileNotFound", "badPath", "tooManyOpenFiles", "accessDenied",
                           "invalidFile", "removeCurrentDir", "directoryFull", "badSeek", "hardIO",
                           "sharingViolation", "lockViolation", "diskFull", "endOfFile"};
    for (int cause = 0; cause < 15; ++cause) EXPECT_EQ(GetFileErrorReason(cause), words[cause]);
    EXPECT_EQ(GetFileErrorReason(15), "");
    EXPECT_EQ(GetFileErrorReason(-1), "");
}

TEST(FileErrors, SystemErrorsMapToCauses) {
    const struct { DWORD code; int cause; } rows[] = {
        {0, CFileException::none}, {2, CFileException::fileNotFound}, {3, CFileException::badPath},
        {4, CFileException::tooManyOpenFiles}, {5, CFileException::accessDenied}, {6, CFileException::fileNotFound},
        {11, CFileException::invalidFile}, {15, CFileException::badPath}, {16, CFileException::removeCurrentDir},
        {19, CFileException::accessDenied}, {21, CFileException::hardIO}, {25, CFileException::badSeek},
        {32, CFileException::sharingViolation}, {33, CFileException::lockViolation}, {38, CFileException::endOfFile},
        {39, CFileException::diskFull}, {80, CFileException::accessDenied}, {112, CFileException::diskFull},
        {123, CFileException::badPath}, {145, CFileException::removeCurrentDir}, {183, CFileException::accessDenied},
        {206, CFileException::badPath}, {995, CFileException::hardIO}, {1, CFileException::generic},
        {8, CFileException::generic}, {87, CFileException::generic},
    };
    for (const auto& row : rows) EXPECT_EQ(CFileException::OsErrorToCause(row.code), row.cause) << row.code;
}

TEST(FileErrors, ExceptionTextsNameTheFile) {
    CFile file;
    CFileException e;
    ASSERT_FALSE(file.Open("C:\\missing-file.bin", CFile::modeRead, &e));
    const std::string text = GetFileExceptionText(&e);
    EXPECT_EQ(text.rfind("Operate file ", 0), 0u);
    EXPECT_NE(text.find("missing-file.bin' failed because of fileNotFound"), std::string::npos) << text;
    EXPECT_EQ(GetFileExceptionText(nullptr), "Parameter error(CFileException *e == NULL)!");

    const std::string message = GetExceptionMessage(&e);
    EXPECT_NE(message.find("missing-file.bin"), std::string::npos) << message;
    CFileException unnamed;
    unnamed.Set(ERROR_ACCESS_DENIED, "");
    EXPECT_NE(GetExceptionMessage(&unnamed).find("an unnamed file"), std::string::npos);
    CFileException longName;
    longName.Set(ERROR_FILE_NOT_FOUND, std::string(600, 'x'));
    EXPECT_LE(GetExceptionMessage(&longName).size(), 300u);
    EXPECT_EQ(GetExceptionMessage(nullptr), "");
}

TEST(FileErrors, SystemErrorTextHasNoLineBreak) {
    const std::string text = GetSystemErrorText(ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.back(), '\n');
    EXPECT_NE(text.back(), '\r');
}

class FolderFixture : public ::testing::Test {
protected:
    void SetUp() override {
        m_root = GetTempFolder() + "qu-helpers-" + std::to_string(GetCurrentProcessId()) + "\\";
    }
    void TearDown() override {
        // Remove every folder this test made, deepest first.
        for (auto it = m_made.rbegin(); it != m_made.rend(); ++it) RemoveDirectoryA(it->c_str());
    }
    std::string m_root;
    std::vector<std::string> m_made;
};

TEST_F(FolderFixture, CreateFolderPathMakesTheWholeChainIncludingADottedFolder) {
    const std::string file = m_root + "a\\b\\v1.2\\file.txt";
    m_made = {m_root, m_root + "a", m_root + "a\\b", m_root + "a\\b\\v1.2"};
    EXPECT_TRUE(CreateFolderPath(TestCalls(), file));
    EXPECT_TRUE(FolderExists(TestCalls(), m_root + "a\\b\\v1.2"));
    EXPECT_FALSE(FileExists(TestCalls(), m_root + "a\\b\\v1.2"));
    EXPECT_FALSE(FileExists(TestCalls(), file));
    EXPECT_TRUE(CreateFolderPath(TestCalls(), file));  // already there
    EXPECT_FALSE(CreateFolderPath(TestCalls(), "relative.txt"));
}

TEST_F(FolderFixture, ClearReadOnlyDropsTheAttribute) {
    m_made = {m_root};
    CreateDirectoryA(m_root.c_str(), nullptr);
    const std::string file = m_root + "ro.txt";
    CFile out;
    ASSERT_TRUE(out.Open(file, CFile::modeCreate | CFile::modeWrite));
    out.Close();
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY);
    ClearReadOnly(TestCalls(), file);
    EXPECT_EQ(GetFileAttributesA(file.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    DeleteFileA(file.c_str());
}
