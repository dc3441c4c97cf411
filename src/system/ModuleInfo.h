#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "framework/CObject.h"
#include "framework/OwningList.h"

class CProcessEnumerator;

// One module: its full path, its handle (or a snapshot's module id) and the modules listed
// under it.
class CModuleInfo : public CObject {
public:
    CModuleInfo(const char* path, ULONG_PTR module);

    const std::string& GetPath() const { return m_strPath; }
    // The part of the path after its last backslash.
    std::string GetName() const;
    ULONG_PTR GetModule() const { return m_nModule; }

    void AddModule(std::unique_ptr<CModuleInfo> module);
    void ClearModules();
    // Null until the first module is added.
    const COwningList<CModuleInfo>* GetModules() const { return m_pModules.get(); }

private:
    std::string m_strPath;
    ULONG_PTR m_nModule;
    std::unique_ptr<COwningList<CModuleInfo>> m_pModules;
};

// A process, described by its main module.
class CProcessInfo : public CModuleInfo {
public:
    CProcessInfo(const char* path, ULONG_PTR module, DWORD processId)
        : CModuleInfo(path, module), m_dwProcessId(processId) {}

    DWORD GetProcessId() const { return m_dwProcessId; }
    // Lets the enumerator that found this process list its modules.
    bool ListModules(CProcessEnumerator& enumerator);

private:
    DWORD m_dwProcessId;
};
