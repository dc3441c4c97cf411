#include "system/ProcessList.h"

#include "system/PsapiEnumerator.h"
#include "system/SystemLibrary.h"
#include "system/ToolhelpEnumerator.h"

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
