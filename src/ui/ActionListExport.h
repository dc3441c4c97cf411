#pragma once

#include <windows.h>

#include <string>

// The action list's two exports. Each answers the text to show the user when it failed,
// empty on success.

using GlobalAllocFunction = HGLOBAL(WINAPI*)(UINT flags, SIZE_T bytes);

// Puts the text, with its terminating zero, on the clipboard as CF_TEXT. The allocator is the
// system's unless a test needs one that fails.
std::string CopyTextToClipboard(HWND owner, const std::string& text, GlobalAllocFunction allocate = ::GlobalAlloc);

// Asks for the name of a text file to save to; false when the user cancelled.
bool AskSaveFileName(HWND owner, std::string* path);

// Writes the text and one zero byte after it into a new (or truncated) file.
std::string SaveTextToFile(const std::string& path, const std::string& text);
