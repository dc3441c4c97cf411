#include "system/ToolhelpEnumerator.h"

#include <memory>

#include "util/TextCompare.h"

bool CToolhelpEnumerator::ListProcesses(bool bWithModules) {
    if (!m_functions.Resolve(true)) return false;
    // The list is not cleared here; the owner's Refresh has done so.
    m_functions.WalkProcesses([&](const PROCESSENTRY32& entry) {
        CProcessInfo* process =
            m_list.Add(std::make_unique<CProcessInfo>(entry.szExeFile, entry.th32ModuleID, entry.th32ProcessID));
        if (bWithModules) ListModules(*process);
        return true;
    });
    return true;
}

bool CToolhelpEnumerator::ListModules(CProcessInfo& process) {
    const std::string executable = process.GetName();
    m_functions.WalkModules(process.GetProcessId(), [&](const MODULEENTRY32& entry) {
        // The executable itself is the process's own description, not one of its modules.
        if (EqualsNoCase(entry.szModule, executable)) return;
        process.AddModule(std::make_unique<CModuleInfo>(entry.szExePath, reinterpret_cast<ULONG_PTR>(entry.hModule)));
    });
    return true;
}
