#include "system/ProcessList.h"

#include "system/PsapiEnumerator.h"
#include "system/SystemLibrary.h"
#include "system/ToolhelpEnumerator.h"
#include "util/PathParts.h"
#include "util/TextCompare.h"

namespace {

bool HasStatusLibrary() { return static_cast<bool>(LoadSystemLibrary("PSAPI.DLL")); }

bool HasSnapshotFunctions() {
    CScopedLibrary kernel = LoadSystemLibrary("KERNEL32.DLL");
    return kernel && ::GetProcAddress(kernel.Get(), "CreateToolhelp32Snapshot") != nullptr;
}

}  // namespace

CProcessList::CProcessList(ENUMERATOR_CHOICE choice) {
    if (choice == ENUMERATOR_BY_SYSTEM) {
        // The status library wins whenever it is present, on any version of the system.
        choice = HasStatusLibrary() ? ENUMERATOR_STATUS_LIBRARY
                 : HasSnapshotFunctions() ? ENUMERATOR_SNAPSHOT
                                          : ENUMERATOR_NONE;
    }
    if (choice == ENUMERATOR_STATUS_LIBRARY) m_pEnumerator = std::make_unique<CPsapiEnumerator>(m_list);
    if (choice == ENUMERATOR_SNAPSHOT) m_pEnumerator = std::make_unique<CToolhelpEnumerator>(m_list);
}

CProcessList::~CProcessList() = default;

bool CProcessList::Refresh(bool bWithModules) {
    m_list.RemoveAll();
    return m_pEnumerator && m_pEnumerator->ListProcesses(bWithModules);
}

bool FindProcessId(const std::string& pathOrName, DWORD& processId, bool bCompareFullPath) {
    const std::string fileName = GetFileNameOf(pathOrName);
    CProcessList list;
    list.Refresh(false);
    bool found = false;
    for (size_t i = 0; i < list.GetCount(); ++i) {
        const CProcessInfo* process = list.GetAt(i);
        if (!EqualsNoCase(process->GetName(), fileName)) continue;
        if (bCompareFullPath && !EqualsNoCase(process->GetPath(), pathOrName)) continue;
        processId = process->GetProcessId();
        found = true;
    }
    return found;
}
