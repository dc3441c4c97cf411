#pragma once

#include "system/ProcessEnumerator.h"
#include "system/ToolhelpFunctions.h"

// Walks the processes with the tool-help snapshot: executable file names, every process.
class CToolhelpEnumerator : public CProcessEnumerator {
public:
    using CProcessEnumerator::CProcessEnumerator;

    // Uses the functions that an earlier ListProcesses resolved.
    bool ListModules(CProcessInfo& process) override;
    bool ListProcesses(bool bWithModules) override;

private:
    CToolhelpFunctions m_functions;
};
