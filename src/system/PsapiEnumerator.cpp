#include "system/PsapiEnumerator.h"

#include <memory>
#include <vector>

bool CPsapiEnumerator::ListProcesses(bool bWithModules) {
    std::vector<DWORD> ids;
    if (!m_library.Load() || !m_library.EnumProcessIds(ids)) return false;
    m_list.RemoveAll();
    for (DWORD id : ids) {
        std::string path;
        HMODULE executable = nullptr;
        if (!m_library.ReadProcessImage(id, path, executable)) continue;
        CProcessInfo* process = m_list.Add(
            std::make_unique<CProcessInfo>(path.c_str(), reinterpret_cast<ULONG_PTR>(executable), id));
        if (bWithModules) ListModules(*process);
    }
    return true;
}

bool CPsapiEnumerator::ListModules(CProcessInfo& process) {
    if (!m_library.Load()) return false;
    process.ClearModules();
    CScopedKernelHandle handle(::OpenProcess(CStatusLibrary::QUERY_ACCESS, FALSE, process.GetProcessId()));
    if (!handle) return true;
    std::vector<HMODULE> modules;
    if (!m_library.EnumModules(handle.Get(), modules)) return true;
    // The first module is the executable, which the process itself describes.
    for (size_t i = 1; i < modules.size(); ++i) {
        const std::string path = m_library.GetModulePath(handle.Get(), modules[i]);
        process.AddModule(std::make_unique<CModuleInfo>(path.c_str(), reinterpret_cast<ULONG_PTR>(modules[i])));
    }
    return true;
}
