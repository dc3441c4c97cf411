#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/ScopedHandles.h"
#include "system/StatusLibrary.h"

// A walk over the running processes that reports each one to OnProcess. Windows NT 4.0 and
// older walk with the process status library; every other system walks a snapshot.
class CProcessScanner {
public:
    CProcessScanner();
    CProcessScanner(const CProcessScanner&) = delete;
    CProcessScanner& operator=(const CProcessScanner&) = delete;
    virtual ~CProcessScanner() = default;

    bool UsesStatusLibrary() const { return m_bUseStatusLibrary; }
    // Loads what the status-library walk needs; true at once for the snapshot walk.
    bool LoadLibraries();
    // Walks the processes; true also when OnProcess stopped the walk.
    bool Scan();

    // One running process: its image name (a full path or a file name) and id.
    // Answers false to stop the walk.
    virtual bool OnProcess(const std::string& imageName, DWORD processId);

protected:
    // For a walk chosen by the caller rather than by the system's version.
    explicit CProcessScanner(bool bUseStatusLibrary) : m_bUseStatusLibrary(bUseStatusLibrary) {}

private:
    bool ScanSnapshot();
    bool ScanStatusLibrary();

    const bool m_bUseStatusLibrary;
    CStatusLibrary m_statusLibrary;
    CScopedLibrary m_vdmLibrary;
};

// Looks for the product's main executable among the running processes.
class CRunningCheck : public CProcessScanner {
public:
    CRunningCheck() = default;
    bool OnProcess(const std::string& imageName, DWORD processId) override;

    bool m_bFound = false;

protected:
    explicit CRunningCheck(bool bUseStatusLibrary) : CProcessScanner(bUseStatusLibrary) {}
};

// True while a process whose image file name is the product's main executable runs.
// A walk that fails answers false.
bool IsProductRunning();

// The ids of every running process whose image has the file name of the given path or name
// (without regard to case), in every session: the snapshot walk lists processes it could not
// open. Empty when there is none, or the walk fails.
std::vector<DWORD> FindProcessIds(const std::string& pathOrName);
