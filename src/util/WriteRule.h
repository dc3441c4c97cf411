#pragma once

#include <string>

#include "util/PathTokens.h"

// The one rule for where a package may write, which the builder, the package check, the run and
// recovery all keep. A stored path names its folder by a token: ".\" the installation folder (as
// its final path, through any link on the way to it), "<System>\" the system folder, "<windows>\"
// the Windows folder, "<Windows Disk>\" the root of the drive that holds it, and "<Temp>\" the run's
// work folder, each followed by a plain path below it. Plain: every component a name, never empty,
// "." or "..", without a drive, stream, wildcard or control character, a trailing dot or blank, or
// a device name (CON, NUL, COM1...), walked by characters of the ANSI code page. Never a UNC or
// device path. A path without a token is used as written only where it falls inside the rule: a
// plain full path below one of those folders.


// True when the stored path keeps to the rule by its form alone, as a package builder and a
// package check see it, away from any installation: a token and a plain path after it. A path
// without a token cannot be shown to fall inside, so it is refused here.
bool IsPlainStoredPath(const std::string& storedPath);
// The full path the stored path names on the machine of the folders; empty when the rule refuses it.
std::string ResolveStoredPath(ISystemCalls& calls, const std::string& storedPath, const WRITE_FOLDERS& folders);
// True when a full path lies where the rule lets a package write: below one of the folders, plain
// and with no reparse point on the way from that folder down.
bool IsWritablePath(ISystemCalls& calls, const std::string& path, const WRITE_FOLDERS& folders);

// "The path <stored path> is outside the folders a package may write to": how the builder and the
// package check refuse an entry.
std::string FormatPathOutsideRule(const std::string& storedPath);
