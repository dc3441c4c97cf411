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

// A process as a walk saw it: its id and image file name, and a time just before the walk. By the
// time it is opened, the id may name another process: one started after that time.
struct SEEN_PROCESS {
    DWORD dwId = 0;
    std::string strImageName;
    FILETIME ftBeforeWalk{};
};

// Every running process whose image has the file name of the given path or name (without regard
// to case). Empty when there is none, or the walk fails.
std::vector<SEEN_PROCESS> FindProcesses(const std::string& pathOrName);
