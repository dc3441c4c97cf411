#include "system/StatusLibrary.h"

#include "system/SystemLibrary.h"

namespace {

const size_t FIRST_BUFFER_COUNT = 1024;
// Far beyond any real machine; keeps a misbehaving walk from growing without end.
const size_t MAX_BUFFER_COUNT = 1024 * 1024;

}  // namespace

bool EnumAllProcessIds(ENUM_PROCESSES_PROC enumProcesses, std::vector<DWORD>& ids) {
    for (size_t count = FIRST_BUFFER_COUNT;; count *= 2) {
        ids.assign(count, 0);
        DWORD bytes = 0;
        const DWORD capacity = static_cast<DWORD>(count * sizeof(DWORD));
        if (!enumProcesses(ids.data(), capacity, &bytes)) {
            ids.clear();
            return false;
        }
        // A full buffer may have cut the list short: ask again with a larger one.
        if (bytes < capacity || count >= MAX_BUFFER_COUNT) {
            ids.resize(bytes / sizeof(DWORD));
            return true;
        }
    }
}

bool CStatusLibrary::Load() {
    if (!m_library) m_library = LoadSystemLibrary("PSAPI.DLL");
    return ResolveEntryPoint(m_library.Get(), "EnumProcesses", m_pfnEnumProcesses) &&
           ResolveEntryPoint(m_library.Get(), "EnumProcessModules", m_pfnEnumProcessModules) &&
           ResolveEntryPoint(m_library.Get(), "GetModuleFileNameExA", m_pfnGetModuleFileNameEx);
}

bool CStatusLibrary::EnumProcessIds(std::vector<DWORD>& ids) const {
    return IsReady() && EnumAllProcessIds(m_pfnEnumProcesses, ids);
}

bool CStatusLibrary::EnumModules(HANDLE process, std::vector<HMODULE>& modules) const {
    modules.assign(FIRST_BUFFER_COUNT, nullptr);
    // Modules may be loaded between the calls; a few rounds settle it.
    for (int round = 0; round < 4; ++round) {
        const DWORD capacity = static_cast<DWORD>(modules.size() * sizeof(HMODULE));
        DWORD needed = 0;
        if (!m_pfnEnumProcessModules(process, modules.data(), capacity, &needed)) break;
        if (needed <= capacity) {
            modules.resize(needed / sizeof(HMODULE));
            return !modules.empty();
        }
        modules.assign(needed / sizeof(HMODULE), nullptr);
    }
    modules.clear();
    return false;
}

std::string CStatusLibrary::GetModulePath(HANDLE process, HMODULE module) const {
    char path[MAX_PATH] = {};
    const DWORD length = m_pfnGetModuleFileNameEx(process, module, path, MAX_PATH);
    return std::string(path, length < MAX_PATH ? length : 0);
}

bool CStatusLibrary::ReadProcessImage(DWORD processId, std::string& path, HMODULE& executable) const {
    if (!IsReady()) return false;
    CScopedKernelHandle process(::OpenProcess(QUERY_ACCESS, FALSE, processId));
    if (!process) return false;
    std::vector<HMODULE> modules;
    if (!EnumModules(process.Get(), modules)) return false;
    path = GetModulePath(process.Get(), modules.front());
    executable = modules.front();
    return !path.empty();
}
