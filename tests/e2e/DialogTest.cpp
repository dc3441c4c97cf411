// The main dialog of the real upgrader, driven from outside like an accessibility client would.
#include <windows.h>

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "framework/ScopedHandles.h"
#include "support/ChildProcess.h"
#include "support/LineColours.h"
#include "support/RegistryValueGuard.h"
#include "robot/ResourceInjector.h"
#include "support/ScratchFolder.h"
#include "support/TestPaths.h"
#include "support/UpgradeServerWindow.h"
#include "robot/WindowRobot.h"
#include "system/RegistryAccess.h"

namespace {

const char TITLE[] = "Upgrade Quorindo to Version 0.0.6.7";
const char BUILDER_TITLE[] = "Upgrade Quorindo to Version 0.0.6.7 - Is Create Version";
const char GREETING[] = "Press button 'Upgrade' to start to upgrade Quorindo to Version : 0.0.6.7";
const char ADMIN_ADVICE[] = "Please run as 'Administrator' under Vista / Win7";
const char SEPARATOR[] = "\r\n\r\n";
const int LIST_ID = 1000;
const UINT WM_SET_FFDSHOW_OPTIONS = WM_USER + 1002;
const UINT ID_COPY_ALL = 0x8068;
const char FFDSHOW_KEY[] = "Software\\GNU\\ffdshow";

// The upgrader running as its own process, with its dialog found.
class CRunningUpgrader {
public:
    explicit CRunningUpgrader(const std::string& arguments = std::string(), const char* variable = "QU_UPGRADE_EXE",
                              const char* title = TITLE) {
        const std::string program = GetProgramPath(variable);
        if (program.empty() || !m_process.Start(program, arguments)) return;
        m_hDialog = robot::WaitForWindow(title);
    }
    ~CRunningUpgrader() { Close(); }

    HWND Dialog() const { return m_hDialog; }
    HWND List() const { return ::GetDlgItem(m_hDialog, LIST_ID); }
    DWORD ProcessId() const { return m_process.GetId(); }
    // The Close button; true when the program then ended by itself.
    bool Close() {
        if (!m_process.IsRunning()) return true;
        if (m_hDialog != nullptr) robot::PressButton(m_hDialog, IDCANCEL);
        const bool ended = WaitForExit();
        m_process.End();
        return ended;
    }
    bool WaitForExit() const { return robot::WaitForHandle(m_process.GetHandle()); }

private:
    CChildProcess m_process;
    HWND m_hDialog = nullptr;
};

// The title is set during initialisation: the dialog shows only after it.
bool IsShown(HWND dialog) {
    return robot::WaitUntil([&] { return ::IsWindowVisible(dialog) != FALSE; });
}

bool HasExStyle(HWND window, LONG_PTR style) { return (::GetWindowLongPtrA(window, GWL_EXSTYLE) & style) != 0; }

// The list's menu as the keyboard asks for it (the menu key, Shift+F10): WM_CONTEXTMENU at (-1, -1).
void PressMenuKey(HWND list) { ::PostMessageA(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(-1, -1)); }

// Copy All through the list's own menu, opened with the mouse or the keyboard; answers the
// clipboard bytes. A right-click opens one menu only; the keyboard's opens at the bottom-left of
// the selected line.
std::string CopyAllThroughMenu(const CRunningUpgrader& upgrader, bool bKeyboard = false) {
    const DWORD cleared = robot::ClearClipboard();
    if (bKeyboard) {
        PressMenuKey(upgrader.List());
    } else {
        robot::RightClick(upgrader.List());
    }
    HWND menu = robot::WaitForProcessWindow(upgrader.ProcessId(), "#32768");
    if (menu == nullptr) return "(no menu)";
    if (bKeyboard) {
        RECT item{};
        const LRESULT selected = ::SendMessageA(upgrader.List(), LB_GETCURSEL, 0, 0);
        ::SendMessageA(upgrader.List(), LB_GETITEMRECT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(&item));
        POINT corner{item.left, item.bottom};
        ::ClientToScreen(upgrader.List(), &corner);
        RECT placed{};
        ::GetWindowRect(menu, &placed);
        EXPECT_EQ(placed.left, corner.x);
        EXPECT_EQ(placed.top, corner.y);
    }
    robot::ChoosePopupMenuItem(menu, 0);
    std::string bytes;
    robot::WaitForClipboardText(cleared, &bytes);
    // The copy is made after the click's own WM_CONTEXTMENU: a second menu that opened would be
    // open still.
    EXPECT_TRUE(robot::FindProcessWindows(upgrader.ProcessId(), "#32768").empty());
    return bytes;
}

void ReplaceLines(HWND list, const std::vector<std::string>& lines) {
    ::SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (const std::string& line : lines) ::SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
}

}  // namespace

