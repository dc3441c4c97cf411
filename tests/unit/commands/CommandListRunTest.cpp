#include <gtest/gtest.h>
#include <windows.h>

#include <shlobj.h>

#include <cctype>

#include "commands/RegistrationRecord.h"
#include "commands/CommandRunner.h"
#include "commands/CommandSteps.h"
#include "support/TestCalls.h"
#include "support/DialogThread.h"
#include "support/RegistryValueGuard.h"
#include "support/SampleProduct.h"
#include "support/TestPaths.h"
#include "support/ScratchFolder.h"
#include "system/ProductNames.h"
#include "system/RegistryAccess.h"
#include "system/SystemLibrary.h"
#include "ui/ActionLine.h"
#include "util/PathTokens.h"
#include "util/FileHelpers.h"

// This test program doubles as a COM server, so a test can see which thread registers it:
// loading the running program as a library hands back the program itself.
namespace {
DWORD g_dwRegisteringThread = 0;
}
extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllRegisterServer() {
    g_dwRegisteringThread = ::GetCurrentThreadId();
    return S_OK;
}

namespace {

using LINE = CDialogThread::LINE;

const char* const FEED_FILTER_CLASS_KEY = FILTER_CLASS_KEYS[1];
const char* const FFDSHOW_KEY = "Software\\GNU\\ffdshow";

LINE Info(const std::string& text) { return {text, LINE_INFO_COLOR}; }
LINE Prompt(const std::string& text) { return {text, LINE_PROMPT_COLOR}; }

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// An installed sample product, a command list in the temporary folder and the dialog open on
// its own thread; the test's thread plays the upgrade's worker.
class CommandListRunTest : public ::testing::Test {
protected:
    // Opening and closing a dialog is slow under Wine: the tests share one.
    static void SetUpTestSuite() { s_pDialog = new CDialogThread; }
    static void TearDownTestSuite() {
        delete s_pDialog;
        s_pDialog = nullptr;
    }

    void SetUp() override {
        ::GetCurrentDirectoryA(MAX_PATH, m_szOldFolder);
        ASSERT_TRUE(m_install.Create("0.0.6.7"));
        ASSERT_TRUE(m_dialog.IsOpen());
        m_dialog.MarkLines();
        m_strFolder = m_install.GetFolder();
        m_strList = m_scratch.Temp() + "CMD List.ini";
        m_strRecord = m_strFolder + "RegisterFilter.log";
        // A decoder is installed: its key exists.
        ASSERT_TRUE(m_mpg2.Set("old"));
        ASSERT_TRUE(m_cram.Set("old"));
        m_autoRun.Delete();
    }
    void TearDown() override {
        ::SetCurrentDirectoryA(m_szOldFolder);
        for (const char* key : FILTER_CLASS_KEYS) DeleteRegistryTree(HKEY_LOCAL_MACHINE, key);
        if (!m_strMadeFolder.empty()) DeleteTree(m_strMadeFolder);
    }

    void ExpectDecoderOptionsSet() {
        EXPECT_EQ(ReadUserDword(FFDSHOW_KEY, "mpg2"), 1u);
        EXPECT_EQ(ReadUserDword(FFDSHOW_KEY, "cram"), 0u);
    }

