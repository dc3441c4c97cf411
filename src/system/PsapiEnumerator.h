#pragma once

#include "system/ProcessEnumerator.h"
#include "system/StatusLibrary.h"

// Walks the processes with the process status library: full executable paths, and only the
// processes that may be opened for query and read.
class CPsapiEnumerator : public CProcessEnumerator {
public:
    using CProcessEnumerator::CProcessEnumerator;

    bool ListModules(CProcessInfo& process) override;
    bool ListProcesses(bool bWithModules) override;

private:
    CStatusLibrary m_library;  // loaded at first use, released with the enumerator
};