TEST(MainDialog, GreetsInYellowWithDarkerSeparatorsAndCloses) {
    CRunningUpgrader upgrader;
    ASSERT_NE(upgrader.Dialog(), nullptr);
    EXPECT_TRUE(IsShown(upgrader.Dialog()));
    EXPECT_TRUE(HasExStyle(upgrader.Dialog(), WS_EX_APPWINDOW));
    EXPECT_FALSE(HasExStyle(upgrader.Dialog(), WS_EX_TOOLWINDOW));
    EXPECT_EQ(::FindWindowA(nullptr, BUILDER_TITLE), nullptr);

    const std::vector<robot::ListLine> lines = robot::ReadList(upgrader.List());
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].text, GREETING);
    EXPECT_EQ(lines[0].color, YELLOW);
    EXPECT_EQ(lines[1].text, "");
    EXPECT_EQ(lines[1].color, DARK_YELLOW);
    EXPECT_EQ(lines[2].text, ADMIN_ADVICE);
    EXPECT_EQ(lines[2].color, YELLOW);
    EXPECT_EQ(lines[3].color, DARK_YELLOW);
    // The separators are bars as high as a line of text, not hairlines.
    EXPECT_EQ(robot::GetItemHeight(upgrader.List(), 1), robot::GetItemHeight(upgrader.List(), 0));
    EXPECT_EQ(::SendMessageA(upgrader.List(), LB_GETCURSEL, 0, 0), 2);

    EXPECT_TRUE(upgrader.Close());
}

