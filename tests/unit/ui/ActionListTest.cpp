// The action list inside the real main dialog, run in-process: lines, colours, heights, exports.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "support/DialogThread.h"
#include "support/LineColours.h"
#include "support/ScratchFolder.h"
#include "robot/WindowRobot.h"
#include "ui/ActionListExport.h"

namespace {

const UINT ID_COPY_ALL_MESSAGE = 0x8068;
const UINT ID_SAVE_ALL_MESSAGE = 0x8069;
const char SMALL_DRIVE[] = "Q:\\";
const int PROGRESS_ID = 1002;

COLORREF ColorOf(const CActionListBox& list, int index) { return static_cast<COLORREF>(list.GetItemData(index)); }

int HeightOf(const CActionListBox& list, int index) {
    return static_cast<int>(list.Send(LB_GETITEMHEIGHT, static_cast<WPARAM>(index)));
}

std::string TempPath(const std::string& name) {
    char temp[MAX_PATH] = "";
    ::GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + name + "-" + std::to_string(::GetCurrentProcessId());
}

void ReplaceLines(const CActionListBox& list, std::initializer_list<const char*> lines) {
    list.ResetContent();
    for (const char* line : lines) list.InsertString(-1, line);
}

// The list's vertical scroll range, read without a message to the list.
int ScrollRangeOf(HWND list) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE;
    return ::GetScrollInfo(list, SB_VERT, &info) ? info.nMax : -1;
}

// A message box of this process other than the dialog, waited for.
HWND WaitForMessageBox(HWND dialog) { return robot::WaitForProcessWindow(::GetCurrentProcessId(), "#32770", dialog); }

