#include <gtest/gtest.h>

#include "support/TestCalls.h"
#include <windows.h>

#include "framework/WinApp.h"
#include "util/DecimalText.h"
#include "util/FileHelpers.h"
#include "util/IniFile.h"
#include "util/MessagePump.h"
#include "util/PathParts.h"
#include "util/PathTokens.h"

TEST(DecimalText, RoundedWithTwoDecimals) {
    EXPECT_EQ(FormatDecimal(37.5, 2, true), "37.50");
    EXPECT_EQ(FormatDecimal(0.05, 2, true), "0.05");
    EXPECT_EQ(FormatDecimal(100, 2, true), "100.00");
    EXPECT_EQ(FormatDecimal(-0.5, 2, true), "-0.50");
    EXPECT_EQ(FormatDecimal(0.0, 2, true), "0.00");
    EXPECT_EQ(FormatDecimal(66.666, 2, true), "66.67");
    EXPECT_EQ(FormatDecimal(0.004, 2, true), "0.00");
}

TEST(DecimalText, WholeNumbersAndCutDigits) {
    EXPECT_EQ(FormatDecimal(2.5, 0, true), "3");
    EXPECT_EQ(FormatDecimal(-2.7, 0, true), "-2");
    EXPECT_EQ(FormatDecimal(37.5, 0, false), "37");
    EXPECT_EQ(FormatDecimal(37.56789, 2, false), "37.56");
    EXPECT_EQ(FormatDecimal(37.5, 3, false), "37.5");
    EXPECT_EQ(FormatDecimal(40.0, 2, false), "40");
    EXPECT_EQ(DoubleToText(1.5e20, 15), "1.5e+020");
    EXPECT_EQ(Int64ToText(-9000000000LL), "-9000000000");
}

TEST(DecimalText, RoundDoubleNeverRoundsANegativeValueUp) {
    EXPECT_EQ(RoundDouble(2.5, true), 3.0);
    EXPECT_EQ(RoundDouble(2.4999, true), 2.0);
    EXPECT_EQ(RoundDouble(-2.7, true), -2.0);
    EXPECT_EQ(RoundDouble(2.9, false), 2.0);
}

TEST(PathParts, SplitsLikeTheRuntimeLibrary) {
    std::string drive, dir, name, ext;
    SplitPath("C:\\Program Files\\x\\RealMediaSplitter.ax", &drive, &dir, &name, &ext);
    EXPECT_EQ(drive, "C:");
    EXPECT_EQ(dir, "\\Program Files\\x\\");
    EXPECT_EQ(name, "RealMediaSplitter");
    EXPECT_EQ(ext, ".ax");
    SplitPath("a/b/c.tar.gz", &drive, &dir, &name, &ext);
    EXPECT_EQ(drive, "");
    EXPECT_EQ(dir, "a/b/");
    EXPECT_EQ(name, "c.tar");
    EXPECT_EQ(ext, ".gz");
    SplitPath("C:\\folder\\", nullptr, &dir, &name, nullptr);
    EXPECT_EQ(dir, "\\folder\\");
    EXPECT_EQ(name, "");
}

TEST(PathParts, FileNameIsTheLastComponent) {
    EXPECT_EQ(GetFileNameOf("<Temp>\\CMD List.ini"), "CMD List.ini");
    EXPECT_EQ(GetFileNameOf("C:/x/y/a.tar.gz"), "a.tar.gz");
    EXPECT_EQ(GetFileNameOf("C:\\x\\"), "");
    EXPECT_EQ(GetFileNameOf("plain"), "plain");
}

TEST(PathParts, OverlongPartsAreCut) {
    std::string dir, name;
    SplitPath("C:\\" + std::string(300, 'd') + "\\" + std::string(300, 'n') + ".x", nullptr, &dir, &name, nullptr);
    EXPECT_EQ(dir.size(), 255u);
    EXPECT_EQ(name.size(), 255u);
}

// Both come from the running program's own file, whatever it is called.
TEST(PathParts, ModuleFolderAndExeNameAreTheRunningProgramsOwn) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string full = path;
    std::string stem = full.substr(full.find_last_of('\\') + 1);
    stem = stem.substr(0, stem.rfind('.'));
    CWinApp app;
    EXPECT_EQ(app.m_strExeName, stem);
    EXPECT_EQ(GetModuleFolder(), full.substr(0, full.find_last_of('\\') + 1));
}

// A file read whole answers what the profile functions answer of it, and tells a file that is not
// there, or is larger than asked for, from one without the value.
TEST(IniFile, AnswersAsTheProfileFunctions) {
    const std::string file = NewTempFile(TestCalls());
    ASSERT_FALSE(file.empty());
    CIniText written;
    written.AddSection("Count");
    written.AddValue("Count", "-42");
    written.AddValue("Size", 7ul);
    const std::string text = written.GetText() + "[ count ]\r\nSize=8\r\n[Quoted]\r\n a key  =  \"q v\"  \r\n"
                             "b='x\r\nbare line\r\n;comment=1\r\nb=second\r\n[Long]\r\nK=" + std::string(2000, 'v') +
                             "\n[Last]\nNoEnd=1";
    DWORD error = 0;
    ASSERT_TRUE(ReplaceFileDurably(TestCalls(), file, text, &error));
    CIniFile ini;
    ASSERT_EQ(ini.Read(TestCalls(), file, 1 << 20), static_cast<DWORD>(ERROR_SUCCESS));
    const char* const keys[][2] = {{"Count", "count"}, {"COUNT", "Size"}, {"Count", "Missing"}, {"count", "Size"},
                                   {"Quoted", "A KEY"}, {"Quoted", "b"},   {"Quoted", "bare line"}, {"Long", "K"},
                                   {"Last", "NoEnd"},   {"None", "x"}};
    for (const auto& key : keys) {
        char expected[1024] = {};  // as much of a value as the program ever took
        GetPrivateProfileStringA(key[0], key[1], "dflt", expected, sizeof expected, file.c_str());
        EXPECT_EQ(ini.GetString(key[0], key[1], "dflt"), expected) << key[0] << "/" << key[1];
    }
    EXPECT_EQ(ini.GetNumber("Count", "Count", 5), 0u);
    EXPECT_EQ(ini.GetNumber("Count", "Size", 5), 7u);
    EXPECT_EQ(ini.GetNames(""), (std::vector<std::string>{"Count", "count", "Quoted", "Long", "Last"}));
    EXPECT_EQ(ini.GetNames("quoted"), (std::vector<std::string>{"a key", "b", "bare line", "b"}));
    EXPECT_EQ(ini.Read(TestCalls(), file, 100), static_cast<DWORD>(ERROR_FILE_TOO_LARGE));
    EXPECT_EQ(ini.GetString("Count", "Size"), "");
    EXPECT_EQ(ini.Read(TestCalls(), "C:\\no such folder\\x.ini", 100), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    DeleteFileA(file.c_str());
}

TEST(MessagePump, ServesWaitingMessagesAndReturnsOnAnEmptyQueue) {
    PumpMessages(nullptr);
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // makes the thread's queue
    PostThreadMessageA(GetCurrentThreadId(), WM_USER + 7, 0, 0);
    PumpMessages(nullptr);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
}
