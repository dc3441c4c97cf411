#pragma once

#include <windows.h>

#include <string>

#include "os/SystemCalls.h"
#include "upgrade/Checkpoint.h"

class COwnProgramFile;

// What an upgrade run, and the recovery of an interrupted one, are given besides their host. The
// program decides it once, from its build and its command line.
struct RUN_SETTINGS {
    std::string strPackageVersion;  // the version the package installs
    // The running upgrader's own file, for its self-copy: every upgrade run is given it.
    const COwnProgramFile* pOwnFile = nullptr;
    // Every file-system call and registry write of a run and of a recovery goes through it: the
    // program's own CWindowsSystemCalls, or a test's layer over it. Every run and recovery is given it.
    ISystemCalls* pCalls = nullptr;
    bool bAutoMode = false;         // the "auto" switch: the log records say so
    // Where the package comes from: resource 130 of hLibraryModule (the running program when
    // null), or the package file when one is named. The compression library is that module's.
    std::string strPackageFile;
    HMODULE hLibraryModule = nullptr;
    CheckpointHook atCheckpoint;  // empty in the shipped program
};
