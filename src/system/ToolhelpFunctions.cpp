#include "system/ToolhelpFunctions.h"

#include "framework/ScopedHandles.h"
#include "system/SystemLibrary.h"

bool CToolhelpFunctions::Resolve(bool bWithModuleWalk) {
    // The library stays loaded in every process; the handle is only needed to look up the names.
    CScopedLibrary kernel = LoadSystemLibrary("KERNEL32.DLL");
    const HMODULE module = kernel.Get();
    bool resolved = ResolveEntryPoint(module, "CreateToolhelp32Snapshot", m_pfnCreateSnapshot) &&
                    ResolveEntryPoint(module, "Process32First", m_pfnProcessFirst) &&
                    ResolveEntryPoint(module, "Process32Next", m_pfnProcessNext);
    if (resolved && bWithModuleWalk)
        resolved = ResolveEntryPoint(module, "Module32First", m_pfnModuleFirst) &&
                   ResolveEntryPoint(module, "Module32Next", m_pfnModuleNext);
    return resolved;
}

void CToolhelpFunctions::WalkProcesses(const std::function<bool(const PROCESSENTRY32&)>& visit) const {
    if (!m_pfnCreateSnapshot) return;
    CScopedKernelHandle snapshot(m_pfnCreateSnapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return;
    // The record size is the platform's own for this build (296 bytes on 32-bit Windows).
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = m_pfnProcessFirst(snapshot.Get(), &entry); more; more = m_pfnProcessNext(snapshot.Get(), &entry)) {
        if (!visit(entry)) return;
    }
}

void CToolhelpFunctions::WalkModules(DWORD processId, const std::function<void(const MODULEENTRY32&)>& visit) const {
    if (!m_pfnCreateSnapshot || !m_pfnModuleFirst) return;
    CScopedKernelHandle snapshot(m_pfnCreateSnapshot(TH32CS_SNAPMODULE, processId));
    if (!snapshot) return;
    MODULEENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = m_pfnModuleFirst(snapshot.Get(), &entry); more; more = m_pfnModuleNext(snapshot.Get(), &entry))
        visit(entry);
}