// A command that holds the dialog's thread until released: a list that is slower than the
// thread handing it lines.
class CHoldingStep : public CStep {
public:
    STEP_RESULT Do() override {
        ::SetEvent(m_hHeld.Get());
        ::WaitForSingleObject(m_hRelease.Get(), robot::WAIT_MS);
        return StepSucceeded();
    }
    STEP_RESULT Undo() override { return StepSucceeded(); }
    bool Hold(HWND dialog) {
        m_request.pStep = this;
        ::PostMessageA(dialog, WM_EXECUTE_COMMAND, reinterpret_cast<WPARAM>(&m_request), 0);
        return ::WaitForSingleObject(m_hHeld.Get(), robot::WAIT_MS) == WAIT_OBJECT_0;
    }
    void Release() const { ::SetEvent(m_hRelease.Get()); }

private:
    COMMAND_REQUEST m_request;
    CScopedKernelHandle m_hHeld{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    CScopedKernelHandle m_hRelease{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
};

}  // namespace

TEST(ActionList, EveryLineIsFollowedByAHalfToneSeparatorOfItsColour) {
    CDialogThread thread;
    ASSERT_TRUE(thread.IsOpen());
    CTestUpgradeDlg& dialog = thread.Dialog();
    const CActionListBox& list = dialog.m_list;

    EXPECT_EQ(dialog.AddLine(LINE_INFO, "        Copy %s", "a.dll"), 4);
    EXPECT_EQ(dialog.AddLine(LINE_INFO, "        Copy %s", "b.dll"), 6);
    dialog.AddLine(LINE_ABORT, "Abort - %d", 1);
    dialog.AddLine(LINE_ABORT, "Abort - %d", 2);
    dialog.AddLine(LINE_PROMPT, "Prompt - %s", "x");
    EXPECT_EQ(dialog.AddLine(7, "an unknown kind shows as information"), 14);

    const COLORREF expected[] = {YELLOW, DARK_YELLOW, YELLOW, DARK_YELLOW, WHITE, GREY, WHITE, GREY,
                                 RED,    DARK_RED,    RED,    DARK_RED,    YELLOW, DARK_YELLOW, WHITE, GREY};
    ASSERT_EQ(list.GetCount(), 16);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(ColorOf(list, i), expected[i]) << "line " << i;
    EXPECT_EQ(list.GetText(4), "        Copy a.dll");
    EXPECT_EQ(list.GetText(5), "");
    // The newest line is selected, and so scrolled into view.
    EXPECT_EQ(list.GetCurSel(), 14);

    // The first line of an emptied list keeps its full colour.
    list.ResetContent();
    EXPECT_EQ(dialog.AddLine(LINE_ABORT, "first"), 0);
    EXPECT_EQ(ColorOf(list, 0), RED);
    EXPECT_EQ(ColorOf(list, 1), DARK_RED);
}

TEST(ActionList, LinesFasterThanTheListKeepTheirOrderAndIndexesUpToTheClosingLine) {
    CDialogThread thread;
    ASSERT_TRUE(thread.IsOpen());
    CTestUpgradeDlg& dialog = thread.Dialog();
    const int LINES = 600;
    CHoldingStep held;
    ASSERT_TRUE(held.Hold(thread.Window()));
    for (int i = 0; i < LINES; ++i) {
        // Half of them wait while the list is held, the rest race the batches it then takes.
        if (i == LINES / 2) held.Release();
        EXPECT_EQ(dialog.AddLine(i % 3 == 0 ? LINE_ABORT : LINE_INFO, "line %d", i), 4 + 2 * i);
    }
    const int closing = 4 + 2 * LINES;
    EXPECT_EQ(dialog.AddLine(LINE_PROMPT, "closing"), closing);
    // The last batch shows with nobody reading the list (a read takes the waiting lines first):
    // its scroll range takes in the closing line and its separator.
    const CActionListBox& list = dialog.m_list;
    EXPECT_TRUE(robot::WaitUntil([&] { return ScrollRangeOf(list.GetSafeHwnd()) == closing + 1; }));
    // The bar moves with a batch too.
    dialog.SetProgress(77);
    HWND progress = ::GetDlgItem(thread.Window(), PROGRESS_ID);
    EXPECT_TRUE(robot::WaitUntil([&] { return ::SendMessageA(progress, PBM_GETPOS, 0, 0) == 77; }));

    ASSERT_EQ(list.GetCount(), closing + 2);
    for (int i = 0; i < LINES; ++i) {
        EXPECT_EQ(list.GetText(4 + 2 * i), "line " + std::to_string(i));
        const bool red = i % 3 == 0;
        EXPECT_EQ(ColorOf(list, 4 + 2 * i), red ? RED : WHITE) << "line " << i;
        EXPECT_EQ(ColorOf(list, 5 + 2 * i), red ? DARK_RED : GREY) << "line " << i;
    }
    EXPECT_EQ(list.GetText(closing), "closing");
    EXPECT_EQ(list.GetCurSel(), closing);
}

TEST(ActionList, AnOverlongLineIsCutTo1023Characters) {
    CDialogThread thread;
    ASSERT_TRUE(thread.IsOpen());
    const std::string text(2000, 'q');
    const int index = thread.Dialog().AddLine(LINE_INFO, "%s", text.c_str());
    EXPECT_EQ(thread.Dialog().m_list.GetText(index), text.substr(0, 1023));
}

TEST(ActionList, LinesAreAsHighAsTheirWrappedTextUpTo255Pixels) {
    CDialogThread thread;
    ASSERT_TRUE(thread.IsOpen());
    CTestUpgradeDlg& dialog = thread.Dialog();
    const int row = HeightOf(dialog.m_list, 0);
    ASSERT_GT(row, 1);
    // The separators are bars as high as one row of text.
    EXPECT_EQ(HeightOf(dialog.m_list, 1), row);

    std::string words;
    for (int i = 0; i < 150; ++i) words += "wrapping ";
    const int wrapped = HeightOf(dialog.m_list, dialog.AddLine(LINE_INFO, "%s", words.c_str()));
    EXPECT_GT(wrapped, row);
    EXPECT_EQ(wrapped % row, 0);

    std::string rows;
    for (int i = 0; i < 60; ++i) rows += "row\n";
    EXPECT_EQ(HeightOf(dialog.m_list, dialog.AddLine(LINE_INFO, "%s", rows.c_str())), 255);
}

TEST(ActionListExport, CopyAllPutsTheLinesWithTheirSeparatorsOnTheClipboard) {
    CDialogThread thread;
    ASSERT_TRUE(thread.IsOpen());
    ReplaceLines(thread.Dialog().m_list, {"A", "", "B"});
    robot::ClearClipboard();
    EXPECT_EQ(::SendMessageA(thread.Window(), ID_COPY_ALL_MESSAGE, 0, 0), 0);
    std::string bytes;
    ASSERT_TRUE(robot::ReadClipboardText(&bytes));
    EXPECT_EQ(bytes, std::string("A\r\n\r\n\r\n\r\nB\r\n\r\n") + '\0');
    EXPECT_EQ(thread.Dialog().m_list.GetCount(), 3);
}

TEST(ActionListExport, ABusyClipboardIsReportedOnlyOutsideAutoMode) {
    CDialogThread thread;
    ASSERT_TRUE(thread.IsOpen());
    CScopedClipboard held(nullptr);  // the test thread keeps the clipboard open
    ASSERT_TRUE(held.IsOpen());

    ::PostMessageA(thread.Window(), ID_COPY_ALL_MESSAGE, 0, 0);
    HWND box = WaitForMessageBox(thread.Window());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(robot::GetMessageBoxText(box), "Cannot open the Clipboard");
    robot::PressButton(box, IDOK);
    EXPECT_TRUE(robot::WaitUntil([&] { return !::IsWindow(box); }));

    // In auto mode nobody is there to answer: a message box would keep the sent message from returning.
    thread.Dialog().m_settings.bAutoMode = true;
    DWORD_PTR result = 1;
    EXPECT_NE(::SendMessageTimeoutA(thread.Window(), ID_COPY_ALL_MESSAGE, 0, 0, SMTO_NORMAL, robot::WAIT_MS, &result), 0);
    EXPECT_TRUE(robot::FindProcessWindows(::GetCurrentProcessId(), "#32770", thread.Window()).empty());
}

TEST(ActionListExport, SaveWritesEveryLineWithItsSeparatorAndAFinalZero) {
    CDialogThread thread;
    ASSERT_TRUE(thread.IsOpen());
    ReplaceLines(thread.Dialog().m_list, {"12345", "", "1234567"});
    const std::string path = TempPath("qu-list") + ".txt";
    // An existing, longer file is truncated.
    ASSERT_EQ(SaveTextToFile(path, std::string(100, '#')), "");
    ASSERT_EQ(SaveTextToFile(path, thread.Dialog().m_list.GetAllText()), "");
    const std::string bytes = ReadFileBytes(path);
    EXPECT_EQ(bytes.size(), 25u);
    EXPECT_EQ(bytes, std::string("12345\r\n\r\n\r\n\r\n1234567\r\n\r\n") + '\0');
    ::DeleteFileA(path.c_str());

    const std::string nowhere = TempPath("qu-no-such-folder") + "\\list.txt";
    const std::string error = SaveTextToFile(nowhere, "x");
    EXPECT_NE(error.find(nowhere), std::string::npos) << error;
}

TEST(ActionListExport, AFullDiskWhileSavingIsReportedLikeAFailedCreate) {
    if (::GetFileAttributesA((std::string(SMALL_DRIVE) + "small-drive.txt").c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "no small drive: mounting a tmpfs was not permitted, so a full disk cannot be made";
    CDialogThread thread;
    ASSERT_TRUE(thread.IsOpen());
    // More than the 1 MiB drive holds.
    const std::string line(4000, 'f');
    for (int i = 0; i < 300; ++i) thread.Dialog().m_list.InsertString(-1, line.c_str());

    const std::string name = std::string(SMALL_DRIVE) + "qu-full";
    ::PostMessageA(thread.Window(), ID_SAVE_ALL_MESSAGE, 0, 0);
    HWND saveDialog = WaitForMessageBox(thread.Window());
    ASSERT_NE(saveDialog, nullptr);
    ASSERT_TRUE(robot::EnterFileName(saveDialog, name));
    ASSERT_TRUE(robot::WaitUntil([&] { return !::IsWindow(saveDialog); }));
    HWND box = WaitForMessageBox(thread.Window());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(robot::GetMessageBoxText(box), "Disk full while accessing " + name + ".txt.");
    robot::PressButton(box, IDOK);
    EXPECT_TRUE(robot::WaitUntil([&] { return !::IsWindow(box); }));
    ::DeleteFileA((name + ".txt").c_str());
}
