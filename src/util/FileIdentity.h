#pragma once

#include <windows.h>

#include <string>

#include "os/SystemCalls.h"

// What tells one state of a file from another without reading it: the file itself (its volume
// and index, which a rename over it changes) and its size and last-write time (which a write in
// place changes). Read through a handle that asks for no access to the data, so another
// program's sharing never stands in the way.
struct FILE_IDENTITY {
    bool bKnown = false;
    DWORD dwVolume = 0;
    DWORD dwIndexHigh = 0, dwIndexLow = 0;
    DWORD dwSizeHigh = 0, dwSizeLow = 0;
    FILETIME ftLastWrite{};
};

// The file's identity now; not known when it cannot be read (the file is gone).
FILE_IDENTITY ReadFileIdentity(ISystemCalls& calls, const std::string& path);
// The identity in what GetFileInformationByHandle answered of an open file.
FILE_IDENTITY IdentityOf(const BY_HANDLE_FILE_INFORMATION& info);
// True when both are known and are one state of one file.
bool IsSameState(const FILE_IDENTITY& a, const FILE_IDENTITY& b);
// As a journal keeps it: hex fields with dashes between them; empty when not known.
std::string FormatFileIdentity(const FILE_IDENTITY& identity);
// The text FormatFileIdentity made; anything else is not known.
FILE_IDENTITY ParseFileIdentity(const std::string& text);
