#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Drives a program's windows from outside, the way an accessibility client does: finds windows
// by title or class, reads list boxes, presses buttons, answers message boxes and menus, and
// reads the clipboard. Everything goes through window messages, so the program may be another
// process. Waits are bounded and polled; they only keep a broken program from hanging a test.
namespace robot {

// Generous bound for anything a program does in response to a message.
constexpr DWORD WAIT_MS = 15000;

struct ListLine {
    std::string text;
    COLORREF color;  // the item data
    int length;      // of the text, also when the text was not fetched
};

// Wine copies another process's list text through a buffer of 512 characters: a longer one
// would overrun it inside the program, so such texts are left unread.
constexpr int MAX_REMOTE_TEXT = 511;

// Polls the condition until it holds or the time is up; answers the last result.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = WAIT_MS);

// Waits for a process or thread to end while serving the calling thread's messages: a program
// that closes its windows may send the test's windows activation messages and wait for them.
bool WaitForHandle(HANDLE handle, DWORD timeoutMs = WAIT_MS);

// A top-level window with exactly this title, waited for.
HWND WaitForWindow(const std::string& title, DWORD timeoutMs = WAIT_MS);
// The visible top-level windows of a process with this class ("#32770" dialogs and message
// boxes, "#32768" pop-up menus), other than the one given.
std::vector<HWND> FindProcessWindows(DWORD processId, const char* className, HWND except = nullptr);
HWND WaitForProcessWindow(DWORD processId, const char* className, HWND except = nullptr, DWORD timeoutMs = WAIT_MS);

std::string GetTitle(HWND window);
std::string GetClass(HWND window);

// Every item of a list box with its item data; texts longer than MAX_REMOTE_TEXT stay empty.
std::vector<ListLine> ReadList(HWND list);
// One item of the list, as ReadList reads it.
ListLine ReadListItem(HWND list, int index);
int GetItemHeight(HWND list, int index);

// Presses a dialog's button without waiting for what it starts (a modal box would block).
void PressButton(HWND dialog, int id);

// The texts of a message box's static controls, joined by line breaks.
std::string GetMessageBoxText(HWND box);

// Right button released over a window, at a point of its client area.
void RightClick(HWND window, int x = 10, int y = 10);
// Chooses the item at a position of a shown pop-up menu with the keyboard.
void ChoosePopupMenuItem(HWND menu, int position);

// Types a name into a file dialog's name field and presses its OK button.
bool EnterFileName(HWND fileDialog, const std::string& name);

// The CF_TEXT bytes on the clipboard up to and including the terminating zero; false when
// there is no text or no zero inside the block.
bool ReadClipboardText(std::string* bytes);
// Empties the clipboard, so a test sees only what it caused; answers the clipboard's sequence
// number afterwards.
DWORD ClearClipboard();
// Waits until a program has changed the clipboard since the sequence number, then reads its
// text. The clipboard is not opened before: a program that found it held would fail its copy.
bool WaitForClipboardText(DWORD since, std::string* bytes);

}  // namespace robot
