#pragma once

#include <windows.h>

#include <string>

// An exit status of the system's error range 0xC0000000-0xCFFFFFFF is the exception that ended
// the program: it crashed. (0xFFFFFFF7, for one, is the -9 the upgrader ends a program with.)
inline bool IsCrashStatus(DWORD status) { return (status & 0xF0000000u) == 0xC0000000u; }

// Fails the running test when a program's exit status is a crash, naming the program and the
// exception code in hex. True when the status was a crash.
bool ReportCrash(const std::string& program, DWORD status);
