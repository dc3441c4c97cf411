#include <gtest/gtest.h>
#include <windows.h>

#include "support/TestCalls.h"
#include "support/RegistryValueGuard.h"
#include "support/ScratchFolder.h"
#include "util/FileHelpers.h"
#include "util/PathTokens.h"

namespace {

std::string WindowsFolderOfMachine() {
    char buffer[MAX_PATH] = {};
    GetSystemWindowsDirectoryA(buffer, MAX_PATH);
    std::string folder = buffer;
    if (folder.back() != '\\') folder += '\\';
    return folder;
}

std::string TempFolderOfMachine() {
    char buffer[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, buffer);
    std::string folder = buffer;
    if (folder.back() != '\\') folder += '\\';
    return folder;
}

const std::string INSTALL = "D:\\Apps\\Player\\";

}  // namespace

TEST(PathTokens, FoldersEndWithExactlyOneBackslash) {
    const std::string windows = GetWindowsFolder();
    const std::string temp = GetTempFolder();
    EXPECT_EQ(windows, WindowsFolderOfMachine());
    EXPECT_EQ(temp, TempFolderOfMachine());
    for (const std::string& folder : {windows, temp}) {
        ASSERT_GE(folder.size(), 3u);
        EXPECT_EQ(folder.back(), '\\');
        EXPECT_NE(folder[folder.size() - 2], '\\') << folder;
    }
}

TEST(PathTokens, ExamplesExpandToThisMachinesFolders) {
    const std::string windows = WindowsFolderOfMachine();
    EXPECT_EQ(ExpandPathTokens("<System>\\ir.ax", INSTALL), windows + "System32\\ir.ax");
    EXPECT_EQ(ExpandPathTokens(".\\ax\\RealMediaSplitter.ax", INSTALL), "D:\\Apps\\Player\\ax\\RealMediaSplitter.ax");
    EXPECT_EQ(ExpandPathTokens("<Temp>\\CMD List.ini", INSTALL), TempFolderOfMachine() + "CMD List.ini");
    EXPECT_EQ(ExpandPathTokens("<Windows Disk>\\Program Files\\Codec\\Pure Codec\\Codecs\\uldsmpeg.ax", INSTALL),
              windows.substr(0, 1) + ":\\Program Files\\Codec\\Pure Codec\\Codecs\\uldsmpeg.ax");
    EXPECT_EQ(ExpandPathTokens("<windows>\\win.ini", INSTALL), windows + "win.ini");
}

// A 32-bit program on 64-bit Windows writes "<System>\" files into the 32-bit system folder
// (SysWOW64), where a 32-bit product's system files belong, under the name "System32" it sees.
TEST(PathTokens, SystemFolderIsThe32BitOneUnderWow64) {
    if (!RunsUnderWow64()) GTEST_SKIP() << "one system folder only: not a 32-bit program on 64-bit Windows";
    char wow64[MAX_PATH] = {};
    ASSERT_GT(GetSystemWow64DirectoryA(wow64, MAX_PATH), 0u);
    const std::string name = "QuorindoViewProbe" + std::to_string(GetCurrentProcessId()) + ".ax";
    const std::string path = ExpandPathTokens("<System>\\" + name, INSTALL);
    WriteFileText(path, "probe");
    EXPECT_TRUE(FileExists(TestCalls(), std::string(wow64) + "\\" + name));
    DeleteFileA(path.c_str());
}

TEST(PathTokens, TokenMatchesWithoutRegardToCase) {
    const std::string expected = ExpandPathTokens("<System>\\ir.ax", INSTALL);
    EXPECT_EQ(ExpandPathTokens("<SYSTEM>\\ir.ax", INSTALL), expected);
    EXPECT_EQ(ExpandPathTokens("<system>\\ir.ax", INSTALL), expected);
    EXPECT_EQ(ExpandPathTokens("<WINDOWS DISK>\\x", INSTALL), ExpandPathTokens("<Windows Disk>\\x", INSTALL));
}

TEST(PathTokens, OnlyAWholeFirstComponentIsAToken) {
    for (const char* unchanged : {"ax\\x.ax", "C:\\x\\y.dll", "<Temp>", "x\\<System>\\y.ax", "<System>/y.ax",
                                  "<Sys>\\y.ax", "no-backslash.txt", ""}) {
        EXPECT_EQ(ExpandPathTokens(unchanged, INSTALL), unchanged);
    }
}

TEST(PathTokens, RestIsKeptAsItStands) {
    EXPECT_EQ(ExpandPathTokens("<Temp>\\", INSTALL), TempFolderOfMachine());
    EXPECT_EQ(ExpandPathTokens(".\\name.dll", ""), "name.dll");
    EXPECT_EQ(ExpandPathTokens(".\\\\name.dll", INSTALL), "D:\\Apps\\Player\\\\name.dll");
}

TEST(PathTokens, NewTempFileMakesAnEmptyJvrFileInTheTempFolder) {
    const std::string path = NewTempFile(TestCalls());
    ASSERT_FALSE(path.empty());
    EXPECT_TRUE(FileExists(TestCalls(), path));
    const std::string name = path.substr(path.find_last_of('\\') + 1);
    EXPECT_EQ(name.substr(0, 3), "JVR");
    EXPECT_EQ(name.substr(name.size() - 4), ".tmp");
    const std::string second = NewTempFile(TestCalls());
    EXPECT_NE(second, path);
    DeleteFileA(path.c_str());
    DeleteFileA(second.c_str());
}

TEST(PathTokens, NewTempFileIsEmptyTextWhenTheFolderCannotTakeOne) {
    char saved[MAX_PATH] = {};
    GetEnvironmentVariableA("TMP", saved, MAX_PATH);
    char savedTemp[MAX_PATH] = {};
    GetEnvironmentVariableA("TEMP", savedTemp, MAX_PATH);
    SetEnvironmentVariableA("TMP", "C:\\no such folder\\really not\\");
    SetEnvironmentVariableA("TEMP", "C:\\no such folder\\really not\\");
    const std::string path = NewTempFile(TestCalls());
    SetEnvironmentVariableA("TMP", saved[0] ? saved : nullptr);
    SetEnvironmentVariableA("TEMP", savedTemp[0] ? savedTemp : nullptr);
    EXPECT_EQ(path, "");
}
