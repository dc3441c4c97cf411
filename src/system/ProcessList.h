#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "system/ProcessEnumerator.h"

// The running processes, filled by the walk that the system offers.
class CProcessList {
public:
    enum ENUMERATOR_CHOICE {
        ENUMERATOR_BY_SYSTEM,    // the status library when present, else the snapshot, else none
        ENUMERATOR_STATUS_LIBRARY,
        ENUMERATOR_SNAPSHOT,
        ENUMERATOR_NONE,
    };

    explicit CProcessList(ENUMERATOR_CHOICE choice = ENUMERATOR_BY_SYSTEM);
    CProcessList(const CProcessList&) = delete;
    CProcessList& operator=(const CProcessList&) = delete;
    ~CProcessList();

    bool HasEnumerator() const { return m_pEnumerator != nullptr; }
    // Empties the list and walks the processes again; false (list empty) when the walk fails
    // or there is no way to walk.
    bool Refresh(bool bWithModules);
    size_t GetCount() const { return m_list.GetCount(); }
    CProcessInfo* GetAt(size_t index) const { return m_list.GetAt(index); }

private:
    CProcessInfoList m_list;
    // Declared after the list it fills, so it is destroyed first.
    std::unique_ptr<CProcessEnumerator> m_pEnumerator;
};
