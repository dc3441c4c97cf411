#include "system/ProcessScanner.h"

#include <vector>

#include "system/ProductNames.h"
#include "system/SystemLibrary.h"
#include "system/ToolhelpFunctions.h"
#include "util/PathParts.h"
#include "util/TextCompare.h"

namespace {

bool IsWindowsNt4OrOlder() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!::GetVersionExA(&version)) return false;
    return version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion <= 4;
}

// Collects every process of one image file name.
class CProcessCollector : public CProcessScanner {
public:
    explicit CProcessCollector(std::string fileName) : m_strFileName(std::move(fileName)) {}
    bool OnProcess(const std::string& imageName, DWORD processId) override {
        if (EqualsNoCase(GetFileNameOf(imageName), m_strFileName)) m_ids.push_back(processId);
        return true;
    }

    std::vector<DWORD> m_ids;

private:
    std::string m_strFileName;
};

}  // namespace

CProcessScanner::CProcessScanner() : m_bUseStatusLibrary(IsWindowsNt4OrOlder()) {}

bool CProcessScanner::LoadLibraries() {
    if (!m_bUseStatusLibrary) return true;
    const bool statusLoaded = m_statusLibrary.Load();
    if (!m_vdmLibrary) m_vdmLibrary = LoadSystemLibrary("VDMDBG.DLL");
    return statusLoaded && m_vdmLibrary;
}

bool CProcessScanner::Scan() { return m_bUseStatusLibrary ? ScanStatusLibrary() : ScanSnapshot(); }

bool CProcessScanner::OnProcess(const std::string&, DWORD) { return true; }

bool CProcessScanner::ScanSnapshot() {
    CToolhelpFunctions functions;
    if (!functions.Resolve(false)) return false;
    functions.WalkProcesses(
        [this](const PROCESSENTRY32& entry) { return OnProcess(entry.szExeFile, entry.th32ProcessID); });
    return true;
}

bool CProcessScanner::ScanStatusLibrary() {
    // The walk needs the whole set: 16-bit task walking and both name readers included.
    FARPROC enumTasks = nullptr;
    FARPROC readBaseName = nullptr;
    if (!m_statusLibrary.IsReady() || !ResolveEntryPoint(m_vdmLibrary.Get(), "VDMEnumTaskWOWEx", enumTasks) ||
        !ResolveEntryPoint(m_statusLibrary.GetHandle(), "GetModuleBaseNameA", readBaseName))
        return false;
    std::vector<DWORD> ids;
    if (!m_statusLibrary.EnumProcessIds(ids)) return false;
    for (DWORD id : ids) {
        std::string path;
        HMODULE executable = nullptr;
        if (!m_statusLibrary.ReadProcessImage(id, path, executable)) continue;
        if (!OnProcess(path, id)) break;
    }
    return true;
}

bool CRunningCheck::OnProcess(const std::string& imageName, DWORD) {
    if (!EqualsNoCase(GetFileNameOf(imageName), PRODUCT_EXE_NAME)) return true;
    m_bFound = true;
    return false;
}

bool IsProductRunning() {
    CRunningCheck check;
    check.LoadLibraries();
    check.Scan();
    return check.m_bFound;
}

std::vector<DWORD> FindProcessIds(const std::string& pathOrName) {
    CProcessCollector collector(GetFileNameOf(pathOrName));
    collector.LoadLibraries();
    collector.Scan();
    return collector.m_ids;
}
