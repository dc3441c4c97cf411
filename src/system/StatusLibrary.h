#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/ScopedHandles.h"

// EnumProcesses of the process status library.
using ENUM_PROCESSES_PROC = BOOL(WINAPI*)(DWORD* ids, DWORD bytes, DWORD* bytesReturned);

// Every running process id. The buffer starts at 1024 ids and grows until the whole list fits,
// so no process is missed on a busy machine. False when the walk fails.
bool EnumAllProcessIds(ENUM_PROCESSES_PROC enumProcesses, std::vector<DWORD>& ids);

// The process status library ("PSAPI.DLL"), bound at run time from the system folder.
class CStatusLibrary {
public:
    static constexpr DWORD QUERY_ACCESS = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;

    // Loads the library unless loaded and resolves what the walks use; false when any is missing.
    bool Load();
    bool IsReady() const { return m_pfnEnumProcesses && m_pfnEnumProcessModules && m_pfnGetModuleFileNameEx; }
    HMODULE GetHandle() const { return m_library.Get(); }

    bool EnumProcessIds(std::vector<DWORD>& ids) const;
    // Every module of an open process, its executable first; false when none can be read.
    bool EnumModules(HANDLE process, std::vector<HMODULE>& modules) const;
    // Full path of a module of an open process; empty when it can't be read.
    std::string GetModulePath(HANDLE process, HMODULE module) const;
    // Opens the process for query and read and reads its executable's path and handle.
    // False when the process can't be opened or its executable can't be read.
    bool ReadProcessImage(DWORD processId, std::string& path, HMODULE& executable) const;

private:
    CScopedLibrary m_library;
    ENUM_PROCESSES_PROC m_pfnEnumProcesses = nullptr;
    BOOL(WINAPI* m_pfnEnumProcessModules)(HANDLE, HMODULE*, DWORD, DWORD*) = nullptr;
    DWORD(WINAPI* m_pfnGetModuleFileNameEx)(HANDLE, HMODULE, LPSTR, DWORD) = nullptr;
};