    static CDialogThread* s_pDialog;
    CScratchFolder m_scratch;
    CSampleInstallation m_install;
    CDialogThread& m_dialog = *s_pDialog;
    CRegistryValueGuard m_mpg2{HKEY_CURRENT_USER, FFDSHOW_KEY, "mpg2"};
    CRegistryValueGuard m_cram{HKEY_CURRENT_USER, FFDSHOW_KEY, "cram"};
    CRegistryValueGuard m_autoRun{HKEY_CURRENT_USER, RUN_KEY, "QxUpgradeServer"};
    std::string m_strFolder;
    std::string m_strList;
    std::string m_strRecord;
    std::string m_strMadeFolder;
    char m_szOldFolder[MAX_PATH] = {};
};

CDialogThread* CommandListRunTest::s_pDialog = nullptr;

TEST_F(CommandListRunTest, EveryKindRunsOnTheDialogsThreadAndIsReportedInItsColour) {
    const std::string self = GetOwnPath();
    WriteFileText(m_strFolder + "ReadOnly.txt", "x");
    ASSERT_TRUE(::SetFileAttributesA((m_strFolder + "ReadOnly.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    WriteFileText(m_strFolder + "Skin.ini", "skin");
    WriteFileText(m_strFolder + "Keep.txt", "keep");
    // The feed filter is on record already, in other letter case.
    std::string feedUpper = m_strFolder + "AX\\FeedFilter.ax";
    ::CharUpperA(feedUpper.data());
    WriteFileText(m_strRecord, "[Register]\r\nCount=3\r\nItem 1=" + m_strFolder + "AX\\Gone.ax\r\nItem 2=C:\\Old\\kept.ax\r\n" +
                                   "Item 3=" + feedUpper + "\r\n");
    // Section 3 is missing and 9 lies beyond the count.
    WriteFileText(m_strList,
                  "[CMD List]\r\nCMD count = 8\r\n\r\n"
                  "[CMD 1]\r\nType = Register\r\nDest Relative Path =.\\AX\\FeedFilter.ax\r\n\r\n"
                  "[CMD 2]\r\nType=remove file\r\nDest Relative Path= .\\ReadOnly.txt\r\n\r\n"
                  "[CMD 4]\r\nType = Rename\r\nDest Relative Path = .\\Skin.ini\r\nAnother File Name = .\\Skin.BAK\r\n\r\n"
                  "[CMD 5]\r\nType = Register\r\nDest Relative Path = " + self + "\r\n\r\n"
                  "[CMD 6]\r\nType = Unregister\r\nDest Relative Path = .\\AX\\Gone.ax\r\n\r\n"
                  "[CMD 7]\r\nType = AutoRun\r\nDest Relative Path =.\\QuorindoUpgradeServer.exe\r\n\r\n"
                  "[CMD 8]\r\nType = Delete\r\nDest Relative Path = .\\Keep.txt\r\n\r\n"
                  "[CMD 9]\r\nType = Remove File\r\nDest Relative Path = .\\Keep.txt\r\n");

    RunCommandList(m_dialog.Dialog(), TestCalls(), m_strList, m_strFolder);

    const std::string selfName = self.substr(self.rfind('\\') + 1);
    const std::vector<LINE> expected = {
        Info("Start to execute command"),
        Info("        Start to register feedfilter.ax..."),
        Info("        Register FeedFilter.ax completely"),
        Info("        Start to remove file readonly.txt..."),
        Info("        Remove file ReadOnly.txt completely"),
        Info("        Start to unknow command..."),
        Prompt("        Unknow command"),
        Info("        Start to rename file skin.ini to " + Lower(m_strFolder) + "skin.bak..."),
        Info("        Rename file Skin.ini to " + m_strFolder + "Skin.BAK completely"),
        Info("        Start to register " + Lower(selfName) + "..."),
        Info("        Register " + selfName + " completely"),
        Info("        Start to unregister gone.ax..."),
        Prompt("        Load file " + m_strFolder + "AX\\Gone.ax failed!"),
        Info("        Start to enable quorindoupgradeserver.exe to auto run..."),
        Info("        Enable QuorindoUpgradeServer.exe to auto run completely"),
        Info("        Start to unknow command..."),
        Prompt("        Unknow command"),
        Info("Execute command over"),
    };
    EXPECT_EQ(m_dialog.NewLines(), expected);

    EXPECT_EQ(g_dwRegisteringThread, m_dialog.ThreadId());
    EXPECT_EQ(CRegistryAccess::ReadString(HKEY_LOCAL_MACHINE, std::string(FEED_FILTER_CLASS_KEY) + "\\InprocServer32", ""),
              m_strFolder + "AX\\FeedFilter.ax");
    EXPECT_FALSE(FileExists(TestCalls(), m_strFolder + "ReadOnly.txt"));
    EXPECT_EQ(ReadFileText(m_strFolder + "Skin.BAK"), "skin");
    EXPECT_TRUE(FileExists(TestCalls(), m_strFolder + "Keep.txt"));
    EXPECT_EQ(CRegistryAccess::ReadString(HKEY_CURRENT_USER, RUN_KEY, "QxUpgradeServer"),
              "\"" + m_strFolder + "QuorindoUpgradeServer.exe\"");
    ExpectDecoderOptionsSet();
    EXPECT_EQ(ReadFileText(m_strRecord),
              "[Register]\r\nCount=3\r\nItem 1=C:\\Old\\kept.ax\r\nItem 2=" + feedUpper + "\r\nItem 3=" + self + "\r\n");
    EXPECT_FALSE(FileExists(TestCalls(), m_strList));
}

TEST_F(CommandListRunTest, SampleProductsListRegistersItsFiltersAndMakesItsShortcut) {
    // The scroll filter also names itself the product's server; that value is put back.
    m_install.DeleteValue(PRODUCT_SERVER_KEY, "");
    const std::string productFolder = GetShellFolder(CSIDL_PROGRAMS) + "Quorindo";
    ASSERT_FALSE(FolderExists(TestCalls(), productFolder));
    ASSERT_TRUE(::CreateDirectoryA(productFolder.c_str(), nullptr));
    m_strMadeFolder = productFolder;
    ASSERT_TRUE(::CopyFileA(GetSampleCommandList().c_str(), m_strList.c_str(), FALSE)) << GetSampleCommandList();

    RunCommandList(m_dialog.Dialog(), TestCalls(), m_strList, m_strFolder);

    const std::vector<LINE> lines = m_dialog.NewLines();
    ASSERT_EQ(lines.size(), 20u);
    // Only the leftovers of old versions are missing on this installation.
    std::vector<std::string> prompts;
    for (const LINE& line : lines)
        if (line.color != LINE_INFO_COLOR) prompts.push_back(line.text.substr(0, line.text.find(" failed")));
    const std::string oldFilter = GetWindowsFolder() + "System32\\QxScroll.ax";
    EXPECT_EQ(prompts, (std::vector<std::string>{"        Load file " + oldFilter, "        Remove file " + oldFilter,
                                                 "        Rename file Skin.ini to " + m_strFolder + "Skin.old"}));
    CRegistrationList expectedRecord;
    for (int i = 0; i < 3; ++i) {
        const std::string serverKey = std::string(FILTER_CLASS_KEYS[i]) + "\\InprocServer32";
        EXPECT_EQ(CRegistryAccess::ReadString(HKEY_LOCAL_MACHINE, serverKey, ""), m_install.GetPath(FILTER_FILES[i]));
        // The 32-bit filters registered in the 32-bit class tree, where the 32-bit product looks.
        if (RunsUnderWow64()) {
            EXPECT_EQ(ReadMachineString("SOFTWARE\\Classes\\WOW6432Node\\" + serverKey.substr(17), "", KEY_WOW64_64KEY),
                      m_install.GetPath(FILTER_FILES[i]));
        }
        expectedRecord.push_back(m_install.GetPath(FILTER_FILES[i]));
    }
    CRegistrationList record;
    LoadRegistrationRecord(TestCalls(), m_strFolder, record);
    EXPECT_EQ(record, expectedRecord);
    EXPECT_TRUE(FileExists(TestCalls(), productFolder + "\\Quorindo Player.lnk"));
    EXPECT_EQ(CRegistryAccess::ReadString(HKEY_CURRENT_USER, RUN_KEY, "QxUpgradeServer"),
              "\"" + m_strFolder + "QuorindoUpgradeServer.exe\"");
}

// A filter finds the libraries it imports in its own folder, although the upgrader keeps the current
// folder out of the library search (as it does from its start).
TEST_F(CommandListRunTest, AFilterThatImportsALibraryBesideItRegistersAndUnregisters) {
    ASSERT_TRUE(RemoveCurrentFolderFromDllSearch());
    const std::string filter = m_strFolder + "AX\\NeighbourFilter.ax";
    const std::string neighbour = m_strFolder + "AX\\FilterNeighbour.dll";
    ASSERT_TRUE(::CopyFileA(GetSampleTestFile("neighbour\\NeighbourFilter.ax").c_str(), filter.c_str(), FALSE));
    ASSERT_TRUE(::CopyFileA(GetSampleTestFile("neighbour\\FilterNeighbour.dll").c_str(), neighbour.c_str(), FALSE));
    const std::string classKey = "SOFTWARE\\Classes\\CLSID\\{36CAF893-E991-432E-83DA-61AFD1548113}";
    const auto runOne = [&](const char* type) {
        WriteFileText(m_strList, std::string("[CMD List]\r\nCMD count = 1\r\n[CMD 1]\r\nType = ") + type +
                                     "\r\nDest Relative Path = .\\AX\\NeighbourFilter.ax\r\n");
        m_dialog.MarkLines();
        RunCommandList(m_dialog.Dialog(), TestCalls(), m_strList, m_strFolder);
        const std::vector<LINE> lines = m_dialog.NewLines();
        return lines.size() == 4 ? lines[2] : LINE{};
    };

    EXPECT_EQ(runOne("Register"), Info("        Register NeighbourFilter.ax completely"));
    EXPECT_EQ(CRegistryAccess::ReadString(HKEY_LOCAL_MACHINE, classKey + "\\InprocServer32", ""), filter);
    EXPECT_EQ(runOne("Unregister"), Info("        Unregister NeighbourFilter.ax completely"));
    EXPECT_EQ(CRegistryAccess::ReadString(HKEY_LOCAL_MACHINE, classKey + "\\InprocServer32", ""), "");

    ASSERT_TRUE(::DeleteFileA(neighbour.c_str()));
    EXPECT_EQ(runOne("Register"), Prompt("        Load file '" + filter + "' failed(error code = 126)!"));
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, classKey);
}

TEST_F(CommandListRunTest, ListWithoutCommandsStillSetsTheDecoderAndRewritesTheRecord) {
    WriteFileText(m_strList, "; nothing to do\r\n");
    WriteFileText(m_strRecord, "[Register]\r\nItem 1=C:\\a.ax\r\nCount = 2\r\nItem 2 = C:\\a.ax\r\n");

    RunCommandList(m_dialog.Dialog(), TestCalls(), m_strList, m_strFolder);

    EXPECT_TRUE(m_dialog.NewLines().empty());
    ExpectDecoderOptionsSet();
    EXPECT_EQ(ReadFileText(m_strRecord), "[Register]\r\nCount=2\r\nItem 1=C:\\a.ax\r\nItem 2=C:\\a.ax\r\n");
    EXPECT_FALSE(FileExists(TestCalls(), m_strList));
}

TEST_F(CommandListRunTest, MissingListRunsNothingAndWritesAnEmptyRecord) {
    RunCommandList(m_dialog.Dialog(), TestCalls(), m_strList, m_strFolder);

    EXPECT_TRUE(m_dialog.NewLines().empty());
    EXPECT_EQ(ReadFileText(m_strRecord), "[Register]\r\nCount=0\r\n");
}

TEST_F(CommandListRunTest, IncompleteRequestsAreIgnored) {
    CUpgradeCommand command;
    command.m_strType = "Nonsense";
    CRegistrationList registered;
    const auto step = MakeCommandStep(TestCalls(), command, registered);
    COMMAND_REQUEST request;
    request.pStep = step.get();
    COMMAND_REQUEST empty;

    EXPECT_EQ(::SendMessageA(m_dialog.Window(), WM_EXECUTE_COMMAND, 0, 0), 0);
    ::SendMessageA(m_dialog.Window(), WM_EXECUTE_COMMAND, reinterpret_cast<WPARAM>(&empty), 0);
    EXPECT_TRUE(empty.result.Succeeded());

    ::SendMessageA(m_dialog.Window(), WM_EXECUTE_COMMAND, reinterpret_cast<WPARAM>(&request), 0);
    EXPECT_EQ(request.result.strText, "Unknow command");
}

}  // namespace