TEST(MainDialog, CloseBoxActsAsTheCloseButton) {
    CRunningUpgrader upgrader;
    ASSERT_NE(upgrader.Dialog(), nullptr);
    ::PostMessageA(upgrader.Dialog(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(upgrader.WaitForExit());
}

TEST(MainDialog, AboutBoxFromTheSystemMenu) {
    CRunningUpgrader upgrader;
    ASSERT_NE(upgrader.Dialog(), nullptr);
    ::PostMessageA(upgrader.Dialog(), WM_SYSCOMMAND, 0x0010, 0);
    HWND about = robot::WaitForProcessWindow(upgrader.ProcessId(), "#32770", upgrader.Dialog());
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(robot::GetTitle(about), "About QuorindoUpgrade");
    EXPECT_NE(robot::GetMessageBoxText(about).find("QuorindoUpgrade Version 0.0.6.7"), std::string::npos);
    robot::PressButton(about, IDOK);
    EXPECT_TRUE(robot::WaitUntil([&] { return !::IsWindow(about); }));
}

TEST(MainDialog, AutoSwitchHidesTheDialogAsAToolWindow) {
    for (const char* arguments : {"/auto", "-AUTO", "/Auto", "setup.ini /auto"}) {
        SCOPED_TRACE(arguments);
        // The server holds the run's report, so the dialog stays while it is looked at.
        CScopedKernelHandle reported(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
        CScopedKernelHandle release(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
        CUpgradeServerWindow server;
        server.SetOnCode([&](int) {
            ::SetEvent(reported.Get());
            ::WaitForSingleObject(release.Get(), robot::WAIT_MS);
        });
        CRunningUpgrader upgrader(arguments);
        ASSERT_NE(upgrader.Dialog(), nullptr);
        EXPECT_TRUE(HasExStyle(upgrader.Dialog(), WS_EX_TOOLWINDOW));
        EXPECT_FALSE(HasExStyle(upgrader.Dialog(), WS_EX_APPWINDOW));
        // Never shown: not after initialisation, not when its modal loop went idle. The report
        // comes after both.
        EXPECT_EQ(::WaitForSingleObject(reported.Get(), robot::WAIT_MS), WAIT_OBJECT_0);
        EXPECT_FALSE(::IsWindowVisible(upgrader.Dialog()));
        ::SetEvent(release.Get());
    }
}

TEST(MainDialog, OtherCommandLinesKeepTheNormalDialog) {
    // The last switch decides; plain parameters and other spellings change nothing.
    for (const char* arguments : {"/auto /x", "auto", "--auto", "/autox", "-auto -quiet"}) {
        SCOPED_TRACE(arguments);
        CRunningUpgrader upgrader(arguments);
        ASSERT_NE(upgrader.Dialog(), nullptr);
        EXPECT_TRUE(IsShown(upgrader.Dialog()));
        EXPECT_TRUE(HasExStyle(upgrader.Dialog(), WS_EX_APPWINDOW));
        EXPECT_FALSE(HasExStyle(upgrader.Dialog(), WS_EX_TOOLWINDOW));
    }
}

TEST(MainDialog, CompressDataMenuOnlyInTheBuilder) {
    {
        CRunningUpgrader upgrader;
        ASSERT_NE(upgrader.Dialog(), nullptr);
        // Copy All, posted after the click, tells when the click has been handled.
        const DWORD cleared = robot::ClearClipboard();
        robot::RightClick(upgrader.Dialog(), 300, 20);
        ::PostMessageA(upgrader.Dialog(), ID_COPY_ALL, 0, 0);
        std::string bytes;
        ASSERT_TRUE(robot::WaitForClipboardText(cleared, &bytes));
        EXPECT_TRUE(robot::FindProcessWindows(upgrader.ProcessId(), "#32768").empty());
    }
    CRunningUpgrader builder("", "QU_BUILDER_EXE", BUILDER_TITLE);
    ASSERT_NE(builder.Dialog(), nullptr);
    robot::RightClick(builder.Dialog(), 300, 20);
    HWND menu = robot::WaitForProcessWindow(builder.ProcessId(), "#32768");
    ASSERT_NE(menu, nullptr);
    ::PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(robot::WaitUntil([&] { return robot::FindProcessWindows(builder.ProcessId(), "#32768").empty(); }));
}

TEST(ActionListMenu, CopyAllPutsEveryLineWithItsSeparatorOnTheClipboard) {
    CRunningUpgrader upgrader;
    ASSERT_NE(upgrader.Dialog(), nullptr);
    const std::string greetings = std::string(GREETING) + SEPARATOR + SEPARATOR + ADMIN_ADVICE + SEPARATOR + SEPARATOR;
    EXPECT_EQ(CopyAllThroughMenu(upgrader), greetings + '\0');
    EXPECT_EQ(CopyAllThroughMenu(upgrader, true), greetings + '\0');

    ReplaceLines(upgrader.List(), {"A", "", "B"});
    EXPECT_EQ(CopyAllThroughMenu(upgrader), std::string("A\r\n\r\n\r\n\r\nB\r\n\r\n") + '\0');
    // The export leaves the list as it was.
    EXPECT_EQ(robot::ReadList(upgrader.List()).size(), 3u);
}

TEST(ActionListMenu, RightClickOrMenuKeyOnAnEmptyListShowsNoMenu) {
    CRunningUpgrader upgrader;
    ASSERT_NE(upgrader.Dialog(), nullptr);
    ::SendMessageA(upgrader.List(), LB_RESETCONTENT, 0, 0);
    const DWORD cleared = robot::ClearClipboard();
    robot::RightClick(upgrader.List());
    PressMenuKey(upgrader.List());
    // Copy All, posted after the click and the key, tells when they have been handled.
    ::PostMessageA(upgrader.Dialog(), ID_COPY_ALL, 0, 0);
    std::string bytes;
    ASSERT_TRUE(robot::WaitForClipboardText(cleared, &bytes));
    EXPECT_EQ(bytes, std::string(1, '\0'));
    EXPECT_TRUE(robot::FindProcessWindows(upgrader.ProcessId(), "#32768").empty());
}

TEST(ActionListMenu, SaveAllWritesATextFileThroughTheSaveDialog) {
    char temp[MAX_PATH] = "";
    ::GetTempPathA(MAX_PATH, temp);
    const std::string name = std::string(temp) + "qu-saved-list-" + std::to_string(::GetCurrentProcessId());
    const std::string saved = name + ".txt";
    ::DeleteFileA(saved.c_str());

    CRunningUpgrader upgrader;
    ASSERT_NE(upgrader.Dialog(), nullptr);
    ReplaceLines(upgrader.List(), {"12345", "", "1234567"});
    robot::RightClick(upgrader.List());
    HWND menu = robot::WaitForProcessWindow(upgrader.ProcessId(), "#32768");
    ASSERT_NE(menu, nullptr);
    robot::ChoosePopupMenuItem(menu, 1);
    HWND saveDialog = robot::WaitForProcessWindow(upgrader.ProcessId(), "#32770", upgrader.Dialog());
    ASSERT_NE(saveDialog, nullptr);
    // A name typed without an extension gets .txt.
    ASSERT_TRUE(robot::EnterFileName(saveDialog, name));
    ASSERT_TRUE(robot::WaitUntil([&] { return !::IsWindow(saveDialog); }));
    ASSERT_TRUE(robot::WaitUntil([&] { return ReadFileBytes(saved).size() == 25; }));
    EXPECT_EQ(ReadFileBytes(saved), std::string("12345\r\n\r\n\r\n\r\n1234567\r\n\r\n") + '\0');
    EXPECT_TRUE(upgrader.Close());
    ::DeleteFileA(saved.c_str());
}

TEST(DecoderOptions, StoredAsDwordsOnlyWhenTheDecoderKeyExists) {
    CRunningUpgrader upgrader;
    ASSERT_NE(upgrader.Dialog(), nullptr);
    {
        CRegistryValueGuard mpg2(HKEY_CURRENT_USER, FFDSHOW_KEY, "mpg2");
        CRegistryValueGuard cram(HKEY_CURRENT_USER, FFDSHOW_KEY, "cram");
        CRegistryValueGuard other(HKEY_CURRENT_USER, FFDSHOW_KEY, "xvid");
        // Other types before: the options must end up as DWORDs all the same.
        ASSERT_TRUE(mpg2.Set("0"));
        ASSERT_TRUE(cram.Set("1"));
        ASSERT_TRUE(other.Set("kept"));
        EXPECT_EQ(::SendMessageA(upgrader.Dialog(), WM_SET_FFDSHOW_OPTIONS, 0, 0), 0);

        DWORD mpg2Value = 0xFFFF, cramValue = 0xFFFF;
        EXPECT_TRUE(CRegistryAccess::ReadDword(HKEY_CURRENT_USER, FFDSHOW_KEY, "mpg2", mpg2Value));  // a REG_DWORD
        EXPECT_EQ(mpg2Value, 1u);
        EXPECT_TRUE(CRegistryAccess::ReadDword(HKEY_CURRENT_USER, FFDSHOW_KEY, "cram", cramValue));
        EXPECT_EQ(cramValue, 0u);
        EXPECT_EQ(CRegistryAccess::ReadString(HKEY_CURRENT_USER, FFDSHOW_KEY, "xvid"), "kept");
    }
    // The guards removed the key they made: now the decoder is not installed.
    if (CRegistryAccess::KeyExists(HKEY_CURRENT_USER, FFDSHOW_KEY)) GTEST_SKIP() << "the prefix has a decoder key of its own";
    const bool parentBefore = CRegistryAccess::KeyExists(HKEY_CURRENT_USER, "Software\\GNU");
    EXPECT_EQ(::SendMessageA(upgrader.Dialog(), WM_SET_FFDSHOW_OPTIONS, 0, 0), 0);
    EXPECT_FALSE(CRegistryAccess::KeyExists(HKEY_CURRENT_USER, FFDSHOW_KEY));
    EXPECT_EQ(CRegistryAccess::KeyExists(HKEY_CURRENT_USER, "Software\\GNU"), parentBefore);
}

// Both programs are drawn sharp at any display scale: their manifest declares system DPI awareness.
TEST(MainDialog, ManifestDeclaresSystemDpiAwareness) {
    for (const char* variable : {"QU_UPGRADE_EXE", "QU_BUILDER_EXE"}) {
        SCOPED_TRACE(variable);
        const std::string manifest = ReadProgramResource(GetProgramPath(variable), MAKEINTRESOURCEA(24), 1);  // RT_MANIFEST
        ASSERT_FALSE(manifest.empty());
        EXPECT_NE(manifest.find("<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>"),
                  std::string::npos);
        EXPECT_NE(manifest.find("<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">system"
                                "</dpiAwareness>"),
                  std::string::npos);
    }
}
