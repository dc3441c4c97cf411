#include "robot/WindowRobot.h"

#include <cstring>

#include "framework/ScopedHandles.h"

namespace robot {

namespace {

const DWORD POLL_MS = 20;

struct ProcessWindowSearch {
    DWORD processId;
    const char* className;
    HWND except;
    std::vector<HWND> found;
};

std::string ToAnsi(const std::wstring& wide) {
    if (wide.empty()) return std::string();
    const int size = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                           nullptr);
    std::string text(static_cast<size_t>(size > 0 ? size : 0), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size, nullptr, nullptr);
    return text;
}

BOOL CALLBACK CollectProcessWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<ProcessWindowSearch*>(param);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && window != search->except && ::IsWindowVisible(window) &&
        GetClass(window) == search->className)
        search->found.push_back(window);
    return TRUE;
}

BOOL CALLBACK CollectStaticText(HWND child, LPARAM param) {
    auto* text = reinterpret_cast<std::string*>(param);
    if (GetClass(child) != "Static") return TRUE;
    const std::string line = GetTitle(child);
    if (line.empty()) return TRUE;
    if (!text->empty()) *text += "\n";
    *text += line;
    return TRUE;
}

BOOL CALLBACK FindVisibleEdit(HWND child, LPARAM param) {
    if (GetClass(child) != "Edit" || !::IsWindowVisible(child)) return TRUE;
    *reinterpret_cast<HWND*>(param) = child;
    return FALSE;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition()) return true;
        if (::GetTickCount64() >= deadline) return condition();
        ::Sleep(POLL_MS);
    }
}

bool WaitForHandle(HANDLE handle, DWORD timeoutMs) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        const ULONGLONG now = ::GetTickCount64();
        const DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
        const DWORD result = ::MsgWaitForMultipleObjects(1, &handle, FALSE, left, QS_ALLINPUT);
        if (result == WAIT_OBJECT_0) return true;
        if (result != WAIT_OBJECT_0 + 1) return false;
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
    }
}

HWND WaitForWindow(const std::string& title, DWORD timeoutMs) {
    HWND window = nullptr;
    WaitUntil([&] { return (window = ::FindWindowA(nullptr, title.c_str())) != nullptr; }, timeoutMs);
    return window;
}

std::vector<HWND> FindProcessWindows(DWORD processId, const char* className, HWND except) {
    ProcessWindowSearch search{processId, className, except, {}};
    ::EnumWindows(&CollectProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForProcessWindow(DWORD processId, const char* className, HWND except, DWORD timeoutMs) {
    HWND window = nullptr;
    WaitUntil(
        [&] {
            const std::vector<HWND> found = FindProcessWindows(processId, className, except);
            window = found.empty() ? nullptr : found.front();
            return window != nullptr;
        },
        timeoutMs);
    return window;
}

std::string GetTitle(HWND window) {
    char text[1024] = "";
    ::SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

std::string GetClass(HWND window) {
    char name[256] = "";
    ::GetClassNameA(window, name, sizeof name);
    return name;
}

ListLine ReadListItem(HWND list, int index) {
    const auto length = static_cast<int>(::SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0));
    const auto color = static_cast<COLORREF>(::SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(index), 0));
    std::wstring wide;
    if (length > 0 && length <= MAX_REMOTE_TEXT) {
        // Wine hands another process's list text back in UTF-16 even to the ANSI call: ask for it.
        // The item may have changed since its length was asked (a run empties and refills the
        // list), so the buffer takes the longest text Wine hands across, not only that length.
        wide.assign(MAX_REMOTE_TEXT + 1, L'\0');
        const LRESULT copied =
            ::SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(wide.data()));
        wide.resize(copied > 0 && copied <= MAX_REMOTE_TEXT ? static_cast<size_t>(copied) : 0);
    }
    return {ToAnsi(wide), color, length};
}

std::vector<ListLine> ReadList(HWND list) {
    std::vector<ListLine> lines;
    const int count = static_cast<int>(::SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) lines.push_back(ReadListItem(list, i));
    return lines;
}

int GetItemHeight(HWND list, int index) {
    return static_cast<int>(::SendMessageA(list, LB_GETITEMHEIGHT, static_cast<WPARAM>(index), 0));
}

void PressButton(HWND dialog, int id) {
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

std::string GetMessageBoxText(HWND box) {
    std::string text;
    ::EnumChildWindows(box, &CollectStaticText, reinterpret_cast<LPARAM>(&text));
    return text;
}

void RightClick(HWND window, int x, int y) {
    ::PostMessageA(window, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(x, y));
    ::PostMessageA(window, WM_RBUTTONUP, 0, MAKELPARAM(x, y));
}

void ChoosePopupMenuItem(HWND menu, int position) {
    // A menu opened by a click has no item highlighted: the first Down reaches item 0.
    for (int i = 0; i <= position; ++i) ::PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
    ::PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
}

bool EnterFileName(HWND fileDialog, const std::string& name) {
    HWND edit = nullptr;
    ::EnumChildWindows(fileDialog, &FindVisibleEdit, reinterpret_cast<LPARAM>(&edit));
    if (edit == nullptr) return false;
    ::SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
    PressButton(fileDialog, IDOK);
    return true;
}

bool ReadClipboardText(std::string* bytes) {
    CScopedClipboard clipboard(nullptr);
    if (!clipboard.IsOpen()) return false;
    HANDLE data = ::GetClipboardData(CF_TEXT);
    if (data == nullptr) return false;
    CGlobalLock lock(data);
    const char* text = static_cast<const char*>(lock.Get());
    if (text == nullptr) return false;
    const SIZE_T size = ::GlobalSize(data);
    const void* zero = std::memchr(text, '\0', size);
    if (zero == nullptr) return false;
    bytes->assign(text, static_cast<const char*>(zero) + 1);
    return true;
}

DWORD ClearClipboard() {
    {
        CScopedClipboard clipboard(nullptr);
        if (clipboard.IsOpen()) ::EmptyClipboard();
    }
    return ::GetClipboardSequenceNumber();
}

bool WaitForClipboardText(DWORD since, std::string* bytes) {
    return WaitUntil([&] { return ::GetClipboardSequenceNumber() != since; }) &&
           WaitUntil([&] { return ReadClipboardText(bytes); });
}

}  // namespace robot
