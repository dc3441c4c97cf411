#pragma once

#include <windows.h>

#include <string>

#include "upgrade/Checkpoint.h"

// What an upgrade run, and the recovery of an interrupted one, are given besides their host. The
// program decides it once, from its build and its command line.
struct RUN_SETTINGS {
    std::string strPackageVersion;  // the version the package installs
    std::string strExeName;         // the running upgrader's file name without ".exe"
    bool bAutoMode = false;         // the "auto" switch: the log records say so
    // Where the package comes from: resource 130 of hLibraryModule (the running program when
    // null), or the package file when one is named. The compression library is that module's.
    std::string strPackageFile;
    HMODULE hLibraryModule = nullptr;
    CheckpointHook atCheckpoint;  // empty in the shipped program
};
