#include "system/ModuleInfo.h"

#include "system/ProcessEnumerator.h"
#include "util/PathParts.h"

CModuleInfo::CModuleInfo(const char* path, ULONG_PTR module) : m_strPath(path ? path : ""), m_nModule(module) {}

std::string CModuleInfo::GetName() const { return GetFileNameOf(m_strPath); }

void CModuleInfo::AddModule(std::unique_ptr<CModuleInfo> module) {
    if (!m_pModules) m_pModules = std::make_unique<COwningList<CModuleInfo>>();
    m_pModules->Add(std::move(module));
}

void CModuleInfo::ClearModules() {
    if (m_pModules) m_pModules->RemoveAll();
}

bool CProcessInfo::ListModules(CProcessEnumerator& enumerator) { return enumerator.ListModules(*this); }
