#pragma once

#include <windows.h>

#include <string>

// The action list's two exports. Each answers the text to show the user when it failed,
// empty on success.

// Puts the text, with its terminating zero, on the clipboard as CF_TEXT.
std::string CopyTextToClipboard(HWND owner, const std::string& text);

// Asks for the name of a text file to save to; false when the user cancelled.
bool AskSaveFileName(HWND owner, std::string* path);

// Writes the text and one zero byte after it into a new (or truncated) file.
std::string SaveTextToFile(const std::string& path, const std::string& text);
