#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include "framework/ScopedHandles.h"
#include "support/TestCalls.h"
#include "support/HostLink.h"
#include "support/RegistryValueGuard.h"
#include "support/ScratchFolder.h"
#include "support/TestCommands.h"
#include "support/TestPaths.h"
#include "util/FileHelpers.h"
#include "util/PathParts.h"

namespace {

struct LINK_FIELDS {
    std::string path;
    std::string workingFolder;
    std::string icon;
    int iconIndex = -1;
};

// Reads a saved link back through the shell's own link object.
LINK_FIELDS ReadLink(const std::string& linkPath) {
    LINK_FIELDS fields;
    CScopedComInit com;
    CScopedComPtr<IShellLinkA> link;
    CScopedComPtr<IPersistFile> file;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  link.ReceiveVoid())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.ReceiveVoid())))
        return fields;
    wchar_t widePath[MAX_PATH] = {};
    ::MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, widePath, MAX_PATH);
    if (FAILED(file->Load(widePath, STGM_READ))) return fields;
    char buffer[MAX_PATH] = {};
    if (SUCCEEDED(link->GetPath(buffer, MAX_PATH, nullptr, SLGP_RAWPATH))) fields.path = buffer;
    if (SUCCEEDED(link->GetWorkingDirectory(buffer, MAX_PATH))) fields.workingFolder = buffer;
    if (SUCCEEDED(link->GetIconLocation(buffer, MAX_PATH, &fields.iconIndex))) fields.icon = buffer;
    return fields;
}

struct ChangeNotificationTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::FindCloseChangeNotification(h); }
};

// Runs Debian's lnkinfo on the host and answers what it printed. Wine starts a host program as a
// process of its own that the caller cannot wait for, so the shell renames the report into place
// once lnkinfo is done, and the test wakes at each name change in the report's folder.
std::string RunLnkinfo(const std::string& linkPath, const std::string& reportFile) {
    const std::string report = UnixPathOf(reportFile);
    std::string commandLine = "/bin/sh -c \"/usr/bin/lnkinfo '" + UnixPathOf(linkPath) + "' >'" + report +
                              ".part' 2>&1; mv '" + report + ".part' '" + report + "'\"";
    CScopedHandle<ChangeNotificationTraits> change(
        ::FindFirstChangeNotificationA(GetFolderOf(reportFile).c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME));
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!change || !::CreateProcessA("Z:\\bin\\sh", commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                     nullptr, &startup, &process))
        return std::string();
    CScopedKernelHandle processHandle(process.hProcess);
    CScopedKernelHandle threadHandle(process.hThread);
    // Looked for after each re-arming, so a rename between a wake and the next wait is not missed.
    while (!FileExists(TestCalls(), reportFile) && ::WaitForSingleObject(change.Get(), 30000) == WAIT_OBJECT_0)
        ::FindNextChangeNotification(change.Get());
    return FileExists(TestCalls(), reportFile) ? ReadFileText(reportFile) : std::string();
}

// The value of one "\tLabel\t\t: value" line of lnkinfo's report.
std::string LnkinfoField(const std::string& report, const std::string& label) {
    const size_t at = report.find("\t" + label + "\t");
    if (at == std::string::npos) return "(missing)";
    const size_t colon = report.find(": ", at);
    const size_t end = report.find('\n', at);
    if (colon == std::string::npos || colon > end) return "(missing)";
    return report.substr(colon + 2, end - colon - 2);
}

const char SHELL_FOLDERS_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

// Every test starts without the product's Start-menu folders and leaves none behind.
class ShortcutTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(m_strUserPrograms, "\\");
        ASSERT_NE(m_strCommonPrograms, "\\");
        ASSERT_FALSE(FolderExists(TestCalls(), m_strUserPrograms + "Quorindo")) << "left over by someone else";
        ASSERT_FALSE(FolderExists(TestCalls(), m_strCommonPrograms + "Quorindo")) << "left over by someone else";
        m_strTarget = m_scratch.Path() + "Quorindo.exe";
        WriteFileText(m_strTarget, "MZ");
    }
    void TearDown() override {
        DeleteTree(m_strUserPrograms + "Quorindo");
        DeleteTree(m_strCommonPrograms + "Quorindo");
    }

    CScratchFolder m_scratch;
    const std::string m_strUserPrograms = GetShellFolder(CSIDL_PROGRAMS);
    const std::string m_strCommonPrograms = GetShellFolder(CSIDL_COMMON_PROGRAMS);
    std::string m_strTarget;
};

TEST_F(ShortcutTest, WithoutTheProductsFolderNothingIsMadeAndItStillSucceeds) {
    EXPECT_EQ(DoTestCommand("ShortCut", "Quorindo Upgrade", "", m_strTarget), "");
    EXPECT_FALSE(FolderExists(TestCalls(), m_strUserPrograms + "Quorindo"));
    EXPECT_FALSE(FolderExists(TestCalls(), m_strCommonPrograms + "Quorindo"));
    EXPECT_EQ(DoTestCommand("RemoveShortCut", "Quorindo Upgrade"), "");
}

