#pragma once

#include "system/ModuleInfo.h"
#include "framework/OwningList.h"

using CProcessInfoList = COwningList<CProcessInfo>;

// Fills a process list (which it does not own) by one of the system's process walks.
class CProcessEnumerator {
public:
    explicit CProcessEnumerator(CProcessInfoList& list) : m_list(list) {}
    CProcessEnumerator(const CProcessEnumerator&) = delete;
    CProcessEnumerator& operator=(const CProcessEnumerator&) = delete;
    virtual ~CProcessEnumerator() = default;

    // Adds the modules of the process, other than its executable, to the process.
    virtual bool ListModules(CProcessInfo& process) = 0;
    // Appends every running process that can be examined to the list.
    virtual bool ListProcesses(bool bWithModules) = 0;

protected:
    CProcessInfoList& m_list;
};
