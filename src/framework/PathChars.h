#pragma once

#include <string>

// Paths are bytes of the ANSI code page. In a double-byte code page (Japanese, Chinese, Korean) a
// character may take two bytes, and its second byte may be a backslash (0x5C, as in "ソ" or "表" of
// code page 932) or a bar (0x7C, as in "ポ"). These step through a path by characters, by the
// system's own rules for the code page, so that such a byte is never taken for a separator. No
// other code looks for a separator in a path byte by byte.

// Where the character after the one at the index starts: a lead byte and the byte after it are one
// character (a lead byte at the very end is one by itself).
size_t NextCharAt(const std::string& text, size_t index);
// The first separator at or after start ("\" or, with bSlash, "/"), or npos.
size_t FindSeparator(const std::string& path, size_t start = 0, bool bSlash = true);
// The last separator ("\" or "/"), or npos.
size_t FindLastSeparator(const std::string& path);
// True when the path's last character is a separator.
bool EndsWithSeparator(const std::string& path);
