#pragma once

#include <windows.h>

#include <string>

#include "framework/ScopedHandles.h"
#include "os/SystemCalls.h"

// The upgrader runs elevated and writes where users may have planted a link: these make sure a
// path leads where it says, without a reparse point (a symbolic link, a junction, a mount point)
// on the way and without a relative, network or device form.

// True when the file or folder that the path names is itself a reparse point, or may be one: a
// name that cannot be looked at for another reason than not being there counts as one.
bool IsReparsePoint(ISystemCalls& calls, const std::string& path);

// True when the path names something inside the folder (ending with a backslash), compared as
// full paths: both with a drive, neither with "..", and no reparse point from the folder itself
// down to the path's own folder.
bool IsPlainPathInside(ISystemCalls& calls, const std::string& path, const std::string& folder);

// The full path the system has for an open file or folder, through every link on the way, as a
// drive or UNC path ("C:\\...", "\\\\server\\share\\..."), without a final backslash; empty when it
// cannot say.
std::string GetFinalPath(ISystemCalls& calls, HANDLE file);
// True when the open file or folder is the one the full path names, reached without any link on
// the way: its final path is that path, without regard to case.
bool IsReachedWithoutLink(ISystemCalls& calls, HANDLE file, const std::string& path);

// The folder's final path, through every link on the way, with its final backslash; the folder as
// given when it cannot be opened. Administrators move large folders to another drive and leave a
// junction in their place: what is below it is decided where it really lies.
std::string ResolveFolder(ISystemCalls& calls, const std::string& folder);

// Opens a file as CreateFileA does, but never through a reparse point: the name itself is opened,
// and one that is a reparse point is closed again, with ERROR_CANT_ACCESS_FILE. Only for
// dispositions that change nothing of an existing file (OPEN_EXISTING, OPEN_ALWAYS, CREATE_NEW).
// The attributes, when given, are a new file's.
CScopedKernelHandle OpenFileNoLink(ISystemCalls& calls, const std::string& path, DWORD access, DWORD share,
                                   DWORD disposition, SECURITY_ATTRIBUTES* attributes = nullptr);
