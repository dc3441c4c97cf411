#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Both process checks of a run walk a snapshot of the system's processes. It lists the processes
// of every session and user, also those this program may not open, which a walk by the process
// status library would pass over: a running product or channel program is never missed.

// True while a process whose image file name is the product's main executable runs.
// A walk that fails answers false.
bool IsProductRunning();

// The ids of every running process whose image has the file name of the given path or name
// (without regard to case). Empty when there is none, or the walk fails.
std::vector<DWORD> FindProcessIds(const std::string& pathOrName);
