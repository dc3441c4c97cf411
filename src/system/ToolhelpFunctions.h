#pragma once

#include <windows.h>
#include <tlhelp32.h>

#include <functional>

// The tool-help snapshot functions of "KERNEL32.DLL", bound by name at run time.
class CToolhelpFunctions {
public:
    // Resolves the process walk, and the module walk too when asked; false when any is missing.
    bool Resolve(bool bWithModuleWalk);

    // Sends every process of a new snapshot to the visitor until it answers false.
    // A snapshot that can't be taken, or whose first record can't be read, reports nothing.
    void WalkProcesses(const std::function<bool(const PROCESSENTRY32&)>& visit) const;
    // Sends every module of the process to the visitor.
    void WalkModules(DWORD processId, const std::function<void(const MODULEENTRY32&)>& visit) const;

private:
    HANDLE(WINAPI* m_pfnCreateSnapshot)(DWORD, DWORD) = nullptr;
    BOOL(WINAPI* m_pfnProcessFirst)(HANDLE, PROCESSENTRY32*) = nullptr;
    BOOL(WINAPI* m_pfnProcessNext)(HANDLE, PROCESSENTRY32*) = nullptr;
    BOOL(WINAPI* m_pfnModuleFirst)(HANDLE, MODULEENTRY32*) = nullptr;
    BOOL(WINAPI* m_pfnModuleNext)(HANDLE, MODULEENTRY32*) = nullptr;
};