TEST_F(ShortcutTest, RealLinkInTheUsersFolderReadsBackAndIsRemovedByNameOnly) {
    ASSERT_TRUE(::CreateDirectoryA((m_strUserPrograms + "Quorindo").c_str(), nullptr));
    const std::string link = m_strUserPrograms + "Quorindo\\Quorindo Upgrade.lnk";

    EXPECT_EQ(DoTestCommand("shortcut", "Quorindo Upgrade", "", m_strTarget), "");
    ASSERT_TRUE(FileExists(TestCalls(), link));
    const LINK_FIELDS fields = ReadLink(link);
    EXPECT_STRCASEEQ(fields.path.c_str(), m_strTarget.c_str());
    EXPECT_STRCASEEQ(fields.workingFolder.c_str(), m_scratch.Path().c_str());
    EXPECT_STRCASEEQ(fields.icon.c_str(), m_strTarget.c_str());
    EXPECT_EQ(fields.iconIndex, 0);

    // An independent reader of the link format agrees, and finds nothing else set.
    const std::string report = RunLnkinfo(link, m_scratch.Path() + "lnkinfo.txt");
    ASSERT_NE(report.find("Windows Shortcut information"), std::string::npos) << report;
    EXPECT_EQ(LnkinfoField(report, "Local path"), m_strTarget) << report;
    EXPECT_EQ(LnkinfoField(report, "Working directory"), m_scratch.Path()) << report;
    EXPECT_EQ(LnkinfoField(report, "Icon location"), m_strTarget) << report;
    EXPECT_EQ(LnkinfoField(report, "Icon index"), "0") << report;
    EXPECT_EQ(LnkinfoField(report, "Hot Key value"), "0") << report;
    EXPECT_EQ(report.find("Contains a description string"), std::string::npos) << report;
    EXPECT_EQ(report.find("Contains a command line arguments string"), std::string::npos) << report;

    // A full path names no shortcut of the product's folder.
    EXPECT_EQ(DoTestCommand("RemoveShortCut", m_strUserPrograms + "Quorindo\\Quorindo Upgrade"), "");
    EXPECT_TRUE(FileExists(TestCalls(), link));
    EXPECT_EQ(DoTestCommand("REMOVESHORTCUT", "Quorindo Upgrade"), "");
    EXPECT_FALSE(FileExists(TestCalls(), link));
}

// The user's own Start-menu folder may have been made a link to any other folder: nothing is made
// or removed through it, and the command fails with the folder's name.
TEST_F(ShortcutTest, ALinkInTheUsersFolderIsNeverFollowed) {
    const std::string elsewhere = m_scratch.Path() + "Elsewhere\\", folder = m_strUserPrograms + "Quorindo\\";
    ASSERT_TRUE(::CreateDirectoryA(elsewhere.c_str(), nullptr));
    WriteFileText(elsewhere + "Old Player.lnk", "a file of somebody's");
    ASSERT_TRUE(MakeHostLink(elsewhere, folder));
    EXPECT_EQ(DoTestCommand("RemoveShortCut", "Old Player"),
              "Remove shortcut Old Player failed because the folder " + folder + " is a link");
    EXPECT_EQ(DoTestCommand("ShortCut", "Upgrade", "", m_strTarget),
              "Create shortcut Upgrade failed because the folder " + folder + " is a link");
    EXPECT_EQ(ListFiles(elsewhere, "*"), std::vector<std::string>{"Old Player.lnk"});
    EXPECT_TRUE(RemoveHostLink(folder));
    // Nor is the folder the user's own registry names for it, outside the user's profile.
    const std::string outside = "C:\\QuorindoShortcutTest\\";
    ASSERT_TRUE(::CreateDirectoryA(outside.c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryA((outside + "Quorindo").c_str(), nullptr));
    CRegistryValueGuard programs(HKEY_CURRENT_USER, SHELL_FOLDERS_KEY, "Programs");
    ASSERT_TRUE(programs.Set(outside));
    EXPECT_EQ(DoTestCommand("ShortCut", "Upgrade", "", m_strTarget),
              "Create shortcut Upgrade failed because the folder " + outside + " is not in the user's profile");
    EXPECT_FALSE(PathExists(outside + "Quorindo\\Upgrade.lnk"));
    DeleteTree(outside);
}

TEST_F(ShortcutTest, AllUsersFolderIsChosenWhereTheProductsOwnShortcutIs) {
    ASSERT_TRUE(::CreateDirectoryA((m_strUserPrograms + "Quorindo").c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryA((m_strCommonPrograms + "Quorindo").c_str(), nullptr));
    WriteFileText(m_strCommonPrograms + "Quorindo\\Quorindo.exe.lnk", "");

    EXPECT_EQ(DoTestCommand("ShortCut", "Upgrade", "", m_strTarget), "");
    EXPECT_TRUE(FileExists(TestCalls(), m_strCommonPrograms + "Quorindo\\Upgrade.lnk"));
    EXPECT_FALSE(FileExists(TestCalls(), m_strUserPrograms + "Quorindo\\Upgrade.lnk"));
    EXPECT_EQ(DoTestCommand("RemoveShortCut", "Upgrade"), "");
    EXPECT_FALSE(FileExists(TestCalls(), m_strCommonPrograms + "Quorindo\\Upgrade.lnk"));
}

TEST_F(ShortcutTest, TargetTooLongForItsBufferMakesNoShortcut) {
    ASSERT_TRUE(::CreateDirectoryA((m_strUserPrograms + "Quorindo").c_str(), nullptr));
    const std::string folder = "C:\\Apps\\";
    const std::string fits = folder + std::string(MAX_PATH - 1 - folder.size() - 4, 'a') + ".exe";
    const std::string tooLong = folder + std::string(MAX_PATH - folder.size() - 4, 'a') + ".exe";
    ASSERT_EQ(fits.size(), static_cast<size_t>(MAX_PATH - 1));

    EXPECT_EQ(DoTestCommand("ShortCut", "Long", "", tooLong), "");
    EXPECT_FALSE(FileExists(TestCalls(), m_strUserPrograms + "Quorindo\\Long.lnk"));
    EXPECT_EQ(DoTestCommand("ShortCut", "Fits", "", fits), "");
    EXPECT_STRCASEEQ(ReadLink(m_strUserPrograms + "Quorindo\\Fits.lnk").path.c_str(), fits.c_str());
}

}  // namespace
